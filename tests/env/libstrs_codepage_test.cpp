// Code-page transcoding and the conversion of texts inside values exchanged with the server.
#include "LibStrs.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// Every two-byte code of a range of lead and trail bytes, as one text.
std::string DoubleByteCodes(int leadFirst, int leadLast,
                            const std::vector<std::pair<int, int>>& trailRanges) {
    std::string bytes;
    for (int lead = leadFirst; lead <= leadLast; ++lead) {
        for (const auto& [first, last] : trailRanges) {
            for (int trail = first; trail <= last; ++trail) {
                bytes.push_back(static_cast<char>(lead));
                bytes.push_back(static_cast<char>(trail));
            }
        }
    }
    return bytes;
}

TEST(CodePage, KnownCharactersInEachCodePage) {
    struct Case {
        std::u16string wide;
        int codePage;
        std::string bytes;
    };
    const std::vector<Case> cases{
        {u"中文", CodePageGB, "\xD6\xD0\xCE\xC4"},
        {u"简体", CodePageGB, "\xBC\xF2\xCC\xE5"},
        {u"中文", CodePageBig5, "\xA4\xA4\xA4\xE5"},
        {u"繁體", CodePageBig5, "\xC1\x63\xC5\xE9"},
        {u"café", CodePageEnglish, "caf\x82"},
        {u"ASCII 123", CodePageGB, "ASCII 123"},
        {u"中文", CodePageUtf8, "中文"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(WideToCodePage(c.wide, c.codePage), c.bytes);
        EXPECT_EQ(CodePageToWide(c.bytes, c.codePage), c.wide);
        EXPECT_EQ(WideToCodePage(c.wide, std::to_string(c.codePage)), c.bytes);
        EXPECT_EQ(CodePageToWide(c.bytes, std::to_string(c.codePage)), c.wide);
    }
}

TEST(CodePage, EveryGB2312AndBig5CharacterRoundTrips) {
    // GB2312 hanzi: rows 0xB0..0xF7 (row 0xD7 ends at 0xF9; its last five codes are unused).
    std::string gb = DoubleByteCodes(0xB0, 0xD6, {{0xA1, 0xFE}}) +
                     DoubleByteCodes(0xD7, 0xD7, {{0xA1, 0xF9}}) +
                     DoubleByteCodes(0xD8, 0xF7, {{0xA1, 0xFE}});
    // Big5 frequently used hanzi: 0xA440..0xC67E.
    std::string big5 = DoubleByteCodes(0xA4, 0xC5, {{0x40, 0x7E}, {0xA1, 0xFE}}) +
                       DoubleByteCodes(0xC6, 0xC6, {{0x40, 0x7E}});
    struct Case {
        std::string bytes;
        int codePage;
        std::size_t characters;
    };
    for (const Case& c : {Case{gb, CodePageGB, 6763}, Case{big5, CodePageBig5, 5401}}) {
        const std::u16string wide = CodePageToWide(c.bytes, c.codePage);
        EXPECT_EQ(wide.size(), c.characters) << c.codePage;
        EXPECT_EQ(wide.find(u'\uFFFD'), std::u16string::npos) << c.codePage;
        EXPECT_EQ(WideToCodePage(wide, c.codePage), c.bytes) << c.codePage;
    }
}

TEST(CodePage, UnmappableAndInvalidInputIsReplacedNotLost) {
    struct ToBytes {
        std::u16string wide;
        int codePage;
        std::string bytes;
    };
    const std::vector<ToBytes> toBytes{
        {u"a中b", CodePageEnglish, "a?b"},
        // A character outside the basic plane is one character: one '?'.
        {u"x\U0001F600y", CodePageGB, "x?y"},
        // A lone surrogate is no character at all.
        {std::u16string{u'a', char16_t(0xD800), u'b'}, CodePageGB, "a?b"},
        {std::u16string{u'a', char16_t(0xD800)}, CodePageBig5, "a?"},
        {u"", CodePageGB, ""},
    };
    for (const ToBytes& c : toBytes) {
        EXPECT_EQ(WideToCodePage(c.wide, c.codePage), c.bytes);
    }
    struct ToWide {
        std::string bytes;
        int codePage;
        std::u16string wide;
    };
    const std::vector<ToWide> toWide{
        {"a\xFF"
         "b",
         CodePageGB, u"a\uFFFDb"},
        {"\xD6\xD0\xCE", CodePageGB, u"中\uFFFD"},
        {"\xA4", CodePageBig5, u"\uFFFD"},
        {"", CodePageBig5, u""},
    };
    for (const ToWide& c : toWide) {
        EXPECT_EQ(CodePageToWide(c.bytes, c.codePage), c.wide);
    }
}

TEST(CodePage, UnknownCodePagesFallBackToUtf8) {
    EXPECT_EQ(WideToCodePage(u"中文", 12345), "中文");
    EXPECT_EQ(CodePageToWide("中文", 12345), u"中文");
    EXPECT_EQ(WideToCodePage(u"中文", "no such code page"), "中文");
    EXPECT_EQ(CodePageToWide("中文", ""), u"中文");
}

TEST(CodePage, RandomBytesAlwaysDecodeAndEncodeBack) {
    std::mt19937 random(936);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const int codePage : {CodePageGB, CodePageBig5, CodePageEnglish, CodePageUtf8}) {
        std::string bytes;
        for (int i = 0; i < 20000; ++i) {
            bytes.push_back(static_cast<char>(byte(random)));
        }
        const std::u16string wide = CodePageToWide(bytes, codePage);
        EXPECT_FALSE(wide.empty()) << codePage;
        EXPECT_FALSE(WideToCodePage(wide, codePage).empty()) << codePage;
    }
}

