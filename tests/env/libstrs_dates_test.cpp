// Date routines of LibStrs, checked against the <chrono> calendar over whole ranges of days
// and against hand-picked cases where the rules have corners.
#include "LibStrs.h"
#include "SysUtils.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;

constexpr sys_days ValueEpoch = sys_days{year{1899} / December / 30};
constexpr sys_days RangeFirst = sys_days{year{1990} / January / 1};
constexpr sys_days RangeLast = sys_days{year{2040} / December / 31};

TDateTime ValueOf(sys_days day) {
    return static_cast<TDateTime>((day - ValueEpoch).count());
}

std::string Date8(const year_month_day& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string Date8(sys_days day) {
    return Date8(year_month_day{day});
}

// Month arithmetic with the day lowered to the month's last when it does not exist.
year_month_day ClampedToMonth(year_month target, day wanted) {
    const day lastDay = year_month_day_last{target / last}.day();
    return target / (wanted > lastDay ? lastDay : wanted);
}

year_month_day AddMonths(const year_month_day& date, int n) {
    return ClampedToMonth(year_month{date.year(), date.month()} + months{n}, date.day());
}

year_month_day AddYears(const year_month_day& date, int n) {
    return ClampedToMonth(year_month{date.year() + years{n}, date.month()}, date.day());
}

Variant ArrayOf(std::vector<Variant> values) {
    return VarArrayOf(std::move(values));
}

Variant WeeklyPeriod(int interval, int weekday) {
    return ArrayOf({1, ArrayOf({interval, weekday})});
}

Variant MonthlyDayPeriod(int interval, int dayOfMonth) {
    return ArrayOf({2, ArrayOf({0, interval, dayOfMonth})});
}

Variant MonthlyWeekdayPeriod(int interval, int occurrence, int weekday) {
    return ArrayOf({2, ArrayOf({1, interval, occurrence, weekday})});
}

// ---- Display forms ------------------------------------------------------------------------------

TEST(DateDisplay, FormatsEveryCodeAsTheCompanySeesIt) {
    const TDateTime march5 = EncodeDate(2004, 3, 5);
    const TDateTime in2011 = EncodeDate(2011, 3, 5);
    struct Case {
        int code;
        std::string separator;
        TDateTime date;
        std::string full;
        std::string yearMonth;
    };
    const std::vector<Case> cases{
        {dt_YYYYMMDD, "/", march5, "2004/03/05", "2004/03"},
        {dt_MMDDYYYY, "/", march5, "03/05/2004", "03/2004"},
        {dt_DDMMYYYY, "/", march5, "05/03/2004", "03/2004"},
        {dt_YYMMDD, "/", march5, "93/03/05", "93/03"},
        {dt_YYMMDD, "/", in2011, "100/03/05", "100/03"},
        {dt_YYYMMDD, "/", march5, "093/03/05", "093/03"},
        {dt_YYYYMMDD, "-.", march5, "2004-03-05", "2004-03"},
        {dt_YYYYMMDD, "", march5, "20040305", "200403"},
        {dt_YYYYMMDD, "年月", march5, "2004年03年05", "2004年03"},
        {dt_NoneCare, "/", march5, "", ""},
        {6, "/", march5, "", ""},
        {dt_YYYYMMDD, "/", 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " sep '" + c.separator + "'");
        EXPECT_EQ(DateToCodeText(c.code, c.separator, c.date), c.full);
        EXPECT_EQ(YearMonthToCodeText(c.code, c.separator, c.date), c.yearMonth);
    }
}

TEST(DateDisplay, ParsesWhatItFormatsForEveryDayAndCode) {
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{3}) {
        const TDateTime value = ValueOf(day);
        for (int code = dt_YYYYMMDD; code <= dt_YYYMMDD; ++code) {
            const std::string text = DateToCodeText(code, "/", value);
            ASSERT_EQ(CodeTextToDate(text, code, "/"), value) << text << " code " << code;
        }
    }
}

