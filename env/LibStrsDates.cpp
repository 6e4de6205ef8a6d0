// Dates in their displayed, stored (date-8 "YYYYMMDD", year-month "YYYYMM") and shifted
// forms, and the evaluation of a condition scheme's date-shift rules.
#include "LibStrs.h"
#include "SysUtils.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

constexpr int MinYear = 1;
constexpr int MaxYear = 9999;
constexpr int DaysPerWeek = 7;
constexpr int MonthsPerYear = 12;
constexpr std::size_t Date8Length = 8;
constexpr std::size_t YearMonthLength = 6;
constexpr std::string_view FirstValidDate8 = "17530101";
constexpr std::string_view LastValidDate8 = "99991231";

// Period kinds and forms of a schedule's period array.
constexpr int PeriodDaily = 0;
constexpr int PeriodWeekly = 1;
constexpr int PeriodMonthly = 2;
constexpr int MonthlyOnDay = 0;
constexpr int MonthlyOnWeekday = 1;
constexpr int LastOccurrence = 4;

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// A whole day of the calendar, counted as date values count (0 = 30 December 1899).
using DayNumber = std::int64_t;

std::optional<DayNumber> DayOf(const CivilDate& date) {
    TDateTime value = 0;
    if (!TryEncodeDate(date.year, date.month, date.day, value)) {
        return std::nullopt;
    }
    return static_cast<DayNumber>(value);
}

// 1 January 0001 and 31 December 9999 as day numbers.
constexpr DayNumber FirstDay = -693593;
constexpr DayNumber LastDay = 2958465;

bool InCalendar(DayNumber day) {
    return day >= FirstDay && day <= LastDay;
}

CivilDate CivilOf(DayNumber day) {
    CivilDate date;
    DecodeDate(static_cast<TDateTime>(day), date.year, date.month, date.day);
    return date;
}

// The whole day a date value falls on; nullopt outside years 1..9999.
std::optional<DayNumber> DayOfValue(TDateTime value) {
    if (!(value > FirstDay - 1 && value < LastDay + 1)) {
        return std::nullopt;
    }
    CivilDate date;
    DecodeDate(value, date.year, date.month, date.day);
    return DayOf(date);
}

// 0 = Sunday ... 6 = Saturday.
int WeekdayOf(DayNumber day) {
    return DayOfWeek(static_cast<TDateTime>(day)) - 1;
}

// (value mod 7) taken in 0..6.
int PositiveMod7(int value) {
    return ((value % DaysPerWeek) + DaysPerWeek) % DaysPerWeek;
}

std::string Padded(std::int64_t value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*lld", width, static_cast<long long>(value));
    return buffer;
}

std::string Date8Of(const CivilDate& date) {
    return Padded(date.year, 4) + Padded(date.month, 2) + Padded(date.day, 2);
}

std::string Date8OfDay(DayNumber day) {
    return InCalendar(day) ? Date8Of(CivilOf(day)) : "";
}

// A date-8 part: its digits as a number, 0 when it is empty or has any other character.
int DigitsValue(std::string_view part) {
    if (part.empty()) {
        return 0;
    }
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<CivilDate> ParseDate8Parts(std::string_view text) {
    if (text.size() != Date8Length) {
        return std::nullopt;
    }
    const CivilDate date{DigitsValue(text.substr(0, 4)), DigitsValue(text.substr(4, 2)),
                         DigitsValue(text.substr(6, 2))};
    if (date.year == 0 || date.month == 0 || date.day == 0 || !DayOf(date)) {
        return std::nullopt;
    }
    return date;
}

std::optional<DayNumber> DayOfDate8(std::string_view text) {
    const auto date = ParseDate8Parts(text);
    return date ? DayOf(*date) : std::nullopt;
}

// The first UTF-8 character of the separator; only that one is written between parts.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty()) {
        return text;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    return text.substr(0, std::min(length, text.size()));
}

bool IsDisplayCode(int code) {
    return code >= dt_YYYYMMDD && code <= dt_YYYMMDD;
}

