#include "DateUtils.h"
#include "SysUtils.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct Parts {
    int year, month, day, hour, minute, second, msec;
};

Parts DecodeAll(TDateTime value) {
    Parts p{};
    DecodeDate(value, p.year, p.month, p.day);
    DecodeTime(value, p.hour, p.minute, p.second, p.msec);
    return p;
}

void ExpectParts(TDateTime value, const Parts& expected) {
    const Parts p = DecodeAll(value);
    EXPECT_EQ(p.year, expected.year);
    EXPECT_EQ(p.month, expected.month);
    EXPECT_EQ(p.day, expected.day);
    EXPECT_EQ(p.hour, expected.hour);
    EXPECT_EQ(p.minute, expected.minute);
    EXPECT_EQ(p.second, expected.second);
    EXPECT_EQ(p.msec, expected.msec);
}

TEST(Dates, EncodeAndDecodeDays) {
    struct Case {
        int year, month, day;
        double serial;
        int dayOfWeek;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 7},     {1899, 12, 29, -1, 6},  {1900, 1, 1, 2, 2},
        {1900, 3, 1, 61, 5},      {2000, 1, 1, 36526, 7}, {2024, 2, 29, 45351, 5},
        {2024, 3, 5, 45356, 3},   {1, 1, 1, -693593, 2},  {9999, 12, 31, 2958465, 6},
        {1752, 9, 14, -53797, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("%04d-%02d-%02d", c.year, c.month, c.day));
        EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.serial);
        ExpectParts(c.serial, {c.year, c.month, c.day, 0, 0, 0, 0});
        EXPECT_EQ(DayOfWeek(c.serial), c.dayOfWeek);
    }
}

TEST(Dates, TimeOfDayAndNegativeDates) {
    // Before 1899-12-30 the fraction still counts forward from midnight.
    ExpectParts(-1.25, {1899, 12, 29, 6, 0, 0, 0});
    ExpectParts(-0.5, {1899, 12, 30, 12, 0, 0, 0});
    EXPECT_EQ(ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0)), -1.25);
    EXPECT_EQ(ComposeDateTime(EncodeDate(1800, 1, 1), 0.75), EncodeDate(1800, 1, 1) - 0.75);
    EXPECT_EQ(ComposeDateTime(2.0, 0.25), 2.25);
    ExpectParts(ComposeDateTime(EncodeDate(1800, 1, 1), EncodeTime(18, 30, 15, 250)),
                {1800, 1, 1, 18, 30, 15, 250});

    // Rounding to the millisecond may carry into the next day, in either direction of zero.
    ExpectParts(45351.99999999999, {2024, 3, 1, 0, 0, 0, 0});
    ExpectParts(-1.99999999999, {1899, 12, 30, 0, 0, 0, 0});
    ExpectParts(EncodeDate(2024, 3, 5) + EncodeTime(23, 59, 59, 999),
                {2024, 3, 5, 23, 59, 59, 999});

    // Values outside years 1..9999 decode as zeros rather than garbage.
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    for (const double outside : {-693594.5, 2958466.5, kNaN, kInfinity, 1e300}) {
        SCOPED_TRACE(outside);
        ExpectParts(outside, {0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(DayOfWeek(outside), 0);
        EXPECT_EQ(FormatDateTime("yyyymmdd", outside), "00000000");
    }
}

TEST(Dates, InvalidPartsRaise) {
    struct Case {
        int year, month, day;
    };
    for (const Case& c : {Case{2023, 2, 29}, Case{0, 1, 1}, Case{10000, 1, 1}, Case{2024, 13, 1},
                          Case{2024, 0, 1}, Case{2024, 4, 31}, Case{2024, 1, 0}}) {
        SCOPED_TRACE(Format("%d-%d-%d", c.year, c.month, c.day));
        EXPECT_THROW(EncodeDate(c.year, c.month, c.day), EConvertError);
    }
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_EQ(DaysInAMonth(2024, 2), 29);
    EXPECT_EQ(DaysInAMonth(2024, 13), 0);
}

TEST(Dates, FormatDateTimeTokens) {
    const TDateTime value = EncodeDate(2024, 3, 5) + EncodeTime(13, 4, 5, 67);
    struct Case {
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {"YYYYMMDD", "20240305"},
        {"YYYYMM", "202403"},
        {"YYYY", "2024"},
        {"YYYY/MM/DD hh:nn:ss:zzz", "2024/03/05 13:04:05:067"},
        {"YYYYMMDDHHNNSSZZZ", "20240305130405067"},
        {"YYYYMMDDHHMMSS", "20240305130405"}, // MM right after HH is minutes
        {"hh:mm", "13:04"},
        {"mm/dd hh", "03/05 13"},
        {"yy-m-d h:n:s.z", "24-3-5 13:4:5.67"},
        {"yyyymmdd'T'hhnn", "20240305T1304"},
        {"\"mm\" mm", "mm 03"},
        {"mmm mmmm ddd dddd", "Mar March Tue Tuesday"},
        {"ddddd", "2024/03/05"},
        {"c", "2024/03/05 13:04:05"},
        {"", "2024/03/05 13:04:05"},
        {"[Q] yyyy", "[Q] 2024"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, value), c.text);
    }
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "2024/03/05");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5) + EncodeTime(0, 0, 1, 0)),
              "2024/03/05 00:00:01");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", -1.25), "1899/12/29 06:00");
}