TEST(DateDisplay, ParsingRollsDaysOverAndRejectsTheRest) {
    struct Case {
        std::string text;
        int code;
        std::string separator;
        TDateTime expected;
    };
    const std::vector<Case> cases{
        {"2004/02/30", dt_YYYYMMDD, "/", EncodeDate(2004, 3, 1)},
        {" 2004 / 3 / 5 ", dt_YYYYMMDD, "/", EncodeDate(2004, 3, 5)},
        {"05/03/2004", dt_DDMMYYYY, "/", EncodeDate(2004, 3, 5)},
        {"03/05/2004", dt_MMDDYYYY, "/", EncodeDate(2004, 3, 5)},
        {"93/03/05", dt_YYMMDD, "/", EncodeDate(2004, 3, 5)},
        {"2004--03--05", dt_YYYYMMDD, "--", EncodeDate(2004, 3, 5)},
        {"2004/2", dt_YYYYMMDD, "/", 0},
        {"2004-03-05", dt_YYYYMMDD, "/", 0},
        {"2004/03/05/01", dt_YYYYMMDD, "/", 0},
        {"2004/13/01", dt_YYYYMMDD, "/", 0},
        {"2004/00/01", dt_YYYYMMDD, "/", 0},
        {"2004/x/01", dt_YYYYMMDD, "/", 0},
        {"2004/03/-1", dt_YYYYMMDD, "/", 0},
        {"2004/03/05", dt_NoneCare, "/", 0},
        {"   ", dt_YYYYMMDD, "/", 0},
        {"20040305", dt_YYYYMMDD, "", 0},
        {"99999/01/01", dt_YYYYMMDD, "/", 0},
        {"9999/12/2147483647", dt_YYYYMMDD, "/", 0},
        {"2147483647/12/01", dt_YYMMDD, "/", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodeTextToDate(c.text, c.code, c.separator), c.expected) << c.text;
    }
}

// ---- Stored forms -------------------------------------------------------------------------------

TEST(Date8, ReadsEveryDayAndAgreesWithTheCalendar) {
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{1}) {
        const std::string text = Date8(day);
        ASSERT_EQ(Date8ToDate(text), ValueOf(day)) << text;
        ASSERT_TRUE(IsValidDate8(text)) << text;
    }
}

TEST(Date8, RejectsTextsThatAreNoDate) {
    struct Case {
        std::string text;
        bool valid;    // IsValidDate8
        bool readable; // Date8ToDate gives a date
    };
    const std::string withNul("2004\0"
                              "305",
                              8);
    const std::vector<Case> cases{
        {"", true, false},
        {"17530101", true, true},
        {"99991231", true, true},
        {"20040229", true, true},
        // Calendar dates before the accepted range still read as dates.
        {"17521231", false, true},
        {"00010101", false, true},
        {"20040230", false, false},
        {"20030229", false, false},
        {"19000229", false, false},
        {"00000101", false, false},
        {"2004031", false, false},
        {"200403055", false, false},
        {"2004+305", false, false},
        {"2004 305", false, false},
        {"0000ABCD", false, false},
        {withNul, false, false},
        {"\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidDate8(c.text), c.valid) << c.text;
        EXPECT_EQ(Date8ToDate(c.text) != 0, c.readable) << c.text;
    }
    EXPECT_EQ(Date8ToDate("17521231"), ValueOf(sys_days{year{1752} / December / 31}));
}

TEST(Date8, DaysInMonthFollowsTheGregorianCalendar) {
    for (int y = 1; y <= 9999; y += (y > 1500 && y < 2500) ? 1 : 97) {
        for (unsigned m = 1; m <= 12; ++m) {
            const unsigned expected =
                static_cast<unsigned>(year_month_day_last{year{y} / month{m} / last}.day());
            ASSERT_EQ(DaysInMonth(y, static_cast<int>(m)), static_cast<int>(expected))
                << y << "/" << m;
        }
    }
    EXPECT_EQ(DaysInMonth(2004, 0), 0);
    EXPECT_EQ(DaysInMonth(2004, 13), 0);
    EXPECT_EQ(DaysInMonth(2004, -1), 0);
}

// ---- ShiftDate ----------------------------------------------------------------------------------

TEST(ShiftDate, MovesEveryDayByMonthsYearsAndDaysAsTheCalendarDoes) {
    // Every other day: the odd month lengths still bring every day of the month round.
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{2}) {
        const year_month_day date{day};
        const Variant text(Date8(date));
        for (int n = -13; n <= 13; ++n) {
            ASSERT_EQ(ShiftDate(text, "M", n), Date8(AddMonths(date, n)))
                << Date8(date) << " by " << n << " months";
        }
    }
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{5}) {
        const year_month_day date{day};
        for (int n = -13; n <= 13; ++n) {
            ASSERT_EQ(ShiftDate(ValueOf(day), "y", n), Date8(AddYears(date, n)))
                << Date8(date) << " by " << n << " years";
            ASSERT_EQ(ShiftDate(ValueOf(day), "D", n * 37), Date8(day + days{n * 37}))
                << Date8(date) << " by " << n * 37 << " days";
        }
    }
}

