#include "Variant.h"

#include "DateUtils.h"
#include "Dispatch.h"
#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

constexpr std::int64_t kCurrencyScale = 10000;
constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;
constexpr std::int64_t kTrueAsInteger = -1; // automation's VARIANT_TRUE

// 2^63 as a double: the first value above the Int64 range.
constexpr double kInt64Limit = 9223372036854775808.0;

std::string_view TrimAscii(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

[[noreturn]] void RaiseOverflow(std::string_view text, std::string_view kind) {
    throw EVariantOverflowError("Overflow while converting variant of type (" + std::string(text) +
                                ") into type (" + std::string(kind) + ")");
}

// Rounds half to even, as automation converts floating values to integers.
std::int64_t RoundToInt64(double value, std::string_view from) {
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded >= kInt64Limit || rounded < -kInt64Limit) {
        RaiseOverflow(from, "Int64");
    }
    return static_cast<std::int64_t>(rounded);
}

std::int64_t RoundCurrency(Currency value) {
    std::int64_t whole = value.scaled / kCurrencyScale;
    const std::int64_t rest = value.scaled % kCurrencyScale;
    const std::int64_t half = kCurrencyScale / 2;
    const std::int64_t absRest = rest < 0 ? -rest : rest;
    if (absRest > half || (absRest == half && whole % 2 != 0)) {
        whole += rest < 0 ? -1 : 1;
    }
    return whole;
}

