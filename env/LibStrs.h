// Free-standing helpers of the module: separated record texts, dates in their stored,
// displayed and shifted forms, code-page conversion of values exchanged with the server, the
// host shell's folders, the named alert-log writer and message-dialog captions.
// No routine keeps state or shows a window; parsing routines never raise.
#pragma once

#include "DateUtils.h"
#include "Variant.h"

#include <string>
#include <string_view>

// ---- Small text helpers -------------------------------------------------------------------------

// text without leading and trailing blanks and control characters (bytes up to ' ').
std::string_view TrimBlanks(std::string_view text);
// The whole text as a decimal integer with optional sign (no blanks); false when it is not
// one or does not fit an int.
bool TryTextToInt(std::string_view text, int& value);

// ---- Separated texts ----------------------------------------------------------------------------

// Field separator of record texts (scheme values, date-shift rules, rights records).
inline constexpr char RecordSeparator = '\x03';
inline constexpr std::string_view RecordSeparatorText{"\x03", 1};

// The n-th field (from 1) of text split at each separator; "" when n < 1 or there are fewer
// fields. A text without the separator (or an empty separator) is one field.
std::string GetField(std::string_view text, std::string_view separator, int n);
// Separator occurrences + 1; 0 for an empty text.
int CountFields(std::string_view text, std::string_view separator);
// Returns the part before the first separator and leaves in text what follows it; without
// a separator returns the whole text and empties it.
std::string SplitHead(std::string& text, std::string_view separator);
// Replaces every occurrence of oldText by newText, including occurrences a replacement
// forms; nothing when old and new are equal ignoring ASCII case. With trim, leading and
// trailing blanks and control characters are removed from the result. Never loops forever:
// when newText contains oldText it replaces in one left-to-right pass, and a chain of
// replacements stops after 2^20 replacements or at 64 MiB of text.
std::string ReplaceText(std::string_view text, std::string_view oldText, std::string_view newText,
                        bool trim);
// prefix #3 count #3 then element i #3 for i = 1..count, where count is element 0 of the
// counted array. Raises EVariantError when the array is shorter than its count says.
std::u16string BuildRecordText(std::string_view prefix, const Variant& countedValues);

// ---- Dates --------------------------------------------------------------------------------------

// The company's date display code (the selection panel's DateType).
enum TDateType : int {
    dt_NoneCare = 0,
    dt_YYYYMMDD = 1,
    dt_MMDDYYYY = 2,
    dt_DDMMYYYY = 3,
    dt_YYMMDD = 4,  // Minguo year, at least two digits
    dt_YYYMMDD = 5, // Minguo year, at least three digits
};

// Gregorian year of Minguo year 0.
inline constexpr int MinguoYearOffset = 1911;

// Full-date display of date by code (1..5) with the first character of separator;
// "" for date 0 and for other codes.
std::string DateToCodeText(int code, std::string_view separator, TDateTime date);
// Year-month display of date by code; "" for date 0 and for codes outside 1..5.
std::string YearMonthToCodeText(int code, std::string_view separator, TDateTime date);
// Inverse of DateToCodeText; the day is not held to the month (2004/02/30 -> 1 March 2004).
// 0 for anything that does not parse.
TDateTime CodeTextToDate(std::string_view text, int code, std::string_view separator);
// "YYYYMMDD" -> date value; 0 unless exactly eight characters forming a calendar date.
TDateTime Date8ToDate(std::string_view text);
// True for "" and for a calendar date "YYYYMMDD" within 17530101..99991231.
bool IsValidDate8(std::string_view text);
// 28..31 days; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// The date (date-8 text or date value) moved by n units ("Y", "M", "D", any case) as a
// date-8 text; month ends are clamped. "" for other kinds, unknown units, date 0 and
// results outside years 1..9999.
std::string ShiftDate(const Variant& date, std::string_view unit, int n);
std::string ShiftDate(TDateTime date, std::string_view unit, int n);
// The first date on or after date8 that the period array selects (daily, weekly [N, w],
// monthly [0, N, D] or [1, N, k, w]); "" for hourly, unknown kinds and any failure.
std::string FirstPeriodDate(std::string_view date8, const Variant& period);
// One side of a date-shift rule. A year-month text (at most six characters) moves by count
// months; otherwise unit "0" = weeks (kind "0" add, else week edge) and any other unit
// months (kind "0" add + extra days, "1" first day, "2" last day). Raises EConvertError
// when count or extraDays is not an integer text.
std::string ShiftRuleDate(std::string_view date, std::string_view count, std::string_view unit,
                          std::string_view kind, std::string_view extraDays);