int MinguoYear(int year) {
    return year - MinguoYearOffset;
}

std::string Joined(std::string_view sep, const std::string& a, const std::string& b) {
    return a + std::string(sep) + b;
}

std::string Joined(std::string_view sep, const std::string& a, const std::string& b,
                   const std::string& c) {
    return Joined(sep, Joined(sep, a, b), c);
}

// The date a date value or a date-8 text variant names.
std::optional<DayNumber> DayOfVariant(const Variant& value) {
    const Variant& target = value.Deref();
    switch (target.VType()) {
    case varDate:
        // The date value 0 means no date.
        return target.AsDate() == 0 ? std::nullopt : DayOfValue(target.AsDate());
    case varString:
    case varOleStr:
        return DayOfDate8(target.AsString());
    default:
        return std::nullopt;
    }
}

std::optional<DayNumber> AddMonthsClamped(DayNumber day, std::int64_t months) {
    const CivilDate date = CivilOf(day);
    const std::int64_t total = std::int64_t{date.year} * MonthsPerYear + date.month + months;
    std::int64_t year = total / MonthsPerYear;
    std::int64_t month = total % MonthsPerYear;
    if (month == 0) {
        month = MonthsPerYear;
        --year;
    }
    if (year < MinYear || year > MaxYear) {
        return std::nullopt;
    }
    const CivilDate moved{
        static_cast<int>(year), static_cast<int>(month),
        std::min(date.day, DaysInMonth(static_cast<int>(year), static_cast<int>(month)))};
    return DayOf(moved);
}

std::optional<DayNumber> AddYearsClamped(DayNumber day, std::int64_t years) {
    return AddMonthsClamped(day, years * MonthsPerYear);
}

std::optional<DayNumber> AddDays(DayNumber day, std::int64_t days) {
    const DayNumber moved = day + days;
    return InCalendar(moved) ? std::optional<DayNumber>(moved) : std::nullopt;
}

std::optional<DayNumber> ShiftDay(DayNumber day, std::string_view unit, std::int64_t n) {
    if (unit.size() != 1) {
        return std::nullopt;
    }
    switch (unit[0]) {
    case 'Y':
    case 'y':
        return AddYearsClamped(day, n);
    case 'M':
    case 'm':
        return AddMonthsClamped(day, n);
    case 'D':
    case 'd':
        return AddDays(day, n);
    default:
        return std::nullopt;
    }
}

std::string ShiftDate8(std::string_view date8, std::string_view unit, std::int64_t n) {
    const auto day = DayOfDate8(date8);
    const auto shifted = day ? ShiftDay(*day, unit, n) : std::nullopt;
    return shifted ? Date8OfDay(*shifted) : std::string();
}

DayNumber FirstOfMonth(DayNumber day) {
    const CivilDate date = CivilOf(day);
    return *DayOf({date.year, date.month, 1});
}

DayNumber LastOfMonth(DayNumber day) {
    const CivilDate date = CivilOf(day);
    return *DayOf({date.year, date.month, DaysInMonth(date.year, date.month)});
}

// An integer element of a schedule array.
int IntegerAt(const Variant& array, int index) {
    return array.Deref()[index].Deref().AsInteger();
}

std::string WeeklyFirstDate(DayNumber day, const Variant& parameters) {
    const int interval = IntegerAt(parameters, 0);
    const int weekday = IntegerAt(parameters, 1);
    if (interval < 1 || weekday < 0 || weekday >= DaysPerWeek) {
        return {};
    }
    const int today = WeekdayOf(day);
    const std::int64_t weeks = weekday >= today ? interval - 1 : interval;
    const auto result = AddDays(day, DaysPerWeek * weeks + (weekday - today));
    return result ? Date8OfDay(*result) : std::string();
}