std::optional<double> ParseDouble(std::string_view text) {
    text = TrimAscii(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ParseInt64(std::string_view text) {
    text = TrimAscii(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::int64_t TextToInt64(const std::string& text) {
    if (const auto value = ParseInt64(text)) {
        return *value;
    }
    if (const auto value = ParseDouble(text)) {
        return RoundToInt64(*value, "String");
    }
    throw EConvertError("'" + text + "' is not a valid integer value");
}

double TextToDouble(const std::string& text) {
    if (const auto value = ParseDouble(text)) {
        return *value;
    }
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

bool TextToBoolean(const std::string& text) {
    const std::string_view trimmed = TrimAscii(text);
    if (EqualsNoCase(trimmed, "true")) {
        return true;
    }
    if (EqualsNoCase(trimmed, "false")) {
        return false;
    }
    if (const auto value = ParseDouble(trimmed)) {
        return *value != 0;
    }
    throw EConvertError("'" + text + "' is not a valid boolean value");
}

std::string DoubleToText(double value, int digits) {
    if (value == 0) {
        return "0"; // also for -0
    }
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::string CurrencyToText(Currency value) {
    const bool negative = value.scaled < 0;
    const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(value.scaled)
                                    : static_cast<std::uint64_t>(value.scaled);
    const auto scale = static_cast<std::uint64_t>(kCurrencyScale);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / scale);
    std::uint64_t fraction = magnitude % scale;
    if (fraction == 0) {
        return text;
    }
    std::string digits = std::to_string(fraction + scale).substr(1); // zero-padded to 4
    digits.erase(digits.find_last_not_of('0') + 1);
    return text + "." + digits;
}

Currency DoubleToCurrency(double value, std::string_view from) {
    const double scaled = std::nearbyint(value * static_cast<double>(kCurrencyScale));
    if (!std::isfinite(scaled) || scaled >= kInt64Limit || scaled < -kInt64Limit) {
        RaiseOverflow(from, "Currency");
    }
    return Currency{static_cast<std::int64_t>(scaled)};
}

// Decodes one code point at text[pos], advancing pos past it; an invalid sequence yields
// nothing and advances past its longest valid-looking prefix (at least one byte).
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t code = 0;
    unsigned low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        ++pos;
        return std::nullopt;
    }
    ++pos;
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size()) {
            return std::nullopt;
        }
        const unsigned next = byte(pos);
        const unsigned min = i == 1 ? low : 0x80;
        const unsigned max = i == 1 ? high : 0xBF;
        if (next < min || next > max) {
            return std::nullopt;
        }
        code = (code << 6) | (next & 0x3F);
        ++pos;
    }
    return code;
}

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

template <class T> int Compare3(const T& a, const T& b) {
    if (a < b) {
        return -1;
    }
    return b < a ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
    const int result = a.compare(b); // bytewise unsigned: UTF-8 sorts by code point
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

Variant ZeroOf(TVarType kind) {
    switch (kind) {
    case varEmpty:
    case varVariant:
        return Variant();
    case varNull:
        return Variant(VarNullValue);
    case varSmallint:
        return Variant(std::int16_t{0});
    case varInteger:
        return Variant(std::int32_t{0});
    case varSingle:
        return Variant(0.0f);
    case varDouble:
        return Variant(0.0);
    case varCurrency:
        return Variant(Currency{});
    case varDate:
        return Variant::FromDate(0);
    case varOleStr:
        return Variant(std::u16string());
    case varDispatch:
        return Variant(DispatchPtr());
    case varError:
        return Variant(AsErrorKind, 0);
    case varBoolean:
        return Variant(false);
    case varShortInt:
        return Variant(std::int8_t{0});
    case varByte:
        return Variant(std::uint8_t{0});
    case varWord:
        return Variant(std::uint16_t{0});
    case varLongWord:
        return Variant(std::uint32_t{0});
    case varInt64:
        return Variant(std::int64_t{0});
    case varString:
        return Variant(std::string());
    default:
        throw EVariantError("Variant array of unsupported element type (" + VarTypeName(kind) +
                            ")");
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// DispatchPtr

DispatchPtr::DispatchPtr(IDispatch* object, bool adopt) noexcept : object_(object) {
    if (object_ && !adopt) {
        object_->AddRef();
    }
}

DispatchPtr::DispatchPtr(const DispatchPtr& other) noexcept : DispatchPtr(other.object_) {}

DispatchPtr::DispatchPtr(DispatchPtr&& other) noexcept : object_(other.Detach()) {}

DispatchPtr& DispatchPtr::operator=(DispatchPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
}

DispatchPtr::~DispatchPtr() {
    if (object_) {
        object_->Release();
    }
}

IDispatch* DispatchPtr::Detach() noexcept {
    return std::exchange(object_, nullptr);
}

Currency Currency::FromDouble(double value) {
    return DoubleToCurrency(value, "Double");
}

// ---------------------------------------------------------------------------------------
// The helpers that see a variant's storage.

struct Variant::Access {
    static const Storage& Of(const Variant& v) { return v.Deref().value_; }

    static Variant Make(Storage storage, TVarType kind) {
        Variant result;
        result.value_ = std::move(storage);
        result.vt_ = kind;
        return result;
    }

    [[noreturn]] static void RaiseCast(const Variant& v, TVarType to) {
        throw EVariantTypeCastError("Could not convert variant of type (" +
                                    VarTypeName(v.Deref().VType()) + ") into type (" +
                                    VarTypeName(to) + ")");
    }

    static std::int64_t ToInt64(const Variant& v) {
        return std::visit(Overloaded{
                              [](std::monostate) -> std::int64_t { return 0; },
                              [](bool b) -> std::int64_t { return b ? kTrueAsInteger : 0; },
                              [](std::int64_t i) { return i; },
                              [](double d) { return RoundToInt64(d, "Double"); },
                              [](Currency c) { return RoundCurrency(c); },
                              [](Date d) { return RoundToInt64(d.value, "Date"); },
                              [](const std::string& s) { return TextToInt64(s); },
                              [](const std::u16string& s) { return TextToInt64(Utf16ToUtf8(s)); },
                              [&](const auto&) -> std::int64_t { RaiseCast(v, varInt64); },
                          },
                          Of(v));
    }

    static double ToDouble(const Variant& v) {
        return std::visit(Overloaded{
                              [](std::monostate) { return 0.0; },
                              [](bool b) { return b ? static_cast<double>(kTrueAsInteger) : 0.0; },
                              [](std::int64_t i) { return static_cast<double>(i); },
                              [](double d) { return d; },
                              [](Currency c) { return c.ToDouble(); },
                              [](Date d) { return d.value; },
                              [](const std::string& s) { return TextToDouble(s); },
                              [](const std::u16string& s) { return TextToDouble(Utf16ToUtf8(s)); },
                              [&](const auto&) -> double { RaiseCast(v, varDouble); },
                          },
                          Of(v));
    }

    static Currency ToCurrency(const Variant& v) {
        return std::visit(
            Overloaded{
                [](std::monostate) { return Currency{}; },
                [](bool b) { return Currency{b ? kTrueAsInteger * kCurrencyScale : 0}; },
                [](std::int64_t i) {
                    if (i > std::numeric_limits<std::int64_t>::max() / kCurrencyScale ||
                        i < std::numeric_limits<std::int64_t>::min() / kCurrencyScale) {
                        RaiseOverflow("Int64", "Currency");
                    }
                    return Currency{i * kCurrencyScale};
                },
                [](double d) { return DoubleToCurrency(d, "Double"); },
                [](Currency c) { return c; },
                [](Date d) { return DoubleToCurrency(d.value, "Date"); },
                [](const std::string& s) { return DoubleToCurrency(TextToDouble(s), "String"); },
                [](const std::u16string& s) {
                    return DoubleToCurrency(TextToDouble(Utf16ToUtf8(s)), "OleStr");
                },
                [&](const auto&) -> Currency { RaiseCast(v, varCurrency); },
            },
            Of(v));
    }

    // Kinds that are neither empty, numbers, dates nor texts do not convert.
    static void RequireScalar(const Variant& v, TVarType to) {
        const Class kind = ClassOf(Of(v));
        if (kind == Class::Null || kind == Class::Error || kind == Class::Other) {
            RaiseCast(v, to);
        }
    }

    static TDateTime ToDate(const Variant& v) {
        RequireScalar(v, varDate);
        return std::visit(Overloaded{
                              [](const std::string& s) { return StrToDateTime(s); },
                              [](const std::u16string& s) { return StrToDateTime(Utf16ToUtf8(s)); },
                              [&](const auto&) { return ToDouble(v); },
                          },
                          Of(v));
    }

    static bool ToBoolean(const Variant& v) {
        RequireScalar(v, varBoolean);
        return std::visit(Overloaded{
                              [](bool b) { return b; },
                              [](const std::string& s) { return TextToBoolean(s); },
                              [](const std::u16string& s) { return TextToBoolean(Utf16ToUtf8(s)); },
                              [&](const auto&) { return ToDouble(v) != 0; },
                          },
                          Of(v));
    }

    static std::string ToString(const Variant& v) {
        const Variant& self = v.Deref();
        return std::visit(Overloaded{
                              [](std::monostate) { return std::string(); },
                              [](bool b) { return std::string(b ? "True" : "False"); },
                              [](std::int64_t i) { return std::to_string(i); },
                              [&](double d) {
                                  return DoubleToText(d, self.vt_ == varSingle ? kSingleDigits
                                                                               : kDoubleDigits);
                              },
                              [](Currency c) { return CurrencyToText(c); },
                              [](Date d) { return DateTimeToStr(d.value); },
                              [](const std::string& s) { return s; },
                              [](const std::u16string& s) { return Utf16ToUtf8(s); },
                              [&](const auto&) -> std::string { RaiseCast(v, varString); },
                          },
                          self.value_);
    }

    // Numbers, dates and booleans compare by value; text against them is read as a number
    // (or date) when it is one, and otherwise compared as text.
    enum class Class { Empty, Null, Number, Date, Text, Error, Other };

    static Class ClassOf(const Storage& s) {
        return std::visit(Overloaded{
                              [](std::monostate) { return Class::Empty; },
                              [](Null) { return Class::Null; },
                              [](bool) { return Class::Number; },
                              [](std::int64_t) { return Class::Number; },
                              [](double) { return Class::Number; },
                              [](Currency) { return Class::Number; },
                              [](Date) { return Class::Date; },
                              [](Error) { return Class::Error; },
                              [](const std::string&) { return Class::Text; },
                              [](const std::u16string&) { return Class::Text; },
                              [](const auto&) { return Class::Other; },
                          },
                          s);
    }

    static int CompareNumbers(const Variant& a, const Variant& b) {
        const Storage& x = Of(a);
        const Storage& y = Of(b);
        const auto* ix = std::get_if<std::int64_t>(&x);
        const auto* iy = std::get_if<std::int64_t>(&y);
        if (ix && iy) {
            return Compare3(*ix, *iy);
        }
        const auto* cx = std::get_if<Currency>(&x);
        const auto* cy = std::get_if<Currency>(&y);
        if (cx && cy) {
            return Compare3(cx->scaled, cy->scaled);
        }
        const auto* bx = std::get_if<bool>(&x);
        const auto* by = std::get_if<bool>(&y);
        if (bx && by) {
            return Compare3(*bx, *by);
        }
        return Compare3(ToDouble(a), ToDouble(b));
    }

    static int CompareWithText(const Variant& value, Class kind, const Variant& text) {
        const std::string s = ToString(text);
        std::optional<double> number = ParseDouble(s);
        TDateTime date = 0;
        if (!number && kind == Class::Date && TryStrToDateTime(s, date)) {
            number = date;
        }
        if (number) {
            return Compare3(ToDouble(value), *number);
        }
        return CompareText(ToString(value), s);
    }

    static int Compare(const Variant& a, const Variant& b) {
        const Class ca = ClassOf(Of(a));
        const Class cb = ClassOf(Of(b));
        const auto rank = [](Class c) {
            return c == Class::Empty ? 0 : (c == Class::Null ? 1 : 2);
        };
        if (rank(ca) < 2 || rank(cb) < 2) {
            return Compare3(rank(ca), rank(cb));
        }
        if (ca == Class::Other || cb == Class::Other) {
            throw EVariantError("Cannot compare variants of type (" +
                                VarTypeName(a.Deref().VType()) + ") and (" +
                                VarTypeName(b.Deref().VType()) + ")");
        }
        if (ca == Class::Error || cb == Class::Error) {
            if (ca != cb) {
                throw EVariantError("Cannot compare an error variant with another kind");
            }
            return Compare3(std::get<Error>(Of(a)).scode, std::get<Error>(Of(b)).scode);
        }
        if (ca == Class::Text && cb == Class::Text) {
            return CompareText(ToString(a), ToString(b));
        }
        if (cb == Class::Text) {
            return CompareWithText(a, ca, b);
        }
        if (ca == Class::Text) {
            return -CompareWithText(b, cb, a);
        }
        return CompareNumbers(a, b);
    }

    static bool Equal(const Variant& a, const Variant& b) {
        const Storage& x = Of(a);
        const Storage& y = Of(b);
        const auto* ax = std::get_if<std::unique_ptr<VarArrayData>>(&x);
        const auto* ay = std::get_if<std::unique_ptr<VarArrayData>>(&y);
        if (ax || ay) {
            return ax && ay && ArraysEqual(**ax, **ay);
        }
        const auto* dx = std::get_if<DispatchPtr>(&x);
        const auto* dy = std::get_if<DispatchPtr>(&y);
        if (dx || dy) {
            return dx && dy && *dx == *dy;
        }
        const Class cx = ClassOf(x);
        const Class cy = ClassOf(y);
        if ((cx == Class::Error) != (cy == Class::Error)) {
            return false;
        }
        return Compare(a, b) == 0;
    }

    static bool ArraysEqual(const VarArrayData& a, const VarArrayData& b) {
        if (a.DimCount() != b.DimCount()) {
            return false;
        }
        for (int dim = 1; dim <= a.DimCount(); ++dim) {
            if (a.Bounds(dim).low != b.Bounds(dim).low ||
                a.Bounds(dim).high != b.Bounds(dim).high) {
                return false;
            }
        }
        return std::equal(a.Elements().begin(), a.Elements().end(), b.Elements().begin(),
                          b.Elements().end());
    }

    static Storage Clone(const Storage& s) {
        return std::visit(Overloaded{
                              [](const std::unique_ptr<VarArrayData>& array) -> Storage {
                                  return std::make_unique<VarArrayData>(*array);
                              },
                              [](const auto& value) -> Storage { return value; },
                          },
                          s);
    }

    static VarArrayData& ArrayOf(const Variant& v) {
        const auto* array = std::get_if<std::unique_ptr<VarArrayData>>(&Of(v));
        if (!array) {
            throw EVariantError("Variant is not an array");
        }
        return **array;
    }
};

// ---------------------------------------------------------------------------------------
// Variant

Variant::Variant() noexcept = default;
Variant::Variant(VarNullTag) noexcept : value_(Null{}), vt_(varNull) {}
Variant::Variant(bool value) noexcept : value_(value), vt_(varBoolean) {}
Variant::Variant(std::int8_t value) noexcept : value_(std::int64_t{value}), vt_(varShortInt) {}
Variant::Variant(std::uint8_t value) noexcept : value_(std::int64_t{value}), vt_(varByte) {}
Variant::Variant(std::int16_t value) noexcept : value_(std::int64_t{value}), vt_(varSmallint) {}
Variant::Variant(std::uint16_t value) noexcept : value_(std::int64_t{value}), vt_(varWord) {}
Variant::Variant(std::int32_t value) noexcept : value_(std::int64_t{value}), vt_(varInteger) {}
Variant::Variant(std::uint32_t value) noexcept : value_(std::int64_t{value}), vt_(varLongWord) {}
Variant::Variant(std::int64_t value) noexcept : value_(value), vt_(varInt64) {}
Variant::Variant(long long value) noexcept
    : value_(static_cast<std::int64_t>(value)), vt_(varInt64) {}
Variant::Variant(std::uint64_t value) noexcept {
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        value_ = static_cast<std::int64_t>(value);
        vt_ = varInt64;
    } else {
        value_ = static_cast<double>(value);
        vt_ = varDouble;
    }
}
Variant::Variant(float value) noexcept : value_(double{value}), vt_(varSingle) {}
Variant::Variant(double value) noexcept : value_(value), vt_(varDouble) {}
Variant::Variant(Currency value) noexcept : value_(value), vt_(varCurrency) {}
Variant::Variant(VarDateTag, TDateTime value) noexcept : value_(Date{value}), vt_(varDate) {}
Variant::Variant(VarErrorTag, std::int32_t scode) noexcept : value_(Error{scode}), vt_(varError) {}
Variant::Variant(const char* text) : value_(std::string(text ? text : "")), vt_(varString) {}
Variant::Variant(std::string text) : value_(std::move(text)), vt_(varString) {}
Variant::Variant(std::string_view text) : value_(std::string(text)), vt_(varString) {}
Variant::Variant(const char16_t* text)
    : value_(std::u16string(text ? text : u"")), vt_(varOleStr) {}
Variant::Variant(std::u16string text) : value_(std::move(text)), vt_(varOleStr) {}
Variant::Variant(DispatchPtr object) : value_(std::move(object)), vt_(varDispatch) {}
Variant::Variant(IDispatch* object) : value_(DispatchPtr(object)), vt_(varDispatch) {}
Variant::Variant(VarArrayData array)
    : value_(std::make_unique<VarArrayData>(std::move(array))),
      vt_(static_cast<TVarType>(varArray |
                                std::get<std::unique_ptr<VarArrayData>>(value_)->ElementType())) {}

Variant::Variant(const Variant& other) : value_(Access::Clone(other.value_)), vt_(other.vt_) {}

Variant::Variant(Variant&& other) noexcept
    : value_(std::exchange(other.value_, std::monostate{})),
      vt_(std::exchange(other.vt_, varEmpty)) {}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        // Copy first: other may live inside this variant's own array.
        Storage copy = Access::Clone(other.value_);
        const Storage old = std::exchange(value_, std::move(copy));
        vt_ = other.vt_;
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        // The old value goes last: other may live inside this variant's own array.
        const Storage old = std::exchange(value_, std::move(other.value_));
        vt_ = std::exchange(other.vt_, varEmpty);
        other.value_.emplace<std::monostate>();
    }
    return *this;
}

Variant::~Variant() = default;

Variant Variant::ByRef(Variant& target) noexcept {
    Variant result;
    result.value_ = Ref{&target.Deref()};
    result.vt_ = varByRef | varVariant;
    return result;
}

Variant Variant::OleStr(std::string_view utf8) {
    return Variant(Utf8ToUtf16(utf8));
}

TVarType Variant::VType() const noexcept {
    return vt_;
}

bool Variant::IsByRef() const noexcept {
    return std::holds_alternative<Ref>(value_);
}

Variant& Variant::Deref() noexcept {
    const auto* ref = std::get_if<Ref>(&value_);
    return ref ? *ref->target : *this;
}

const Variant& Variant::Deref() const noexcept {
    const auto* ref = std::get_if<Ref>(&value_);
    return ref ? *ref->target : *this;
}

bool Variant::AsBoolean() const {
    return Access::ToBoolean(*this);
}

std::int32_t Variant::AsInteger() const {
    const std::int64_t value = Access::ToInt64(*this);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        RaiseOverflow(VarTypeName(Deref().VType()), "Integer");
    }
    return static_cast<std::int32_t>(value);
}

