// Separated texts, replacement, record building, numbers, values and small lookups of
// LibStrs.
#include "LibStrs.h"
#include "SysUtils.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string Sep(1, RecordSeparator);

TEST(SeparatedText, FieldsAndCounts) {
    struct Case {
        std::string text;
        std::string separator;
        std::vector<std::string> fields; // fields 1..n; field n + 1 must be empty
        int count;
    };
    const std::vector<Case> cases{
        {"a#b#c", "#", {"a", "b", "c"}, 3},
        {"a#b#", "#", {"a", "b", ""}, 3},
        {"#", "#", {"", ""}, 2},
        {"abc", "#", {"abc"}, 1},
        {"", "#", {""}, 0},
        {"a;b", ";", {"a", "b"}, 2},
        {"a<>b<>c", "<>", {"a", "b", "c"}, 3},
        {"a<b<>c", "<>", {"a<b", "c"}, 2},
        {"a" + Sep + Sep + "c", Sep, {"a", "", "c"}, 3},
        {"中文#繁體", "#", {"中文", "繁體"}, 2},
        {"a#b", "", {"a#b"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CountFields(c.text, c.separator), c.count);
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(GetField(c.text, c.separator, static_cast<int>(i) + 1), c.fields[i]);
        }
        EXPECT_EQ(GetField(c.text, c.separator, static_cast<int>(c.fields.size()) + 1), "");
        EXPECT_EQ(GetField(c.text, c.separator, 0), "");
        EXPECT_EQ(GetField(c.text, c.separator, -1), "");
    }
}