TEST(Dates, ReadDateTexts) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"2024/03/05", 45356},
        {"2024-3-5", 45356},
        {" 2024/03/05 06:00 ", 45356.25},
        {"2024-03-05T18:00:00", 45356.75},
        {"2024/03/05 00:00:01.500", 45356 + 1.5 / 86400},
        {"12:00", 0.5},
        {"1899/12/29 06:00:00", -1.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_NEAR(StrToDateTime(c.text), c.value, 1e-9);
    }
    for (const char* bad : {"", "2024", "2024/02/30", "2024/03/05 25:00", "05.03.2024",
                            "2024/03-05", "2024/03/05 12", "2024/03/05x", "abc"}) {
        SCOPED_TRACE(bad);
        TDateTime ignored = 0;
        EXPECT_FALSE(TryStrToDateTime(bad, ignored));
        EXPECT_THROW(StrToDateTime(bad), EConvertError);
    }
}

TEST(Dates, NowAndDateFollowTheLocalClock) {
    // The same clock Now reads (time() may lag behind it by a tick).
    const auto seconds = [] {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return ts.tv_sec;
    };
    const std::time_t before = seconds();
    const TDateTime now = Now();
    const std::time_t after = seconds();
    std::tm local{};
    localtime_r(&before, &local);
    int year = 0, month = 0, day = 0;
    DecodeDate(now, year, month, day);
    if (before == after) { // not across a second (or midnight) boundary
        EXPECT_EQ(year, local.tm_year + 1900);
        EXPECT_EQ(month, local.tm_mon + 1);
        EXPECT_EQ(day, local.tm_mday);
        int hour = 0, minute = 0, second = 0, msec = 0;
        DecodeTime(now, hour, minute, second, msec);
        EXPECT_EQ(hour * 3600 + minute * 60 + second,
                  local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
    }
    EXPECT_LE(Date(), Now());
    EXPECT_EQ(Date(), std::trunc(Date()));
}

TEST(Format, PrintfStyleAlwaysWithAPoint) {
    EXPECT_EQ(Format("%d%.2d%.2d", 2024, 3, 5), "20240305");
    EXPECT_EQ(Format("%s-%5.1f|%-3s|", "x", 2.25, "ab"), "x-  2.2|ab |");
    EXPECT_EQ(Format("%s", std::string(1000, 'a').c_str()).size(), 1000u);
    EXPECT_EQ(Format("plain"), "plain");

    // A locale with a decimal comma (when the machine has one) must not leak in.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            EXPECT_EQ(Format("%.1f", 1.5), "1.5") << name;
            break;
        }
    }
    std::setlocale(LC_NUMERIC, previous.c_str());
}

} // namespace