std::int64_t Variant::AsInt64() const {
    return Access::ToInt64(*this);
}
double Variant::AsDouble() const {
    return Access::ToDouble(*this);
}
Currency Variant::AsCurrency() const {
    return Access::ToCurrency(*this);
}
TDateTime Variant::AsDate() const {
    return Access::ToDate(*this);
}
std::string Variant::AsString() const {
    return Access::ToString(*this);
}

std::u16string Variant::AsOleStr() const {
    if (const auto* text = std::get_if<std::u16string>(&Access::Of(*this))) {
        return *text;
    }
    return Utf8ToUtf16(AsString());
}

std::string_view Variant::TextView() const {
    if (const auto* text = std::get_if<std::string>(&Access::Of(*this))) {
        return *text;
    }
    Access::RaiseCast(*this, varString);
}

DispatchPtr Variant::AsDispatch() const {
    const Storage& value = Access::Of(*this);
    if (const auto* object = std::get_if<DispatchPtr>(&value)) {
        return *object;
    }
    if (std::holds_alternative<std::monostate>(value)) {
        return DispatchPtr();
    }
    Access::RaiseCast(*this, varDispatch);
}

std::int32_t Variant::AsError() const {
    if (const auto* error = std::get_if<Error>(&Access::Of(*this))) {
        return error->scode;
    }
    Access::RaiseCast(*this, varError);
}