TEST(ShiftDate, HandlesKindsUnitsAndTheCalendarsEdges) {
    struct Case {
        Variant date;
        std::string unit;
        int n;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"20040131", "M", 1, "20040229"},
        {"20040229", "Y", 1, "20050228"},
        {"20040315", "m", -3, "20031215"},
        {"20041215", "M", 1, "20050115"},
        {"20040115", "M", -1, "20031215"},
        {"20040305", "D", 0, "20040305"},
        {Variant::OleStr("20040305"), "d", 1, "20040306"},
        {Variant::FromDate(EncodeDate(2004, 3, 5) + 0.75), "D", 1, "20040306"},
        {"20040305", "W", 1, ""},
        {"20040305", "", 1, ""},
        {"20040305", "MM", 1, ""},
        {"2004035", "D", 1, ""},
        {"garbage!", "D", 1, ""},
        {Variant::FromDate(0), "D", 1, ""},
        {Variant(38051.0), "D", 1, ""},
        {Variant(20040305), "D", 1, ""},
        {Variant(), "D", 1, ""},
        {Variant(VarNullValue), "D", 1, ""},
        {ArrayOf({"20040305"}), "D", 1, ""},
        {"99991231", "D", 1, ""},
        {"99991231", "D", 0, "99991231"},
        {"00010101", "D", -1, ""},
        {"99991215", "M", 1, ""},
        {"00010115", "M", -1, ""},
        {"20040305", "Y", 8000, ""},
        {"20040305", "M", 2147483647, ""},
        {"20040305", "Y", -2147483647 - 1, ""},
        {"20040305", "D", 2147483647, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShiftDate(c.date, c.unit, c.n), c.expected)
            << VarToStr(VarIsArray(c.date) ? Variant() : c.date) << " " << c.unit << " " << c.n;
    }
}

// ---- FirstPeriodDate ----------------------------------------------------------------------------

// The oracle's idea of each period: the next matching day, then whole periods further on.
std::string ExpectedWeekly(sys_days day, int interval, int weekday) {
    const sys_days next =
        day + (std::chrono::weekday{static_cast<unsigned>(weekday)} - std::chrono::weekday{day});
    return Date8(next + weeks{interval - 1});
}

std::string ExpectedMonthlyDay(sys_days day, int interval, int dayOfMonth) {
    const year_month_day date{day};
    const int offset = static_cast<unsigned>(date.day()) <= static_cast<unsigned>(dayOfMonth)
                           ? interval - 1
                           : interval;
    const year_month target = year_month{date.year(), date.month()} + months{offset};
    return Date8(ClampedToMonth(target, std::chrono::day{static_cast<unsigned>(dayOfMonth)}));
}

sys_days WeekdayInMonth(year_month target, int occurrence, int weekday) {
    const std::chrono::weekday wd{static_cast<unsigned>(weekday)};
    if (occurrence == 4) {
        return sys_days{target / wd[last]};
    }
    return sys_days{target / wd[static_cast<unsigned>(occurrence + 1)]};
}

std::string ExpectedMonthlyWeekday(sys_days day, int interval, int occurrence, int weekday) {
    const year_month_day date{day};
    const year_month thisMonth{date.year(), date.month()};
    sys_days result = WeekdayInMonth(thisMonth + months{interval - 1}, occurrence, weekday);
    if (result < day) {
        result = WeekdayInMonth(thisMonth + months{interval}, occurrence, weekday);
    }
    return Date8(result);
}

struct PeriodForm {
    Variant period;
    std::string description;
    std::string (*expected)(sys_days, const PeriodForm&);
    int a = 0, b = 0, c = 0;
};

