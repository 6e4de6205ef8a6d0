#include "DateUtils.h"
#include "SysUtils.h"
#include "Variant.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

TEST(VariantKinds, ConstructorsPickTheAutomationKind) {
    struct Case {
        Variant value;
        TVarType kind;
        const char* name;
    };
    const std::size_t size = 7;
    const Case cases[] = {
        {Variant(), varEmpty, "Empty"},
        {Variant(VarNullValue), varNull, "Null"},
        {Variant(std::int16_t{-2}), varSmallint, "Smallint"},
        {Variant(42), varInteger, "Integer"},
        {Variant('A'), varInteger, "Integer"},
        {Variant(std::int64_t{1} << 40), varInt64, "Int64"},
        {Variant(1LL), varInt64, "Int64"},
        {Variant(size), varInt64, "Int64"},
        {Variant(std::uint8_t{200}), varByte, "Byte"},
        {Variant(std::uint32_t{4000000000u}), varLongWord, "LongWord"},
        {Variant(1.5f), varSingle, "Single"},
        {Variant(1.5), varDouble, "Double"},
        {Variant(Currency{15000}), varCurrency, "Currency"},
        {Variant::FromDate(45000.5), varDate, "Date"},
        {Variant(true), varBoolean, "Boolean"},
        {Variant("text"), varString, "String"},
        {Variant(std::string("text")), varString, "String"},
        {Variant(u"wide"), varOleStr, "OleStr"},
        {Variant::OleStr("wide"), varOleStr, "OleStr"},
        {Variant(AsErrorKind, -2147352572), varError, "Error"},
        {Variant(DispatchPtr()), varDispatch, "Dispatch"},
        {VarArrayOf({1, "a"}), varArray | varVariant, "Array of Variant"},
        {VarArrayCreate({0, 1}, varOleStr), varArray | varOleStr, "Array of OleStr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarType(c.value), c.kind);
        EXPECT_EQ(VarTypeName(VarType(c.value)), c.name);
    }
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_TRUE(VarIsNull(Variant(VarNullValue)));
    EXPECT_FALSE(VarIsNull(Variant()));
    EXPECT_TRUE(VarIsArray(VarArrayOf({})));
    EXPECT_FALSE(VarIsArray(Variant("[1]")));
    EXPECT_TRUE(VarIsStr(Variant(u"x")));
    EXPECT_TRUE(VarIsNumeric(Variant(Currency{})));
    EXPECT_FALSE(VarIsNumeric(Variant::FromDate(1)));
}

TEST(VariantConversions, ToText) {
    struct Case {
        Variant value;
        std::string text;
    };
    const Case cases[] = {
        {Variant(), ""},
        {Variant(-42), "-42"},
        {Variant(std::int64_t{-9223372036854775807LL - 1}), "-9223372036854775808"},
        {Variant(0.1), "0.1"},
        {Variant(1.0 / 3), "0.333333333333333"},
        {Variant(2.0), "2"},
        {Variant(-0.0), "0"},
        {Variant(1e20), "1e+20"},
        {Variant(0.1f), "0.1"},
        {Variant(Currency{15000}), "1.5"},
        {Variant(Currency{-1}), "-0.0001"},
        {Variant(Currency{20000}), "2"},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant::FromDate(EncodeDate(2024, 3, 5)), "2024/03/05"},
        {Variant::FromDate(EncodeDate(2024, 3, 5) + EncodeTime(13, 4, 5, 0)),
         "2024/03/05 13:04:05"},
        {Variant(u"中文 ü"), "中文 ü"},
        {Variant("as is"), "as is"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value.AsString(), c.text);
        EXPECT_EQ(c.value.AsOleStr(), Utf8ToUtf16(c.text));
    }
}