Variant& Variant::operator[](int index) {
    return Access::ArrayOf(*this).Element({index});
}
const Variant& Variant::operator[](int index) const {
    return Access::ArrayOf(*this).Element({index});
}
Variant& Variant::At(int index1, int index2) {
    return Access::ArrayOf(*this).Element({index1, index2});
}
const Variant& Variant::At(int index1, int index2) const {
    return Access::ArrayOf(*this).Element({index1, index2});
}
Variant& Variant::At(std::initializer_list<int> indices) {
    return Access::ArrayOf(*this).Element(indices);
}
const Variant& Variant::At(std::initializer_list<int> indices) const {
    return Access::ArrayOf(*this).Element(indices);
}

const VarArrayData* Variant::ArrayData() const noexcept {
    const auto* array = std::get_if<std::unique_ptr<VarArrayData>>(&Access::Of(*this));
    return array ? array->get() : nullptr;
}

VarArrayData* Variant::ArrayData() noexcept {
    auto* array = std::get_if<std::unique_ptr<VarArrayData>>(&Deref().value_);
    return array ? array->get() : nullptr;
}

namespace {

Variant InvokeOn(const Variant& target, std::string_view member, DispatchKind kind,
                 std::span<Variant> args) {
    const Variant& self = target.Deref();
    if (self.VType() != varDispatch) {
        throw EOleError("Cannot call member '" + std::string(member) +
                        "': the variant holds no automation object (" + VarTypeName(self.VType()) +
                        ")");
    }
    // Holding a reference keeps the object alive even if the call clears the variant.
    const DispatchPtr object = self.AsDispatch();
    if (!object) {
        throw EOleError("Cannot call member '" + std::string(member) +
                        "': the automation object is not assigned");
    }
    try {
        return object->Invoke(member, kind, args);
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& error) {
        throw EOleError(error.what());
    }
}

// The callee may write to its arguments, so it gets copies: on the stack for short lists.
class ArgumentCopies {
public:
    explicit ArgumentCopies(std::initializer_list<Variant> args) {
        if (args.size() > kInlineCount) {
            heap_.assign(args.begin(), args.end());
            return;
        }
        for (const Variant& arg : args) {
            new (Inline() + count_) Variant(arg);
            ++count_;
        }
    }
    ~ArgumentCopies() {
        for (std::size_t i = 0; i < count_; ++i) {
            Inline()[i].~Variant();
        }
    }
    ArgumentCopies(const ArgumentCopies&) = delete;
    ArgumentCopies& operator=(const ArgumentCopies&) = delete;