TEST(SeparatedText, LargeRecordsAreReadInFull) {
    constexpr int FieldCount = 10000;
    std::string record;
    for (int i = 1; i <= FieldCount; ++i) {
        record += "f" + std::to_string(i) + Sep;
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CountFields(record, Sep), FieldCount + 1);
    EXPECT_EQ(GetField(record, Sep, 1), "f1");
    EXPECT_EQ(GetField(record, Sep, FieldCount), "f10000");
    EXPECT_EQ(GetField(record, Sep, 2147483647), "");
    std::string rest = record;
    int heads = 0;
    while (!rest.empty()) {
        const std::string head = SplitHead(rest, Sep);
        ASSERT_EQ(head, "f" + std::to_string(++heads));
    }
    EXPECT_EQ(heads, FieldCount);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST(SeparatedText, SplitHeadTakesTheFirstFieldAndKeepsTheRest) {
    struct Case {
        std::string text, separator, head, rest;
    };
    const std::vector<Case> cases{
        {"a/b/c", "/", "a", "b/c"}, {"abc", "/", "abc", ""}, {"/b", "/", "", "b"},
        {"a/", "/", "a", ""},       {"", "/", "", ""},       {"a//b", "//", "a", "b"},
        {"a/b", "", "a/b", ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(SplitHead(text, c.separator), c.head) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(ReplaceText, ReplacesUntilNoOccurrenceIsLeft) {
    struct Case {
        std::string text, oldText, newText;
        bool trim;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"a\r\nb\r\n", "\r\n", "", false, "ab"},
        {"a;b;;c", ";", "", false, "abc"},
        // Occurrences that replacements form are replaced as well.
        {"xaabby", "ab", "", false, "xy"},
        {"aaab", "ab", "b", false, "b"},
        {"abab", "ab", "ba", false, "bbaa"},
        // Equal ignoring case: nothing to do.
        {"abc", "b", "B", false, "abc"},
        {"abc", "", "x", false, "abc"},
        {"  a;b \t\r\n", ";", "", true, "ab"},
        {"\x01 x \x1f", "y", "", true, "x"},
        {"  中文  ", ";", "", true, "中文"},
        // A replacement that contains what it replaces is applied in one pass.
        {"aXa", "a", "aa", false, "aaXaa"},
        {"ab", "b", "bb", false, "abb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceText(c.text, c.oldText, c.newText, c.trim), c.expected) << c.text;
    }
}

TEST(ReplaceText, EndsOnReplacementsThatKeepFormingOccurrences) {
    // "ab" -> "ba" moves every b to the front: quadratic in the number of pairs, so the
    // guard stops it on long texts instead of running for minutes.
    const std::string text = std::string(5000, 'a') + std::string(5000, 'b');
    const auto started = std::chrono::steady_clock::now();
    const std::string result = ReplaceText(text, "ab", "ba", false);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    // Stopping early must not lose or invent characters.
    EXPECT_EQ(std::count(result.begin(), result.end(), 'a'), 5000);
    EXPECT_EQ(std::count(result.begin(), result.end(), 'b'), 5000);

    // Many ordinary replacements in a large text stay linear.
    std::string lines;
    for (int i = 0; i < 100000; ++i) {
        lines += "line\r\n";
    }
    EXPECT_EQ(ReplaceText(lines, "\r\n", "", false), [] {
        std::string joined;
        for (int i = 0; i < 100000; ++i) {
            joined += "line";
        }
        return joined;
    }());
}

TEST(BuildRecordText, JoinsPrefixCountAndCountedElements) {
    const Variant counted = VarArrayOf({2, "甲", 3.5, "unused"});
    EXPECT_EQ(BuildRecordText("P", counted), u"P\x03"
                                             u"2\x03"
                                             u"甲\x03"
                                             u"3.5\x03");
    EXPECT_EQ(BuildRecordText("", VarArrayOf({0})), u"\x03"
                                                    u"0\x03");
    EXPECT_THROW(BuildRecordText("P", VarArrayOf({5, "a"})), EVariantError);
}

TEST(Numbers, TextToFloatReadsTheWholeTextOrGivesTheDefault) {
    struct Case {
        std::string text;
        double expected;
    };
    constexpr double Default = 99.5;
    const std::vector<Case> cases{
        {"1.5", 1.5},          {"-2", -2},        {"+3", 3},        {"1e3", 1000},
        {"-1.25E-2", -0.0125}, {".5", 0.5},       {" 7 ", 7},       {"", Default},
        {"1,5", Default},      {"1.5x", Default}, {"abc", Default}, {"inf", Default},
        {"nan", Default},      {"-", Default},    {"+-1", Default}, {"0x10", Default},
        {"1e999", Default},    {"\xff", Default},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(TextToFloatDef(c.text, Default), c.expected) << c.text;
    }
}

TEST(Numbers, IntegerTexts) {
    struct Case {
        std::string text;
        bool ok;
        int value;
    };
    const std::vector<Case> cases{
        {"0", true, 0},           {"-12", true, -12},
        {"+7", true, 7},          {"2147483647", true, 2147483647},
        {"2147483648", false, 0}, {"", false, 0},
        {" 1", false, 0},         {"1.0", false, 0},
        {"+-1", false, 0},        {"--1", false, 0},
        {"+", false, 0},
    };
    for (const Case& c : cases) {
        int value = 0;
        EXPECT_EQ(TryTextToInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(Values, IIfAndBlank) {
    EXPECT_EQ(VarToStr(VarIIf(true, "a", 2)), "a");
    EXPECT_EQ(VarIIf(false, "a", 2).AsInteger(), 2);

    EXPECT_TRUE(VarIsBlank(Variant()));
    EXPECT_TRUE(VarIsBlank(Variant(VarNullValue)));
    Variant empty;
    EXPECT_TRUE(VarIsBlank(Variant::ByRef(empty)));
    EXPECT_FALSE(VarIsBlank(Variant("")));
    EXPECT_FALSE(VarIsBlank(Variant(0)));
    EXPECT_FALSE(VarIsBlank(VarArrayOf({})));
}

TEST(Lookups, LoopbackAndButtonCaptions) {
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    for (const char* other : {"127.0.0.2", "localhost", " 127.0.0.1", "127.0.0.1 ", ""}) {
        EXPECT_FALSE(IsLoopbackAddress(other)) << other;
    }

    struct Case {
        std::string name, caption;
    };
    const std::vector<Case> cases{
        {"Yes", "是(&Y)"},        {"No", "否(&N)"},      {"OK", "确定"},
        {"Cancel", "取消"},       {"Abort", "中断(&A)"}, {"Retry", "重试(&R)"},
        {"Ignore", "忽略(&I)"},   {"All", "全部(&A)"},   {"NoToAll", "全否(&o)"},
        {"YesToAll", "全是(&A)"}, {"Help", "帮助(&H)"},  {"yes", "yes"},
        {"OK ", "OK "},           {"Close", "Close"},    {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DialogButtonCaption(c.name), c.caption) << c.name;
    }
}

} // namespace