std::vector<PeriodForm> EveryPeriodForm() {
    std::vector<PeriodForm> forms;
    for (int n = 1; n <= 3; ++n) {
        for (int w = 0; w <= 6; ++w) {
            forms.push_back(
                {WeeklyPeriod(n, w), "weekly " + std::to_string(n) + "/" + std::to_string(w),
                 [](sys_days d, const PeriodForm& f) { return ExpectedWeekly(d, f.a, f.b); }, n,
                 w});
        }
        for (int dd = 1; dd <= 31; ++dd) {
            forms.push_back(
                {MonthlyDayPeriod(n, dd),
                 "monthly " + std::to_string(n) + " day " + std::to_string(dd),
                 [](sys_days d, const PeriodForm& f) { return ExpectedMonthlyDay(d, f.a, f.b); }, n,
                 dd});
        }
        for (int k = 0; k <= 4; ++k) {
            for (int w = 0; w <= 6; ++w) {
                forms.push_back({MonthlyWeekdayPeriod(n, k, w),
                                 "monthly " + std::to_string(n) + " occurrence " +
                                     std::to_string(k) + " weekday " + std::to_string(w),
                                 [](sys_days d, const PeriodForm& f) {
                                     return ExpectedMonthlyWeekday(d, f.a, f.b, f.c);
                                 },
                                 n, k, w});
            }
        }
    }
    return forms;
}

TEST(FirstPeriodDate, AgreesWithTheCalendarForEveryPeriodForm) {
    const std::vector<PeriodForm> forms = EveryPeriodForm();
    // Each form sees every 17th day (17 is coprime to the week and to the month lengths,
    // so every form still meets every weekday and every day of the month).
    constexpr int Stride = 17;
    int dayIndex = 0;
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{1}, ++dayIndex) {
        const std::string date8 = Date8(day);
        for (std::size_t i = 0; i < forms.size(); ++i) {
            if ((dayIndex + static_cast<int>(i)) % Stride != 0) {
                continue;
            }
            const PeriodForm& form = forms[i];
            ASSERT_EQ(FirstPeriodDate(date8, form.period), form.expected(day, form))
                << date8 << " " << form.description;
        }
        ASSERT_EQ(FirstPeriodDate(date8, ArrayOf({0, 1})), date8);
    }
}

TEST(FirstPeriodDate, GivesNothingForHourlyUnknownAndMalformedPeriods) {
    const std::vector<Variant> periods{
        ArrayOf({3, 2}),
        ArrayOf({7, ArrayOf({1, 1})}),
        MonthlyWeekdayPeriod(1, 5, 1),
        MonthlyWeekdayPeriod(1, 0, 7),
        ArrayOf({2, ArrayOf({2, 1, 1})}),
        WeeklyPeriod(0, 3),
        WeeklyPeriod(1, -1),
        MonthlyDayPeriod(1, 0),
        MonthlyDayPeriod(1, 32),
        ArrayOf({1, ArrayOf({1})}),
        ArrayOf({1}),
        ArrayOf({"x", ArrayOf({1, 1})}),
        Variant(),
        Variant("20040305"),
    };
    for (const Variant& period : periods) {
        EXPECT_EQ(FirstPeriodDate("20040305", period), "");
    }
    EXPECT_EQ(FirstPeriodDate("2004030", WeeklyPeriod(1, 1)), "");
    EXPECT_EQ(FirstPeriodDate("99991231", WeeklyPeriod(2, 1)), "");
}

TEST(FirstPeriodDate, KnownDates) {
    // 5 March 2004 is a Friday (5).
    EXPECT_EQ(FirstPeriodDate("20040305", WeeklyPeriod(1, 5)), "20040305");
    EXPECT_EQ(FirstPeriodDate("20040415", MonthlyDayPeriod(1, 31)), "20040430");
    EXPECT_EQ(FirstPeriodDate("20040115", MonthlyDayPeriod(1, 31)), "20040131");
    EXPECT_EQ(FirstPeriodDate("20040131", MonthlyDayPeriod(1, 30)), "20040229");
    // The first Monday of March 2004 was the 1st: next month's first Monday is 5 April.
    EXPECT_EQ(FirstPeriodDate("20040305", MonthlyWeekdayPeriod(1, 0, 1)), "20040405");
    EXPECT_EQ(FirstPeriodDate("20040305", MonthlyWeekdayPeriod(1, 4, 3)), "20040331");
}