    std::span<Variant> Span() {
        return heap_.empty() ? std::span<Variant>(Inline(), count_) : std::span<Variant>(heap_);
    }

private:
    static constexpr std::size_t kInlineCount = 8;

    Variant* Inline() { return std::launder(reinterpret_cast<Variant*>(storage_)); }

    alignas(Variant) std::byte storage_[kInlineCount * sizeof(Variant)];
    std::size_t count_ = 0;
    std::vector<Variant> heap_;
};

Variant InvokeWithCopies(const Variant& target, std::string_view member, DispatchKind kind,
                         std::initializer_list<Variant> args) {
    ArgumentCopies copies(args);
    return InvokeOn(target, member, kind, copies.Span());
}

} // namespace

Variant Variant::Call(std::string_view member, std::vector<Variant> args) const {
    return InvokeOn(*this, member, DispatchKind::Method, args);
}

Variant Variant::Call(std::string_view member, std::initializer_list<Variant> args) const {
    return InvokeWithCopies(*this, member, DispatchKind::Method, args);
}

Variant Variant::Get(std::string_view property, std::vector<Variant> args) const {
    return InvokeOn(*this, property, DispatchKind::PropertyGet, args);
}

Variant Variant::Get(std::string_view property, std::initializer_list<Variant> args) const {
    return InvokeWithCopies(*this, property, DispatchKind::PropertyGet, args);
}