TEST(VariantConversions, TextToNumbersAndBooleans) {
    struct Case {
        const char* text;
        std::int32_t integer;
        double real;
        bool boolean;
    };
    const Case cases[] = {
        {"12", 12, 12, true},  {" 42 ", 42, 42, true},       {"+7", 7, 7, true},
        {"-3", -3, -3, true},  {"0", 0, 0, false},           {"2.5", 2, 2.5, true},
        {"3.5", 4, 3.5, true}, {"-1e3", -1000, -1000, true}, {".25", 0, 0.25, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Variant(c.text).AsInteger(), c.integer);
        EXPECT_EQ(Variant::OleStr(c.text).AsInteger(), c.integer);
        EXPECT_DOUBLE_EQ(Variant(c.text).AsDouble(), c.real);
        EXPECT_EQ(Variant(c.text).AsBoolean(), c.boolean);
    }
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant(u"false").AsBoolean());
    EXPECT_EQ(Variant("1.5").AsCurrency(), Currency{15000});

    for (const char* bad : {"", "abc", "12abc", "1,5", "nan", "inf", "0x10", "1e999"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(Variant(bad).AsInteger(), EConvertError);
        EXPECT_THROW(Variant(bad).AsDouble(), EConvertError);
        EXPECT_THROW(Variant::OleStr(bad).AsInt64(), EConvertError);
    }
    EXPECT_THROW(Variant("yes").AsBoolean(), EConvertError);
    EXPECT_THROW(Variant("2024-13-01").AsDate(), EConvertError);
    EXPECT_DOUBLE_EQ(Variant("2024/03/05 06:00").AsDate(), EncodeDate(2024, 3, 5) + 0.25);
}

TEST(VariantConversions, NumbersAcrossKinds) {
    EXPECT_EQ(Variant(true).AsInteger(), -1); // automation's True
    EXPECT_EQ(Variant(false).AsInteger(), 0);
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(Variant(2.5).AsInteger(), 2); // half to even
    EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
    EXPECT_EQ(Variant(Currency{25000}).AsInteger(), 2);
    EXPECT_EQ(Variant(Currency{35000}).AsInteger(), 4);
    EXPECT_EQ(Variant(Currency{-35000}).AsInteger(), -4);
    EXPECT_EQ(Variant(0.1).AsCurrency(), Currency{1000});
    EXPECT_DOUBLE_EQ(Variant(12).AsDate(), 12.0);
    EXPECT_TRUE(Variant(0.5).AsBoolean());
    EXPECT_EQ(Variant(std::uint64_t{UINT64_MAX}).VType(), varDouble);
}

TEST(VariantConversions, KindsThatDoNotConvertRaise) {
    const Variant null(VarNullValue);
    EXPECT_THROW(null.AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(null.AsString(), EVariantTypeCastError);
    EXPECT_THROW(null.AsDate(), EVariantTypeCastError);
    EXPECT_EQ(VarToStr(null), "");
    EXPECT_EQ(VarToStr(Variant()), "");
    EXPECT_THROW(VarArrayOf({1}).AsString(), EVariantTypeCastError);
    EXPECT_THROW(Variant(AsErrorKind, 5).AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(Variant(1).AsDispatch(), EVariantTypeCastError);
    EXPECT_THROW(Variant(1).AsError(), EVariantTypeCastError);
    EXPECT_FALSE(Variant().AsDispatch());

    EXPECT_THROW(Variant(3e9).AsInteger(), EVariantOverflowError);
    EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EVariantOverflowError);
    EXPECT_THROW(Variant(1e300).AsInt64(), EVariantOverflowError);
    EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant(VarNullValue), varString), EVariantTypeCastError);
}