// ---- Date-shift rules ---------------------------------------------------------------------------

TEST(ShiftRuleDate, WeekEdgesMatchTheCalendarsWeeks) {
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{3}) {
        const std::string date8 = Date8(day);
        for (int n = -2; n <= 2; ++n) {
            const sys_days moved = day + weeks{n};
            const days sinceSunday{std::chrono::weekday{moved}.c_encoding()};
            ASSERT_EQ(WeekEdgeDate(date8, n, "1"), Date8(moved - sinceSunday)) << date8 << n;
            ASSERT_EQ(WeekEdgeDate(date8, n, "2"), Date8(moved - sinceSunday + days{6}))
                << date8 << n;
        }
    }
}

TEST(ShiftRuleDate, MonthUnitsGiveTheShiftedMonthsEdgesAndDays) {
    for (sys_days day = RangeFirst; day <= RangeLast; day += days{5}) {
        const year_month_day date{day};
        const std::string date8 = Date8(date);
        for (int n = -13; n <= 13; n += 2) {
            const year_month_day moved = AddMonths(date, n);
            const year_month ym{moved.year(), moved.month()};
            const std::string count = std::to_string(n);
            ASSERT_EQ(ShiftRuleDate(date8, count, "1", "1", "0"), Date8(ym / 1d)) << date8 << n;
            ASSERT_EQ(ShiftRuleDate(date8, count, "1", "2", "0"), Date8(year_month_day{ym / last}))
                << date8 << n;
            ASSERT_EQ(ShiftRuleDate(date8, count, "1", "0", "-3"), Date8(sys_days{moved} - days{3}))
                << date8 << n;
        }
    }
}

TEST(ShiftRuleDate, KnownCases) {
    struct Case {
        std::string date, count, unit, kind, days, expected;
    };
    const std::vector<Case> cases{
        {"200403", "2", "0", "0", "5", "200405"},      {"200411", "2", "1", "1", "0", "200501"},
        {"200401", "-1", "1", "2", "0", "200312"},     {"20040310", "0", "0", "1", "0", "20040307"},
        {"20040310", "0", "0", "2", "0", "20040313"},  {"20040310", "1", "0", "0", "2", "20040319"},
        {"20040310", "-1", "0", "0", "0", "20040303"}, {"20040131", "1", "1", "9", "0", "20040229"},
        {"20040131", "1", "M", "0", "1", "20040301"},  {"xx", "1", "1", "0", "0", ""},
        {"abcdefgh", "1", "1", "0", "0", ""},          {"99991231", "1", "0", "0", "0", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShiftRuleDate(c.date, c.count, c.unit, c.kind, c.days), c.expected)
            << c.date << " " << c.count << " " << c.unit << " " << c.kind << " " << c.days;
    }
    EXPECT_THROW(ShiftRuleDate("20040310", "x", "0", "0", "0"), EConvertError);
    EXPECT_THROW(ShiftRuleDate("20040310", "1", "0", "0", ""), EConvertError);
    EXPECT_THROW(ShiftRuleDate("200403", "1", "0", "0", "1.5"), EConvertError);
}

// A parameter set as the scheduler keeps it: [_, values 1..n, period, rules].
class ShiftConditionDatesTest : public ::testing::Test {
protected:
    static std::string Rule(std::vector<std::string> fields) {
        std::string record;
        for (const std::string& field : fields) {
            record += field + RecordSeparator;
        }
        return record;
    }

    Variant ParameterSet(std::vector<std::string> rules) {
        Variant ruleList = VarArrayCreate({0, static_cast<int>(rules.size())}, varVariant);
        ruleList[0] = static_cast<int>(rules.size());
        for (std::size_t i = 0; i < rules.size(); ++i) {
            ruleList[static_cast<int>(i) + 1] = rules[i];
        }
        return ArrayOf({Variant(), values, ArrayOf({0, 1}), ruleList});
    }

