#include "DateUtils.h"

#include "SysUtils.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <locale.h>
#include <optional>

namespace {

constexpr std::int64_t kMSecsPerDay = 86'400'000;
constexpr int kMSecsPerSecond = 1000;
constexpr int kSecsPerMinute = 60;
constexpr int kMinutesPerHour = 60;
constexpr int kHoursPerDay = 24;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
constexpr int kMonthsPerYear = 12;
constexpr std::int64_t kUnixEpochOleDay = 25569;    // 1970-01-01
constexpr std::int64_t kMinOleDay = -693593;        // 0001-01-01
constexpr std::int64_t kMaxOleDay = 2958465;        // 9999-12-31
constexpr std::int64_t kDaysToFirstSunday = 693594; // DayOfWeek counts from 0001-01-01
constexpr int kDaysPerWeek = 7;
constexpr int kTwoDigitYear = 100;

constexpr std::array<const char*, 12> kShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDayNames = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

// A date value as whole days and milliseconds of the day. The day is the integral part
// (towards zero) and the fraction always counts forward from that day's midnight.
struct DayAndTime {
    std::int64_t day = 0;
    std::int64_t msec = 0;
};

std::optional<DayAndTime> Split(TDateTime value) {
    if (!std::isfinite(value) || value < kMinOleDay - 1 || value > kMaxOleDay + 1) {
        return std::nullopt;
    }
    DayAndTime result;
    const double whole = std::trunc(value);
    result.day = static_cast<std::int64_t>(whole);
    result.msec = std::llround(std::fabs(value - whole) * static_cast<double>(kMSecsPerDay));
    if (result.msec >= kMSecsPerDay) {
        result.msec -= kMSecsPerDay;
        ++result.day;
    }
    if (result.day < kMinOleDay || result.day > kMaxOleDay) {
        return std::nullopt;
    }
    return result;
}

struct DateParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int dayOfWeek = 0;
};

DateParts Decode(TDateTime value) {
    DateParts parts;
    const auto split = Split(value);
    if (!split) {
        return parts;
    }
    CivilFromDays(split->day - kUnixEpochOleDay, parts.year, parts.month, parts.day);
    std::int64_t msec = split->msec;
    parts.msec = static_cast<int>(msec % kMSecsPerSecond);
    msec /= kMSecsPerSecond;
    parts.second = static_cast<int>(msec % kSecsPerMinute);
    msec /= kSecsPerMinute;
    parts.minute = static_cast<int>(msec % kMinutesPerHour);
    parts.hour = static_cast<int>(msec / kMinutesPerHour);
    parts.dayOfWeek = static_cast<int>((split->day + kDaysToFirstSunday) % kDaysPerWeek) + 1;
    return parts;
}

void AppendNumber(std::string& out, long value, int width) {
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
    out.append(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendFormatted(std::string& out, std::string_view format, const DateParts& parts,
                     TDateTime value);

// One token: its letter (upper case) and how often it repeats (letters in any case).
std::size_t CountRepeats(std::string_view format, std::size_t pos) {
    const char letter = Upper(format[pos]);
    std::size_t end = pos + 1;
    while (end < format.size() && Upper(format[end]) == letter) {
        ++end;
    }
    return end - pos;
}

void AppendYear(std::string& out, const DateParts& parts, std::size_t count) {
    if (count <= 2) {
        AppendNumber(out, parts.year % kTwoDigitYear, 2);
    } else {
        AppendNumber(out, parts.year, 4);
    }
}

void AppendMonth(std::string& out, const DateParts& parts, std::size_t count) {
    const bool named = count >= 3 && parts.month >= 1;
    if (named) {
        const auto index = static_cast<std::size_t>(parts.month - 1);
        out += count == 3 ? kShortMonthNames[index] : kLongMonthNames[index];
        return;
    }
    AppendNumber(out, parts.month, count == 1 ? 1 : 2);
}

void AppendDay(std::string& out, const DateParts& parts, std::size_t count, TDateTime value) {
    if (count <= 2) {
        AppendNumber(out, parts.day, static_cast<int>(count));
        return;
    }
    if (count >= 5) {
        AppendFormatted(out, "yyyy/mm/dd", parts, value);
        return;
    }
    if (parts.dayOfWeek >= 1) {
        const auto index = static_cast<std::size_t>(parts.dayOfWeek - 1);
        out += count == 3 ? kShortDayNames[index] : kLongDayNames[index];
    }
}

void AppendFormatted(std::string& out, std::string_view format, const DateParts& parts,
                     TDateTime value) {
    char lastLetter = '\0';
    for (std::size_t pos = 0; pos < format.size();) {
        const char c = format[pos];
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, pos + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(pos + 1, end - pos - 1));
            pos = end == format.size() ? end : end + 1;
            continue;
        }
        char token = Upper(c);
        if (IsAsciiLetter(c)) {
            if (token == 'M' && lastLetter == 'H') {
                token = 'N'; // minutes, as in "hh:mm" or "HHMMSS"
            }
            lastLetter = token;
        }
        const std::size_t count = IsAsciiLetter(c) ? CountRepeats(format, pos) : 1;
        const int width = count == 1 ? 1 : 2;
        switch (token) {
        case 'Y':
            AppendYear(out, parts, count);
            break;
        case 'M':
            AppendMonth(out, parts, count);
            break;
        case 'D':
            AppendDay(out, parts, count, value);
            break;
        case 'H':
            AppendNumber(out, parts.hour, width);
            break;
        case 'N':
            AppendNumber(out, parts.minute, width);
            break;
        case 'S':
            AppendNumber(out, parts.second, width);
            break;
        case 'Z':
            AppendNumber(out, parts.msec, count <= 2 ? 1 : 3);
            break;
        case 'C':
            out += DateTimeToStr(value);
            break;
        default:
            out.append(format.substr(pos, count));
            break;
        }
        pos += count;
    }
}