TEST(VariantConversions, VarAsTypeChangesKindAndValue) {
    struct Case {
        Variant value;
        TVarType kind;
        Variant expected;
    };
    const Case cases[] = {
        {Variant("12"), varSmallint, Variant(std::int16_t{12})},
        {Variant(12), varOleStr, Variant(u"12")},
        {Variant(u"1.5"), varDouble, Variant(1.5)},
        {Variant(1), varBoolean, Variant(true)},
        {Variant("2024/03/05"), varDate, Variant::FromDate(EncodeDate(2024, 3, 5))},
        {Variant(2.5), varCurrency, Variant(Currency{25000})},
        {Variant(), varInteger, Variant(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.AsString());
        const Variant converted = VarAsType(c.value, c.kind);
        EXPECT_EQ(converted.VType(), c.kind);
        EXPECT_EQ(converted, c.expected);
    }
}

TEST(VariantArrays, BoundsDimensionsAndElementKinds) {
    Variant list = VarArrayCreate({1, 3}, varInteger);
    EXPECT_EQ(VarArrayDimCount(list), 1);
    EXPECT_EQ(VarArrayLowBound(list, 1), 1);
    EXPECT_EQ(VarArrayHighBound(list, 1), 3);
    EXPECT_EQ(list[1].VType(), varInteger);
    EXPECT_EQ(list[3].AsInteger(), 0);
    list[2] = "two";
    EXPECT_EQ(list[2].AsString(), "two");

    Variant grid = VarArrayCreate({0, 1, -2, 2}, varVariant);
    EXPECT_EQ(VarArrayDimCount(grid), 2);
    EXPECT_EQ(VarArrayLowBound(grid, 2), -2);
    EXPECT_EQ(VarArrayHighBound(grid, 2), 2);
    EXPECT_TRUE(VarIsEmpty(grid.At(1, -2)));
    grid.At(0, -2) = "names";
    grid.At({1, 2}) = 7;
    EXPECT_EQ(grid.At(0, -2).AsString(), "names");
    EXPECT_EQ(grid.At(1, 2).AsInteger(), 7);
    EXPECT_EQ(grid.ArrayData()->ElementCount(), 10u);

    const Variant empty = VarArrayOf({});
    EXPECT_EQ(VarArrayLowBound(empty, 1), 0);
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
    EXPECT_EQ(VarArrayDimCount(Variant(5)), 0);
}

TEST(VariantArrays, BadIndexesAndBoundsRaise) {
    Variant list = VarArrayCreate({1, 3}, varVariant);
    const Variant grid = VarArrayCreate({0, 1, 0, 2}, varVariant);
    for (const int index : {0, 4, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(list[index], EVariantBadIndexError);
    }
    const std::pair<int, int> outside[] = {{-1, 0}, {2, 0},       {0, -1},
                                           {0, 3},  {INT_MAX, 0}, {0, INT_MIN}};
    for (const auto& [row, column] : outside) {
        SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
        EXPECT_THROW(grid.At(row, column), EVariantBadIndexError);
    }
    EXPECT_THROW(grid[0], EVariantBadIndexError);       // too few indices
    EXPECT_THROW(list.At(1, 1), EVariantBadIndexError); // too many
    EXPECT_THROW(VarArrayLowBound(list, 2), EVariantBadIndexError);
    EXPECT_THROW(VarArrayHighBound(list, 0), EVariantBadIndexError);
    EXPECT_THROW(Variant(1)[0], EVariantError);
    EXPECT_THROW(VarArrayLowBound(Variant("x"), 1), EVariantError);

    EXPECT_THROW(VarArrayCreate({3, 1}, varVariant), EVariantError);
    EXPECT_THROW(VarArrayCreate({0}, varVariant), EVariantError);
    EXPECT_THROW(VarArrayCreate({INT_MIN, INT_MAX}, varVariant), EVariantError);
    EXPECT_THROW(VarArrayCreate({0, 65535, 0, 65535}, varVariant), EVariantError);
    EXPECT_THROW(VarArrayCreate({0, 1}, varArray), EVariantError);
}

TEST(VariantArrays, RedimKeepsTheElementsThatRemain) {
    Variant list = VarArrayOf({"a", "b", "c"});
    VarArrayRedim(list, 4);
    EXPECT_EQ(VarArrayHighBound(list, 1), 4);
    EXPECT_EQ(list[2].AsString(), "c");
    EXPECT_TRUE(VarIsEmpty(list[4]));
    VarArrayRedim(list, 0);
    EXPECT_EQ(list.ArrayData()->ElementCount(), 1u);
    EXPECT_EQ(list[0].AsString(), "a");

    // The last dimension runs fastest, so growing it moves every row.
    Variant grid = VarArrayCreate({0, 1, 0, 1}, varInteger);
    int next = 1;
    for (const int row : {0, 1}) {
        for (const int column : {0, 1}) {
            grid.At(row, column) = next++;
        }
    }
    VarArrayRedim(grid, 2);
    EXPECT_EQ(grid.At(0, 1).AsInteger(), 2);
    EXPECT_EQ(grid.At(1, 0).AsInteger(), 3);
    EXPECT_EQ(grid.At(1, 1).AsInteger(), 4);
    EXPECT_EQ(grid.At(1, 2).VType(), varInteger);
    EXPECT_THROW(VarArrayRedim(grid, -5), EVariantError);
}

TEST(VariantValues, CopiesAreDeep) {
    Variant inner = VarArrayOf({"x", 1});
    Variant outer = VarArrayOf({inner, "tail"});
    Variant copy = outer;
    copy[0][0] = "changed";
    EXPECT_EQ(outer[0][0].AsString(), "x");
    EXPECT_EQ(copy[0][0].AsString(), "changed");
    EXPECT_NE(copy, outer);

    // Assigning a variant its own element must not read freed storage.
    outer = outer[0];
    EXPECT_EQ(outer, inner);
    Variant moved = VarArrayOf({VarArrayOf({1, 2})});
    moved = std::move(moved[0]);
    EXPECT_EQ(moved, VarArrayOf({1, 2}));

    Variant source = "text";
    Variant target = std::move(source);
    EXPECT_TRUE(VarIsEmpty(source)); // NOLINT(bugprone-use-after-move): moved-from is Empty
    EXPECT_EQ(target.AsString(), "text");
}

TEST(VariantValues, ByReferenceReadsAndWritesTheTarget) {
    Variant target = 5;
    Variant ref = Variant::ByRef(target);
    EXPECT_TRUE(ref.IsByRef());
    EXPECT_EQ(VarType(ref), varByRef | varVariant);
    EXPECT_EQ(ref.AsInteger(), 5);
    EXPECT_FALSE(VarIsEmpty(ref));
    ref.Deref() = "written";
    EXPECT_EQ(target.AsString(), "written");

    Variant copyOfRef = ref; // still refers to target, as a reference does
    copyOfRef.Deref() = VarArrayOf({1});
    EXPECT_TRUE(VarIsArray(ref));
    EXPECT_EQ(ref[0].AsInteger(), 1);
    EXPECT_EQ(Variant::ByRef(ref).Deref().VType(), varArray | varVariant); // no chains
}

TEST(VariantValues, CompareAcrossKinds) {
    struct Case {
        Variant a;
        Variant b;
        int order;
    };
    const Case cases[] = {
        {Variant(1), Variant(2.0), -1},
        {Variant(Currency{15000}), Variant(1.5), 0},
        {Variant(std::int64_t{9007199254740993}), Variant(std::int64_t{9007199254740992}), 1},
        {Variant("abc"), Variant("abd"), -1},
        {Variant(u"b"), Variant("a"), 1},
        {Variant(u"é"), Variant("é"), 0},
        {Variant("\xEF\xBD\x81"), Variant(u"\U0001F600"), -1}, // by code point, not UTF-16 unit
        {Variant(), Variant(VarNullValue), -1},
        {Variant(VarNullValue), Variant(0), -1},
        {Variant(), Variant(), 0},
        {Variant("10"), Variant(9), 1},
        {Variant(9), Variant(" 10"), -1},
        {Variant("abc"), Variant(1), 1},
        {Variant::FromDate(2), Variant(1.5), 1},
        {Variant::FromDate(EncodeDate(2024, 1, 1)), Variant("2024/01/02"), -1},
        {Variant(false), Variant(true), -1},
        {Variant(AsErrorKind, 1), Variant(AsErrorKind, 2), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarTypeName(c.a.VType()) + " vs " + VarTypeName(c.b.VType()) + ", line " +
                     std::to_string(&c - cases));
        EXPECT_EQ(VarCompare(c.a, c.b), c.order);
        EXPECT_EQ(VarCompare(c.b, c.a), -c.order);
        EXPECT_EQ(c.a == c.b, c.order == 0);
    }
    EXPECT_THROW(VarCompare(VarArrayOf({1}), VarArrayOf({1})), EVariantError);
    EXPECT_THROW(VarCompare(Variant(AsErrorKind, 1), Variant(1)), EVariantError);
    EXPECT_EQ(VarArrayOf({1, "a"}), VarArrayOf({1.0, u"a"}));
    EXPECT_NE(VarArrayOf({1}), VarArrayCreate({1, 1}, varVariant)); // other bounds
    EXPECT_NE(Variant(AsErrorKind, 0), Variant(0));
}

TEST(TextEncoding, InvalidSequencesBecomeReplacementCharacters) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"plain", u"plain"},
        {"\xE4\xB8\xAD", u"中"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xE4\xB8", u"\uFFFD"},                           // truncated
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(RepairUtf8(c.utf8), Utf16ToUtf8(c.utf16));
        EXPECT_EQ(IsValidUtf8(c.utf8), Utf16ToUtf8(c.utf16) == c.utf8);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\xDC00x"), "\xEF\xBF\xBDx");
}

} // namespace