std::string MonthlyOnDayFirstDate(DayNumber day, const Variant& parameters) {
    const int interval = IntegerAt(parameters, 1);
    const int dayOfMonth = IntegerAt(parameters, 2);
    constexpr int MaxDayOfMonth = 31;
    if (interval < 1 || dayOfMonth < 1 || dayOfMonth > MaxDayOfMonth) {
        return {};
    }
    const int monthOffset = dayOfMonth >= CivilOf(day).day ? interval - 1 : interval;
    const auto month = AddMonthsClamped(day, monthOffset);
    if (!month) {
        return {};
    }
    std::string candidate = Date8OfDay(*month).substr(0, YearMonthLength) + Padded(dayOfMonth, 2);
    if (IsValidDate8(candidate)) {
        return candidate;
    }
    // Day 31 of a shorter month falls on its last day.
    return Date8OfDay(LastOfMonth(*month));
}

std::optional<DayNumber> WeekdayOccurrence(DayNumber day, int monthOffset, int occurrence,
                                           int weekday) {
    const auto month = AddMonthsClamped(day, monthOffset);
    if (!month) {
        return std::nullopt;
    }
    if (occurrence == LastOccurrence) {
        const DayNumber last = LastOfMonth(*month);
        return last - PositiveMod7(WeekdayOf(last) - weekday);
    }
    const DayNumber first = FirstOfMonth(*month);
    return first + PositiveMod7(weekday - WeekdayOf(first)) + DaysPerWeek * occurrence;
}

std::string MonthlyOnWeekdayFirstDate(DayNumber day, const Variant& parameters) {
    const int interval = IntegerAt(parameters, 1);
    const int occurrence = IntegerAt(parameters, 2);
    const int weekday = IntegerAt(parameters, 3);
    if (interval < 1 || occurrence < 0 || occurrence > LastOccurrence || weekday < 0 ||
        weekday >= DaysPerWeek) {
        return {};
    }
    auto result = WeekdayOccurrence(day, interval - 1, occurrence, weekday);
    if (result && *result < day) {
        result = WeekdayOccurrence(day, interval, occurrence, weekday);
    }
    return result ? Date8OfDay(*result) : std::string();
}

std::string MonthlyFirstDate(DayNumber day, const Variant& parameters) {
    switch (IntegerAt(parameters, 0)) {
    case MonthlyOnDay:
        return MonthlyOnDayFirstDate(day, parameters);
    case MonthlyOnWeekday:
        return MonthlyOnWeekdayFirstDate(day, parameters);
    default:
        return {};
    }
}

int RuleInteger(std::string_view text) {
    int value = 0;
    if (!TryTextToInt(text, value)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    }
    return value;
}

// Date-shift rule record fields (counted from 1).
constexpr int FieldConditionKind = 1;
constexpr std::string_view RangeConditionKind = "0";
constexpr int SingleShifted = 3;
constexpr int SingleDateType = 8;
constexpr int SinglePosition = 9;
constexpr int RangeStartShifted = 3;
constexpr int RangeEndShifted = 8;
constexpr int RangeDateType = 13;
constexpr int RangePosition = 14;
constexpr int RangeStartElement = 1;
constexpr int RangeEndElement = 2;

// Value array and rule list of a parameter set.
constexpr int ParameterValues = 1;
constexpr int ParameterRules = 3;

// One side of a rule: count, unit, kind and extra days from firstField on.
std::string RuleSideDate(const std::string& rule, int firstField, const std::string& baseDate) {
    const auto field = [&](int offset) {
        return GetField(rule, RecordSeparatorText, firstField + offset);
    };
    const std::string count = field(0);
    const std::string unit = field(1);
    const std::string kind = field(2);
    const std::string extraDays = field(3);
    if (count == "0" && kind == "0" && extraDays == "0") {
        return baseDate;
    }
    return ShiftRuleDate(baseDate, count, unit, kind, extraDays);
}