void Variant::Put(std::string_view property, const Variant& value) const {
    Variant argument(value);
    InvokeOn(*this, property, DispatchKind::PropertyPut, std::span<Variant>(&argument, 1));
}

void Variant::Clear() noexcept {
    *this = Variant();
}

bool operator==(const Variant& a, const Variant& b) {
    return Variant::Access::Equal(a, b);
}

// ---------------------------------------------------------------------------------------
// Arrays

VarArrayData::VarArrayData(std::vector<Bound> bounds, TVarType elementType)
    : bounds_(std::move(bounds)), elementType_(elementType) {
    if (bounds_.empty() || DimCount() > kMaxDims) {
        throw EVariantError("Variant array with " + std::to_string(bounds_.size()) +
                            " dimensions (1 to " + std::to_string(kMaxDims) + " allowed)");
    }
    std::size_t count = 1;
    for (const Bound& bound : bounds_) {
        if (bound.Count() < 0) {
            throw EVariantError("Variant array bounds " + std::to_string(bound.low) + ".." +
                                std::to_string(bound.high) + " are invalid");
        }
        count *= static_cast<std::size_t>(bound.Count());
        if (count > kMaxElements) {
            throw EVariantError("Variant array too large (more than " +
                                std::to_string(kMaxElements) + " elements)");
        }
    }
    elements_.assign(count, ZeroOf(elementType_));
}