    void SetUp() override {
        values = VarArrayCreate({1, 3}, varVariant);
        values[1] = "20000101";
        values[2] = ArrayOf({Variant(), "20000101", "20000131"});
        values[3] = "200001";
    }

    Variant values;
};

TEST_F(ShiftConditionDatesTest, AppliesSingleAndRangeRulesFromTheRunDate) {
    const Variant result = ShiftConditionDates(
        ParameterSet({
            // single date: one month back, first day of that month
            Rule({"1", "", "Y", "-1", "1", "1", "0", "D", "1"}),
            // range: start = run date itself, end = Saturday of next week
            Rule({"0", "", "Y", "0", "1", "0", "0", "Y", "1", "0", "2", "0", "D", "2"}),
            // year-month: one month on
            Rule({"1", "", "Y", "1", "1", "0", "0", "M", "3"}),
        }),
        "20040310");
    ASSERT_TRUE(VarIsArray(result));
    EXPECT_EQ(VarToStr(result[1]), "20040201");
    EXPECT_EQ(VarToStr(result[2][1]), "20040310");
    EXPECT_EQ(VarToStr(result[2][2]), "20040320");
    EXPECT_EQ(VarToStr(result[3]), "200404");
}

TEST_F(ShiftConditionDatesTest, LeavesValuesWhoseRuleDoesNotShift) {
    const Variant result = ShiftConditionDates(
        ParameterSet({
            Rule({"1", "", "N", "-1", "1", "1", "0", "D", "1"}),
            Rule({"0", "", "N", "0", "1", "0", "0", "Y", "0", "1", "0", "0", "M", "2"}),
        }),
        "20040310");
    ASSERT_TRUE(VarIsArray(result));
    EXPECT_EQ(VarToStr(result[1]), "20000101");
    EXPECT_EQ(VarToStr(result[2][1]), "20000101");
    EXPECT_EQ(VarToStr(result[2][2]), "200403");
}

TEST_F(ShiftConditionDatesTest, AnyFailureGivesAnEmptyText) {
    const std::vector<Variant> sets{
        ParameterSet({Rule({"1", "", "Y", "x", "1", "1", "0", "D", "1"})}),
        ParameterSet({Rule({"1", "", "Y", "1", "1", "1", "0", "D", "9"})}),
        ParameterSet({Rule({"1", "", "Y", "1", "1", "1", "0", "D", "abc"})}),
        ParameterSet({Rule({"0", "", "Y", "1", "1", "1", "0", "N", "", "", "", "", "D", "1"})}),
        ArrayOf({Variant(), values, Variant(), ArrayOf({2147483647, "x"})}),
        ArrayOf({Variant(), values}),
        Variant("not a set"),
        Variant(),
    };
    for (const Variant& set : sets) {
        const Variant result = ShiftConditionDates(set, "20040310");
        EXPECT_EQ(VarType(result), varString);
        EXPECT_EQ(VarToStr(result), "");
    }
}

// ---- Malformed input ----------------------------------------------------------------------------

TEST(DateRoutines, SurviveRandomBytes) {
    std::mt19937 random(20040305);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 12);
    const std::string alphabet = "0123456789/-+ ";
    for (int i = 0; i < 4000; ++i) {
        std::string text;
        const int n = length(random);
        for (int k = 0; k < n; ++k) {
            // Half the texts are nearly dates, so the parsers get past their first checks.
            text.push_back(
                i % 2 ? static_cast<char>(byte(random))
                      : alphabet[static_cast<std::size_t>(byte(random)) % alphabet.size()]);
        }
        const std::string shifted = ShiftDate(Variant(text), "M", 1);
        EXPECT_TRUE(shifted.empty() || IsValidDate8(shifted)) << shifted;
        const TDateTime parsed = CodeTextToDate(text, 1 + i % 5, "/");
        EXPECT_TRUE(parsed == 0 || !DateToCodeText(1, "/", parsed).empty());
        (void)Date8ToDate(text);
        (void)IsValidDate8(text);
        (void)FirstPeriodDate(text, MonthlyWeekdayPeriod(1, 4, 6));
        (void)WeekEdgeDate(text, 1, "1");
        try {
            (void)ShiftRuleDate(text, text, text, text, text);
        } catch (const EConvertError&) {
        }
    }
}

} // namespace