void ApplyRule(const std::string& rule, std::string_view runDate8, Variant& values) {
    const auto field = [&](int n) { return GetField(rule, RecordSeparatorText, n); };
    const bool isRange = field(FieldConditionKind) == RangeConditionKind;
    const bool fullDate = field(isRange ? RangeDateType : SingleDateType) == "D";
    const std::string baseDate(fullDate ? runDate8 : runDate8.substr(0, YearMonthLength));
    if (!isRange) {
        if (field(SingleShifted) == "Y") {
            values[RuleInteger(field(SinglePosition))] =
                RuleSideDate(rule, SingleShifted + 1, baseDate);
        }
        return;
    }
    Variant& pair = values[RuleInteger(field(RangePosition))].Deref();
    if (field(RangeStartShifted) == "Y") {
        pair[RangeStartElement] = RuleSideDate(rule, RangeStartShifted + 1, baseDate);
    }
    if (field(RangeEndShifted) == "Y") {
        pair[RangeEndElement] = RuleSideDate(rule, RangeEndShifted + 1, baseDate);
    }
}

} // namespace

// ---- Display forms ------------------------------------------------------------------------------

std::string DateToCodeText(int code, std::string_view separator, TDateTime date) {
    const auto day = DayOfValue(date);
    if (date == 0 || !day || !IsDisplayCode(code)) {
        return {};
    }
    const CivilDate parts = CivilOf(*day);
    const std::string_view sep = FirstCharacter(separator);
    const std::string month = Padded(parts.month, 2);
    const std::string dayText = Padded(parts.day, 2);
    switch (code) {
    case dt_YYYYMMDD:
        return Joined(sep, Padded(parts.year, 4), month, dayText);
    case dt_MMDDYYYY:
        return Joined(sep, month, dayText, Padded(parts.year, 4));
    case dt_DDMMYYYY:
        return Joined(sep, dayText, month, Padded(parts.year, 4));
    case dt_YYMMDD:
        return Joined(sep, Padded(MinguoYear(parts.year), 2), month, dayText);
    default:
        return Joined(sep, Padded(MinguoYear(parts.year), 3), month, dayText);
    }
}

std::string YearMonthToCodeText(int code, std::string_view separator, TDateTime date) {
    const auto day = DayOfValue(date);
    if (date == 0 || !day || !IsDisplayCode(code)) {
        return {};
    }
    const CivilDate parts = CivilOf(*day);
    const std::string_view sep = FirstCharacter(separator);
    const std::string month = Padded(parts.month, 2);
    switch (code) {
    case dt_YYYYMMDD:
        return Joined(sep, Padded(parts.year, 4), month);
    case dt_MMDDYYYY:
    case dt_DDMMYYYY:
        return Joined(sep, month, Padded(parts.year, 4));
    case dt_YYMMDD:
        return Joined(sep, Padded(MinguoYear(parts.year), 2), month);
    default:
        return Joined(sep, Padded(MinguoYear(parts.year), 3), month);
    }
}

TDateTime CodeTextToDate(std::string_view text, int code, std::string_view separator) {
    std::string rest(TrimBlanks(text));
    if (rest.empty() || !IsDisplayCode(code)) {
        return 0;
    }
    const auto readField = [](std::string_view field) {
        int value = -1;
        return TryTextToInt(TrimBlanks(field), value) ? std::int64_t{value} : std::int64_t{-1};
    };
    const std::int64_t first = readField(SplitHead(rest, separator));
    const std::int64_t second = readField(SplitHead(rest, separator));
    const std::int64_t third = readField(rest);
    if (first <= 0 || second <= 0 || third <= 0) {
        return 0;
    }
    std::int64_t year = first;
    std::int64_t month = second;
    std::int64_t day = third;
    switch (code) {
    case dt_MMDDYYYY:
        year = third, month = first, day = second;
        break;
    case dt_DDMMYYYY:
        year = third, month = second, day = first;
        break;
    case dt_YYMMDD:
    case dt_YYYMMDD:
        year = first + MinguoYearOffset;
        break;
    default:
        break;
    }
    if (year > MaxYear || month > MonthsPerYear) {
        return 0;
    }
    const auto firstOfMonth = DayOf({static_cast<int>(year), static_cast<int>(month), 1});
    // The day may run past the month's end, but not past the calendar's.
    const auto result = firstOfMonth ? AddDays(*firstOfMonth, day - 1) : std::nullopt;
    return result ? static_cast<TDateTime>(*result) : 0;
}