// A run of 1..maxDigits digits at pos.
std::optional<int> ReadNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
    const std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && pos - start < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start) {
        return std::nullopt;
    }
    return value;
}

bool ReadChar(std::string_view text, std::size_t& pos, char expected) {
    if (pos < text.size() && text[pos] == expected) {
        ++pos;
        return true;
    }
    return false;
}

constexpr std::size_t kYearDigits = 4;
constexpr std::size_t kFieldDigits = 2;
constexpr std::size_t kMSecDigits = 3;

bool ParseDate(std::string_view text, std::size_t& pos, TDateTime& result) {
    const auto year = ReadNumber(text, pos, kYearDigits);
    if (!year || pos >= text.size() || (text[pos] != '/' && text[pos] != '-')) {
        return false;
    }
    const char separator = text[pos++];
    const auto month = ReadNumber(text, pos, kFieldDigits);
    if (!month || !ReadChar(text, pos, separator)) {
        return false;
    }
    const auto day = ReadNumber(text, pos, kFieldDigits);
    return day && TryEncodeDate(*year, *month, *day, result);
}

bool ParseTime(std::string_view text, std::size_t& pos, TDateTime& result) {
    const auto hour = ReadNumber(text, pos, kFieldDigits);
    if (!hour || !ReadChar(text, pos, ':')) {
        return false;
    }
    const auto minute = ReadNumber(text, pos, kFieldDigits);
    if (!minute) {
        return false;
    }
    std::optional<int> second = 0;
    std::optional<int> msec = 0;
    if (ReadChar(text, pos, ':')) {
        second = ReadNumber(text, pos, kFieldDigits);
        if (second && (ReadChar(text, pos, '.') || ReadChar(text, pos, ':'))) {
            msec = ReadNumber(text, pos, kMSecDigits);
        }
    }
    return second && msec && TryEncodeTime(*hour, *minute, *second, *msec, result);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Restores the calling thread's locale when formatting is done.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t CLocale() {
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
        return locale;
    }
    locale_t previous_;
};

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > kMonthsPerYear) {
        return 0;
    }
    return kDays[static_cast<std::size_t>(month - 1)] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < kMinYear || year > kMaxYear || day < 1 || day > DaysInAMonth(year, month)) {
        return false;
    }
    result = static_cast<TDateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kUnixEpochOleDay);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
    if (hour < 0 || hour >= kHoursPerDay || minute < 0 || minute >= kMinutesPerHour || second < 0 ||
        second >= kSecsPerMinute || millisecond < 0 || millisecond >= kMSecsPerSecond) {
        return false;
    }
    const std::int64_t msec =
        ((std::int64_t{hour} * kMinutesPerHour + minute) * kSecsPerMinute + second) *
            kMSecsPerSecond +
        millisecond;
    result = static_cast<double>(msec) / static_cast<double>(kMSecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result)) {
        throw EConvertError(Format("Invalid argument to date encode (%d/%d/%d)", year, month, day));
    }
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
        throw EConvertError(Format("Invalid argument to time encode (%d:%d:%d.%d)", hour, minute,
                                   second, millisecond));
    }
    return result;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    const double day = std::trunc(date);
    const double fraction = std::fabs(time - std::trunc(time));
    return day < 0 ? day - fraction : day + fraction;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    const DateParts parts = Decode(value);
    year = parts.year;
    month = parts.month;
    day = parts.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
    const DateParts parts = Decode(value);
    hour = parts.hour;
    minute = parts.minute;
    second = parts.second;
    millisecond = parts.msec;
}

int DayOfWeek(TDateTime value) {
    return Decode(value).dayOfWeek;
}

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    constexpr int kTmYearBase = 1900;
    constexpr int kLastSecond = 59; // a leap second reads as the one before it
    constexpr long kNanosPerMilli = 1'000'000;
    const TDateTime day = EncodeDate(local.tm_year + kTmYearBase, local.tm_mon + 1, local.tm_mday);
    const TDateTime time =
        EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, kLastSecond),
                   static_cast<int>(now.tv_nsec / kNanosPerMilli));
    return ComposeDateTime(day, time);
}

TDateTime Date() {
    return std::trunc(Now());
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    if (format.empty()) {
        return DateTimeToStr(value);
    }
    std::string out;
    AppendFormatted(out, format, Decode(value), value);
    return out;
}

std::string DateTimeToStr(TDateTime value) {
    const DateParts parts = Decode(value);
    std::string out;
    AppendFormatted(out, "yyyy/mm/dd", parts, value);
    if (parts.hour != 0 || parts.minute != 0 || parts.second != 0) {
        AppendFormatted(out, " hh:nn:ss", parts, value);
    }
    return out;
}

bool TryStrToDateTime(std::string_view text, TDateTime& result) {
    text = Trim(text);
    std::size_t pos = 0;
    TDateTime date = 0;
    TDateTime time = 0;
    if (ParseTime(text, pos, time) && pos == text.size()) {
        result = time;
        return true;
    }
    pos = 0;
    if (!ParseDate(text, pos, date)) {
        return false;
    }
    if (pos < text.size()) {
        const std::size_t gap = pos;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) {
            ++pos;
        }
        if (pos == gap || !ParseTime(text, pos, time) || pos != text.size()) {
            return false;
        }
    }
    result = ComposeDateTime(date, time);
    return true;
}

TDateTime StrToDateTime(std::string_view text) {
    TDateTime result = 0;
    if (!TryStrToDateTime(text, result)) {
        throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
    }
    return result;
}

std::string FormatV(const char* format, va_list args) {
    const CLocaleScope cLocale;
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = FormatV(format, args);
    va_end(args);
    return out;
}