const VarArrayData::Bound& VarArrayData::Bounds(int dim) const {
    if (dim < 1 || dim > DimCount()) {
        throw EVariantBadIndexError("Variant array has no dimension " + std::to_string(dim));
    }
    return bounds_[static_cast<std::size_t>(dim - 1)];
}

std::size_t VarArrayData::Offset(std::initializer_list<int> indices) const {
    if (static_cast<int>(indices.size()) != DimCount()) {
        throw EVariantBadIndexError("Variant array of " + std::to_string(DimCount()) +
                                    " dimensions indexed with " + std::to_string(indices.size()) +
                                    " indices");
    }
    std::size_t offset = 0;
    auto bound = bounds_.begin();
    for (const int index : indices) {
        if (index < bound->low || index > bound->high) {
            throw EVariantBadIndexError("Variant array index " + std::to_string(index) +
                                        " out of bounds " + std::to_string(bound->low) + ".." +
                                        std::to_string(bound->high));
        }
        offset = offset * static_cast<std::size_t>(bound->Count()) +
                 static_cast<std::size_t>(std::int64_t{index} - bound->low);
        ++bound;
    }
    return offset;
}

Variant& VarArrayData::Element(std::initializer_list<int> indices) {
    return elements_[Offset(indices)];
}

const Variant& VarArrayData::Element(std::initializer_list<int> indices) const {
    return elements_[Offset(indices)];
}

void VarArrayData::Redim(int highBound) {
    Bound& last = bounds_.back();
    const Bound resized{last.low, highBound};
    if (resized.Count() < 0) {
        throw EVariantError("Variant array bounds " + std::to_string(resized.low) + ".." +
                            std::to_string(highBound) + " are invalid");
    }
    std::size_t rows = 1; // the combinations of all indices but the last
    for (auto bound = bounds_.begin(); bound + 1 != bounds_.end(); ++bound) {
        rows *= static_cast<std::size_t>(bound->Count());
    }
    const auto oldRow = static_cast<std::size_t>(last.Count());
    const auto newRow = static_cast<std::size_t>(resized.Count());
    if (newRow != 0 && rows > kMaxElements / newRow) {
        throw EVariantError("Variant array too large (more than " + std::to_string(kMaxElements) +
                            " elements)");
    }
    std::vector<Variant> resizedElements(rows * newRow, ZeroOf(elementType_));
    const std::size_t keep = std::min(oldRow, newRow);
    for (std::size_t row = 0; row < rows; ++row) {
        const auto from = elements_.begin() + static_cast<std::ptrdiff_t>(row * oldRow);
        std::move(from, from + static_cast<std::ptrdiff_t>(keep),
                  resizedElements.begin() + static_cast<std::ptrdiff_t>(row * newRow));
    }
    elements_ = std::move(resizedElements);
    last = resized;
}

Variant VarArrayCreate(std::initializer_list<int> lowHighPairs, TVarType elementType) {
    if (lowHighPairs.size() == 0 || lowHighPairs.size() % 2 != 0) {
        throw EVariantError("Variant array bounds must come in (low, high) pairs");
    }
    std::vector<VarArrayData::Bound> bounds;
    for (auto it = lowHighPairs.begin(); it != lowHighPairs.end(); it += 2) {
        bounds.push_back({*it, *(it + 1)});
    }
    return Variant(VarArrayData(std::move(bounds), elementType));
}

Variant VarArrayOf(std::vector<Variant> values) {
    VarArrayData data({{0, static_cast<int>(values.size()) - 1}}, varVariant);
    data.Elements() = std::move(values);
    return Variant(std::move(data));
}

int VarArrayDimCount(const Variant& value) {
    const VarArrayData* array = value.ArrayData();
    return array ? array->DimCount() : 0;
}

static const VarArrayData& ArrayOrRaise(const Variant& value) {
    const VarArrayData* array = value.ArrayData();
    if (!array) {
        throw EVariantError("Variant is not an array");
    }
    return *array;
}

int VarArrayLowBound(const Variant& value, int dim) {
    return ArrayOrRaise(value).Bounds(dim).low;
}

int VarArrayHighBound(const Variant& value, int dim) {
    return ArrayOrRaise(value).Bounds(dim).high;
}

void VarArrayRedim(Variant& value, int highBound) {
    VarArrayData* array = value.ArrayData();
    if (!array) {
        throw EVariantError("Variant is not an array");
    }
    array->Redim(highBound);
}

// ---------------------------------------------------------------------------------------
// Kind tests and conversions

bool VarIsEmpty(const Variant& value) noexcept {
    return value.Deref().VType() == varEmpty;
}
bool VarIsNull(const Variant& value) noexcept {
    return value.Deref().VType() == varNull;
}
bool VarIsArray(const Variant& value) noexcept {
    return value.ArrayData() != nullptr;
}