// ---- Stored forms -------------------------------------------------------------------------------

TDateTime Date8ToDate(std::string_view text) {
    const auto day = DayOfDate8(text);
    return day ? static_cast<TDateTime>(*day) : 0;
}

bool IsValidDate8(std::string_view text) {
    if (text.empty()) {
        return true;
    }
    return ParseDate8Parts(text).has_value() && text >= FirstValidDate8 && text <= LastValidDate8;
}

int DaysInMonth(int year, int month) {
    return DaysInAMonth(year, month);
}

// ---- Shifting -----------------------------------------------------------------------------------

std::string ShiftDate(const Variant& date, std::string_view unit, int n) {
    try {
        const auto day = DayOfVariant(date);
        const auto shifted = day ? ShiftDay(*day, unit, n) : std::nullopt;
        return shifted ? Date8OfDay(*shifted) : std::string();
    } catch (...) {
        return {};
    }
}

std::string ShiftDate(TDateTime date, std::string_view unit, int n) {
    return ShiftDate(Variant::FromDate(date), unit, n);
}

std::string FirstPeriodDate(std::string_view date8, const Variant& period) {
    try {
        const auto day = DayOfDate8(date8);
        if (!day) {
            return {};
        }
        const Variant& array = period.Deref();
        const Variant& parameters = array[1].Deref();
        switch (IntegerAt(array, 0)) {
        case PeriodDaily:
            return Date8OfDay(*day);
        case PeriodWeekly:
            return WeeklyFirstDate(*day, parameters);
        case PeriodMonthly:
            return MonthlyFirstDate(*day, parameters);
        default:
            return {};
        }
    } catch (...) {
        return {};
    }
}

std::string WeekEdgeDate(std::string_view date8, int n, std::string_view kind) {
    const auto day = DayOfDate8(date8);
    const auto moved = day ? AddDays(*day, std::int64_t{DaysPerWeek} * n) : std::nullopt;
    if (!moved) {
        return {};
    }
    const int weekday = WeekdayOf(*moved);
    const auto edge =
        kind == "1" ? AddDays(*moved, -weekday) : AddDays(*moved, DaysPerWeek - 1 - weekday);
    return edge ? Date8OfDay(*edge) : std::string();
}

std::string ShiftRuleDate(std::string_view date, std::string_view count, std::string_view unit,
                          std::string_view kind, std::string_view extraDays) {
    const int n = RuleInteger(count);
    const int days = RuleInteger(extraDays);
    if (date.size() <= YearMonthLength) {
        const std::string shifted = ShiftDate8(std::string(date) + "01", "M", n);
        return shifted.substr(0, std::min(shifted.size(), YearMonthLength));
    }
    if (unit == "0") {
        if (kind == "0") {
            return ShiftDate8(date, "D", std::int64_t{DaysPerWeek} * n + days);
        }
        return WeekEdgeDate(date, n, kind);
    }
    const auto day = DayOfDate8(date);
    const auto shifted = day ? AddMonthsClamped(*day, n) : std::nullopt;
    if (!shifted) {
        return {};
    }
    if (kind == "0") {
        const auto moved = AddDays(*shifted, days);
        return moved ? Date8OfDay(*moved) : std::string();
    }
    if (kind == "1") {
        return Date8OfDay(FirstOfMonth(*shifted));
    }
    if (kind == "2") {
        return Date8OfDay(LastOfMonth(*shifted));
    }
    return Date8OfDay(*shifted);
}

Variant ShiftConditionDates(const Variant& parameters, std::string_view runDate8) {
    try {
        const Variant& set = parameters.Deref();
        Variant values = set[ParameterValues].Deref();
        const Variant& rules = set[ParameterRules].Deref();
        const int ruleCount = IntegerAt(rules, 0);
        for (int i = 1; i <= ruleCount; ++i) {
            ApplyRule(VarToStr(rules[i].Deref()), runDate8, values);
        }
        return values;
    } catch (...) {
        return Variant(std::string());
    }
}
