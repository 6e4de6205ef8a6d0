// Date values (days since 30 December 1899, fraction = time of day) and their formatting.
// Before 1899-12-30 the value is negative and its fraction still counts forward from
// midnight: -1.25 is 1899-12-29 06:00. Years run from 1 to 9999.
#pragma once

#include "Variant.h"

#include <cstdarg>
#include <string>
#include <string_view>

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month); // 0 for a month outside 1..12

// Raise EConvertError for a date or time that does not exist (years 1..9999).
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// The date plus the time of day, also for dates before 1899-12-30.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);
// Values are rounded to the millisecond. A value outside years 1..9999 (or not finite)
// decodes as all zeros.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// 1 = Sunday ... 7 = Saturday (0 outside years 1..9999).
int DayOfWeek(TDateTime value);

TDateTime Now();
TDateTime Date();

// Formatting with the date tokens the suite uses, letters in any case:
// yyyy yy mm m dd d hh h nn n ss s zzz z, "mm"/"m" right after an hour token meaning
// minutes (only non-letters between them); mmm/mmmm and ddd/dddd are English month and day
// names, c is DateTimeToStr; "quoted" and 'quoted' text is copied; any other character is
// copied.
// E.g. "YYYYMMDD", "YYYY/MM/DD hh:nn:ss:zzz", "YYYYMMDDHHMMSS" (MM after HH = minutes).
std::string FormatDateTime(std::string_view format, TDateTime value);
// The system's short date and long time: "yyyy/mm/dd hh:nn:ss", the time left out when it
// is exactly midnight.
std::string DateTimeToStr(TDateTime value);

// Reads "yyyy/mm/dd" or "yyyy-mm-dd", optionally followed by "hh:nn[:ss[.zzz]]", or a time
// alone. StrToDateTime raises EConvertError for anything else.
bool TryStrToDateTime(std::string_view text, TDateTime& result);
TDateTime StrToDateTime(std::string_view text);

// printf-style formatting into a std::string ("%d%.2d%.2d", "%s", ...); numbers always use
// "." as decimal point, whatever the process locale.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);