// ---- Values -------------------------------------------------------------------------------------

Variant Ole(const char16_t* text) {
    return Variant(std::u16string(text));
}

TEST(VarCodePage, ToCodePageTurnsEveryOleStringOfNestedArraysIntoText) {
    const Variant value = VarArrayOf(
        {Ole(u"中"), Variant("x"), 5, VarArrayOf({Ole(u"文"), VarArrayOf({Ole(u"深")})})});
    const Variant result = VarToCodePage(value, CodePageGB);

    EXPECT_EQ(VarType(result[0]), varString);
    EXPECT_EQ(result[0].AsString(), "中");
    EXPECT_EQ(VarType(result[1]), varString);
    EXPECT_EQ(result[2].AsInteger(), 5);
    EXPECT_EQ(VarType(result[3][0]), varString);
    EXPECT_EQ(result[3][0].AsString(), "文");
    EXPECT_EQ(VarType(result[3][1][0]), varString);
    EXPECT_EQ(result[3][1][0].AsString(), "深");
    // The argument is a value: it keeps its OLE strings.
    EXPECT_EQ(VarType(value[3][1][0]), varOleStr);
}

TEST(VarCodePage, TwoDimensionalArraysAreConvertedOneLevelDeep) {
    Variant grid = VarArrayCreate({1, 2, 0, 1}, varVariant);
    grid.At(1, 0) = Ole(u"甲");
    grid.At(1, 1) = 7;
    grid.At(2, 0) = VarArrayOf({Ole(u"乙")});
    grid.At(2, 1) = Variant("bytes");
    const Variant result = VarToCodePage(grid, CodePageBig5);

    EXPECT_EQ(VarArrayLowBound(result, 1), 1);
    EXPECT_EQ(VarType(result.At(1, 0)), varString);
    EXPECT_EQ(result.At(1, 0).AsString(), "甲");
    EXPECT_EQ(result.At(1, 1).AsInteger(), 7);
    EXPECT_EQ(VarType(result.At(2, 0)[0]), varOleStr);
    EXPECT_EQ(VarType(result.At(2, 1)), varString);
}

TEST(VarCodePage, SingleValues) {
    EXPECT_EQ(VarType(VarToCodePage(Ole(u"中文"), CodePageGB)), varString);
    EXPECT_EQ(VarToCodePage(Ole(u"中文"), CodePageGB).AsString(), "中文");
    // A byte string is made well-formed text.
    EXPECT_EQ(VarToCodePage(Variant("a\xFF"), CodePageGB).AsString(), "a\xEF\xBF\xBD");
    EXPECT_TRUE(VarIsEmpty(VarToCodePage(Variant(), CodePageGB)));
    EXPECT_TRUE(VarIsNull(VarFromCodePage(Variant(VarNullValue), CodePageGB)));
    EXPECT_EQ(VarToCodePage(Variant(2.5), CodePageGB).AsDouble(), 2.5);

    struct Case {
        Variant value;
        int codePage;
        std::u16string wide;
    };
    const std::vector<Case> cases{
        {Variant("中文"), CodePageGB, u"中文"},
        {Variant("\xD6\xD0\xCE\xC4"), CodePageGB, u"中文"},
        {Variant("\xA4\xA4\xA4\xE5"), CodePageBig5, u"中文"},
        {Ole(u"繁體"), CodePageGB, u"繁體"},
    };
    for (const Case& c : cases) {
        const Variant result = VarFromCodePage(c.value, c.codePage);
        EXPECT_EQ(VarType(result), varOleStr);
        EXPECT_EQ(result.AsOleStr(), c.wide);
    }
}

TEST(VarCodePage, FromCodePageKeepsOleStringsOfArraysAndLeavesByteStrings) {
    const Variant value = VarArrayOf({Ole(u"中"), Variant("文"), VarArrayOf({Ole(u"深")})});
    const Variant result = VarFromCodePage(value, CodePageGB);
    EXPECT_EQ(VarType(result[0]), varOleStr);
    EXPECT_EQ(result[0].AsOleStr(), u"中");
    EXPECT_EQ(VarType(result[1]), varString);
    EXPECT_EQ(result[2][0].AsOleStr(), u"深");
}

} // namespace