bool VarIsStr(const Variant& value) noexcept {
    const TVarType kind = value.Deref().VType();
    return kind == varString || kind == varOleStr;
}

bool VarIsNumeric(const Variant& value) noexcept {
    switch (value.Deref().VType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

TVarType VarType(const Variant& value) noexcept {
    return value.VType();
}

namespace {

template <class T> Variant CheckedInteger(const Variant& value, TVarType kind) {
    const std::int64_t number = value.AsInt64();
    if (number < std::numeric_limits<T>::min() || number > std::numeric_limits<T>::max()) {
        RaiseOverflow(VarTypeName(value.Deref().VType()), VarTypeName(kind));
    }
    return Variant(static_cast<T>(number));
}

} // namespace

Variant VarAsType(const Variant& value, TVarType type) {
    const Variant& source = value.Deref();
    if ((type & varArray) != 0) {
        if (source.VType() == type) {
            return source;
        }
        throw EVariantTypeCastError("Could not convert variant of type (" +
                                    VarTypeName(source.VType()) + ") into type (" +
                                    VarTypeName(type) + ")");
    }
    if (VarIsNull(source) && type != varNull && type != varVariant) {
        throw EVariantTypeCastError("Could not convert variant of type (Null) into type (" +
                                    VarTypeName(type) + ")");
    }
    switch (type) {
    case varEmpty:
        return Variant();
    case varNull:
        return Variant(VarNullValue);
    case varVariant:
        return source;
    case varSmallint:
        return CheckedInteger<std::int16_t>(source, type);
    case varInteger:
        return Variant(source.AsInteger());
    case varSingle:
        return Variant(static_cast<float>(source.AsDouble()));
    case varDouble:
        return Variant(source.AsDouble());
    case varCurrency:
        return Variant(source.AsCurrency());
    case varDate:
        return Variant::FromDate(source.AsDate());
    case varOleStr:
        return Variant(source.AsOleStr());
    case varString:
        return Variant(source.AsString());
    case varDispatch:
        return Variant(source.AsDispatch());
    case varError:
        return Variant(AsErrorKind, source.AsError());
    case varBoolean:
        return Variant(source.AsBoolean());
    case varShortInt:
        return CheckedInteger<std::int8_t>(source, type);
    case varByte:
        return CheckedInteger<std::uint8_t>(source, type);
    case varWord:
        return CheckedInteger<std::uint16_t>(source, type);
    case varLongWord:
        return CheckedInteger<std::uint32_t>(source, type);
    case varInt64:
        return Variant(source.AsInt64());
    default:
        throw EVariantTypeCastError("Could not convert variant of type (" +
                                    VarTypeName(source.VType()) + ") into type (" +
                                    VarTypeName(type) + ")");
    }
}

std::string VarTypeName(TVarType type) {
    if ((type & varByRef) != 0) {
        return "Ref to " + VarTypeName(static_cast<TVarType>(type & ~varByRef));
    }
    if ((type & varArray) != 0) {
        return "Array of " + VarTypeName(static_cast<TVarType>(type & varTypeMask));
    }
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varSmallint:
        return "Smallint";
    case varInteger:
        return "Integer";
    case varSingle:
        return "Single";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varOleStr:
        return "OleStr";
    case varDispatch:
        return "Dispatch";
    case varError:
        return "Error";
    case varBoolean:
        return "Boolean";
    case varVariant:
        return "Variant";
    case varShortInt:
        return "ShortInt";
    case varByte:
        return "Byte";
    case varWord:
        return "Word";
    case varLongWord:
        return "LongWord";
    case varInt64:
        return "Int64";
    case varString:
        return "String";
    default:
        return "Unknown";
    }
}

std::string VarToStr(const Variant& value) {
    return VarIsNull(value) ? std::string() : value.AsString();
}

std::u16string VarToWideStr(const Variant& value) {
    return VarIsNull(value) ? std::u16string() : value.AsOleStr();
}

int VarCompare(const Variant& a, const Variant& b) {
    return Variant::Access::Compare(a, b);
}

// ---------------------------------------------------------------------------------------
// UTF-8 and UTF-16

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t code = NextUtf8(text, pos).value_or(kReplacement);
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        char32_t code = unit;
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            code = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

bool IsValidUtf8(std::string_view text) noexcept {
    for (std::size_t pos = 0; pos < text.size();) {
        if (!NextUtf8(text, pos)) {
            return false;
        }
    }
    return true;
}

std::string RepairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        AppendUtf8(out, NextUtf8(text, pos).value_or(kReplacement));
    }
    return out;
}