// Sunday (kind "1") or Saturday (other kinds) of the week n weeks from date8; "" on failure.
std::string WeekEdgeDate(std::string_view date8, int n, std::string_view kind);
// Applies the rule list (element 3) of a parameter set to its value array (element 1) for
// the run date; returns the updated value array, or an empty text value on any failure.
Variant ShiftConditionDates(const Variant& parameters, std::string_view runDate8);

// ---- Values and numbers -------------------------------------------------------------------------

// a when flag, else b.
Variant VarIIf(bool flag, const Variant& a, const Variant& b);
// True for an empty (unassigned) or null value (a by-reference value is looked through).
bool VarIsBlank(const Variant& value);
// The whole text as a decimal number ("." point, sign, exponent); fallback on any failure.
double TextToFloatDef(std::string_view text, double fallback);

// ---- Code pages ---------------------------------------------------------------------------------

// Code pages the suite names; other numbers map to iconv "CP<n>".
inline constexpr int CodePageGB = 936;
inline constexpr int CodePageBig5 = 950;
inline constexpr int CodePageEnglish = 437;
inline constexpr int CodePageUtf8 = 65001;

// UTF-16 -> bytes in codePage (characters it cannot hold become '?'). When the code page is
// unknown to the system, UTF-8 (the process's own code page) is used instead.
std::string WideToCodePage(std::u16string_view text, int codePage);
std::string WideToCodePage(std::u16string_view text, std::string_view codePage);
// Bytes in codePage -> UTF-16 (invalid bytes become U+FFFD); UTF-8 when the code page is
// unknown to the system.
std::u16string CodePageToWide(std::string_view bytes, int codePage);
std::u16string CodePageToWide(std::string_view bytes, std::string_view codePage);

// Texts received from the server: every OLE string inside value (1-D arrays walked
// recursively, 2-D arrays one level) becomes a byte string in this process's text form
// (UTF-8); a single byte string is normalised to valid UTF-8. Other values are unchanged.
// On failure logs to the "libstrs" alert log and returns value unconverted.
Variant VarToCodePage(const Variant& value, int codePage);
// Texts sent to the server: every OLE string inside value (walked as above), or a single
// string value, becomes an OLE string. Byte strings are read as UTF-8, or from codePage when
// they are not valid UTF-8. On failure logs and returns value unconverted.
Variant VarFromCodePage(const Variant& value, int codePage);

// ---- Environment and messages -------------------------------------------------------------------

// The host shell's client folder: HKEY_LOCAL_MACHINE "Software\KTW\Steward" value ClientPath,
// else ServerPath, with "\" turned into "/"; "" when neither is set or the key is missing.
std::string GetStewardDir();
// The user's temporary folder ($TMPDIR, else /tmp) ending with "/".
std::string GetTempDirectory();
// True exactly for "127.0.0.1".
bool IsLoopbackAddress(std::string_view address);
// Appends "[YYYY/MM/DD hh:nn:ss:zzz] message" to Log/Alert_<name>_<date by period>[.log]
// under GetStewardDir() (else the running program's folder), creating the folder. Period
// "D" day, "M" month, "Y" year, anything else day. False when the line cannot be written.
bool WriteAlertLog(std::string_view name, std::string_view message, std::string_view period);
// Chinese caption of a message-dialog button name ("Yes", "OK", ...); other names unchanged.
std::string DialogButtonCaption(std::string_view buttonName);
