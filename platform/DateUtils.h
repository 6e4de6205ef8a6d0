// Date values (days since 30 December 1899, fraction = time of day) and their formatting.
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
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

TDateTime Now();
TDateTime Date();

// Formatting with the date tokens the suite uses, letters in any case:
// yyyy yy mm m dd d hh h nn n ss s zzz z, "mm"/"m" right after an hour token meaning
// minutes; "quoted" and 'quoted' text is copied; any other character is copied.
// E.g. "YYYYMMDD", "YYYY/MM/DD hh:nn:ss:zzz", "YYYYMMDDHHMMSS" (MM after HH = minutes).
std::string FormatDateTime(std::string_view format, TDateTime value);
// The system's short date and long time: "yyyy/mm/dd hh:nn:ss".
std::string DateTimeToStr(TDateTime value);

// printf-style formatting into a std::string ("%d%.2d%.2d", "%s", ...).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);
