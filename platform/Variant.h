// OLE-style variants: one value of any automation kind, or an array of them with any bounds
// in one or two dimensions. Values copy deeply; a by-reference variant points at another
// variant that the caller keeps alive (used for out arguments of automation calls).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class IDispatch;

// An owning, reference-counted pointer to an automation object (AddRef on copy, Release on
// destruction), as automation variants hold them.
class DispatchPtr {
public:
    DispatchPtr() noexcept = default;
    // Takes a new reference to object unless adopt is true (the caller's reference moves in).
    explicit DispatchPtr(IDispatch* object, bool adopt = false) noexcept;
    DispatchPtr(const DispatchPtr& other) noexcept;
    DispatchPtr(DispatchPtr&& other) noexcept;
    DispatchPtr& operator=(DispatchPtr other) noexcept;
    ~DispatchPtr();

    IDispatch* Get() const noexcept { return object_; }
    IDispatch* operator->() const noexcept { return object_; }
    IDispatch& operator*() const noexcept { return *object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }
    // Gives up ownership without releasing.
    IDispatch* Detach() noexcept;

    friend bool operator==(const DispatchPtr& a, const DispatchPtr& b) noexcept {
        return a.object_ == b.object_;
    }

private:
    IDispatch* object_ = nullptr;
};

using TVarType = std::uint16_t;

// Kind codes, numbered as automation numbers them.
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100; // byte string (UTF-8 or code-page bytes)
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// A date value: days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

// Fixed-point money with four decimals, stored as value * 10000.
struct Currency {
    std::int64_t scaled = 0;

    static Currency FromDouble(double value);
    double ToDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(Currency, Currency) = default;
};

// Tags that pick a kind when constructing.
struct VarNullTag {};
inline constexpr VarNullTag VarNullValue{};
struct VarDateTag {};
inline constexpr VarDateTag AsDateKind{};
struct VarErrorTag {};
inline constexpr VarErrorTag AsErrorKind{};

class VarArrayData;

class Variant {
public:
    Variant() noexcept;
    Variant(VarNullTag) noexcept;
    Variant(bool value) noexcept;
    Variant(std::int8_t value) noexcept;
    Variant(std::uint8_t value) noexcept;
    Variant(std::int16_t value) noexcept;
    Variant(std::uint16_t value) noexcept;
    Variant(std::int32_t value) noexcept;
    Variant(std::uint32_t value) noexcept;
    Variant(std::int64_t value) noexcept;
    Variant(long long value) noexcept;
    Variant(std::uint64_t value) noexcept; // Int64, or Double above the Int64 range
    Variant(float value) noexcept;
    Variant(double value) noexcept;
    Variant(Currency value) noexcept;
    Variant(VarDateTag, TDateTime value) noexcept;
    Variant(VarErrorTag, std::int32_t scode) noexcept;
    Variant(const char* text);            // byte string
    Variant(std::string text);            // byte string
    Variant(std::string_view text);       // byte string
    Variant(const char16_t* text);        // OLE string
    Variant(std::u16string text);         // OLE string
    Variant(DispatchPtr object);          // dispatch (null pointer gives an empty dispatch)
    Variant(IDispatch* object);           // takes a new reference
    explicit Variant(VarArrayData array); // an array variant owning these elements

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    // A by-reference variant that reads and writes target (which must outlive it).
    static Variant ByRef(Variant& target) noexcept;
    // An OLE string from UTF-8 text.
    static Variant OleStr(std::string_view utf8);
    static Variant FromDate(TDateTime value) noexcept { return Variant(AsDateKind, value); }

    // Kind: the base kind, varArray | element kind for arrays, varByRef | varVariant for a
    // by-reference variant.
    TVarType VType() const noexcept;
    bool IsByRef() const noexcept;
    // The variant itself, or the one a by-reference variant points at.
    Variant& Deref() noexcept;
    const Variant& Deref() const noexcept;

    // Conversions as automation does them (all read through a by-reference variant).
    // Empty gives 0 / "" / false; null, errors, arrays and objects raise
    // EVariantTypeCastError; a text that is not a number, boolean or date raises
    // EConvertError; a value outside the asked range raises EVariantOverflowError.
    // Floating values round half to even when read as integers; True reads as -1.
    // Texts: integers plain, Double as "%.15g", Single as "%.7g", currency with up to four
    // decimals, always "." as decimal point; booleans "True"/"False"; dates "yyyy/mm/dd"
    // plus " hh:nn:ss" when the time of day is not midnight.
    bool AsBoolean() const;
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    double AsDouble() const;
    Currency AsCurrency() const;
    TDateTime AsDate() const;
    std::string AsString() const;    // UTF-8
    std::u16string AsOleStr() const; // UTF-16
    // The text of a byte string without a copy, valid while the variant keeps it; other
    // kinds raise EVariantTypeCastError (read them with AsString).
    std::string_view TextView() const;
    DispatchPtr AsDispatch() const; // raises unless the kind is dispatch (or empty: null ptr)
    std::int32_t AsError() const;   // the status code of an error variant

    // Arrays (raise EVariantError on a non-array, EVariantBadIndexError on a bad index).
    Variant& operator[](int index);
    const Variant& operator[](int index) const;
    Variant& At(int index1, int index2);
    const Variant& At(int index1, int index2) const;
    Variant& At(std::initializer_list<int> indices);
    const Variant& At(std::initializer_list<int> indices) const;
    const VarArrayData* ArrayData() const noexcept;
    VarArrayData* ArrayData() noexcept;

    // Late-bound automation on a dispatch variant: method call, property get and put.
    // Arguments are passed by value unless made with Variant::ByRef. Raises EOleError when
    // the variant holds no object; errors of the object pass through, other standard
    // exceptions arrive as EOleError.
    // A braced list ({a, b, c}) picks the initializer_list forms, which build no heap list.
    Variant Call(std::string_view member, std::vector<Variant> args = {}) const;
    Variant Call(std::string_view member, std::initializer_list<Variant> args) const;
    Variant Get(std::string_view property, std::vector<Variant> args = {}) const;
    Variant Get(std::string_view property, std::initializer_list<Variant> args) const;
    void Put(std::string_view property, const Variant& value) const;

    void Clear() noexcept;

    // Equal values: numbers across kinds by value, texts across kinds by content, arrays
    // element by element with the same bounds, objects by identity. Never raises.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    struct Access; // the conversion and comparison helpers of Variant.cpp
    friend int VarCompare(const Variant& a, const Variant& b);

    struct Null {};
    struct Date {
        TDateTime value;
    };
    struct Error {
        std::int32_t scode;
    };
    struct Ref {
        Variant* target;
    };
    using Storage =
        std::variant<std::monostate, Null, bool, std::int64_t, double, Currency, Date, Error,
                     std::string, std::u16string, DispatchPtr, std::unique_ptr<VarArrayData>, Ref>;

    Storage value_;
    TVarType vt_ = varEmpty;
};

// The storage of an array variant: element kind, bounds per dimension, row-major elements.
class VarArrayData {
public:
    struct Bound {
        int low = 0;
        int high = -1;
        std::int64_t Count() const { return std::int64_t{high} - low + 1; }
    };

    // Raises EVariantError for no or too many dimensions (at most kMaxDims), a high bound
    // below low - 1, more than kMaxElements elements, or an element kind that is not a base
    // kind.
    VarArrayData(std::vector<Bound> bounds, TVarType elementType);

    static constexpr int kMaxDims = 8;
    static constexpr std::size_t kMaxElements = std::size_t{1} << 26;

    int DimCount() const noexcept { return static_cast<int>(bounds_.size()); }
    const Bound& Bounds(int dim) const; // dim counted from 1
    TVarType ElementType() const noexcept { return elementType_; }
    std::size_t ElementCount() const noexcept { return elements_.size(); }

    Variant& Element(std::initializer_list<int> indices);
    const Variant& Element(std::initializer_list<int> indices) const;
    // Elements in storage order (the last index runs fastest). The element kind is where
    // elements start; assigning an element stores the assigned value as it is.
    std::vector<Variant>& Elements() noexcept { return elements_; }
    const std::vector<Variant>& Elements() const noexcept { return elements_; }

    // Changes the high bound of the last dimension, keeping the elements that remain.
    void Redim(int highBound);

private:
    std::size_t Offset(std::initializer_list<int> indices) const;

    std::vector<Bound> bounds_;
    TVarType elementType_;
    std::vector<Variant> elements_;
};

// Creates an array: bounds are (low, high) pairs, one pair per dimension (one or two).
// Elements start as the zero of elementType (empty for varVariant). Bounds known only at
// run time: build a VarArrayData and wrap it with Variant(VarArrayData).
Variant VarArrayCreate(std::initializer_list<int> lowHighPairs, TVarType elementType);
// A one-dimensional varVariant array with bounds 0..n-1 holding the given values.
Variant VarArrayOf(std::vector<Variant> values);

// 0 for a value that is not an array. Bounds raise EVariantError on a non-array and
// EVariantBadIndexError for a dimension that does not exist (dimensions count from 1).
int VarArrayDimCount(const Variant& value);
int VarArrayLowBound(const Variant& value, int dim);
int VarArrayHighBound(const Variant& value, int dim);
void VarArrayRedim(Variant& value, int highBound);

// The tests read through a by-reference variant. VarType gives VType() as it is.
bool VarIsEmpty(const Variant& value) noexcept;
bool VarIsNull(const Variant& value) noexcept;
bool VarIsArray(const Variant& value) noexcept;
bool VarIsStr(const Variant& value) noexcept;     // byte or OLE string
bool VarIsNumeric(const Variant& value) noexcept; // integer, floating or currency kinds
TVarType VarType(const Variant& value) noexcept;
// The value converted to a base kind, with the conversion rules of the As... functions.
Variant VarAsType(const Variant& value, TVarType type);
std::string VarTypeName(TVarType type); // "Integer", "OleStr", "Array of Variant", ...

// Text of any scalar; empty and null give "" (never raises for those).
std::string VarToStr(const Variant& value);
std::u16string VarToWideStr(const Variant& value);

// -1, 0 or 1: numbers by value, texts by code points, dates by value; empty < null < values.
// Raises EVariantError for kinds that do not compare (arrays, objects).
int VarCompare(const Variant& a, const Variant& b);

// UTF-8 <-> UTF-16. Invalid input sequences (bad bytes, overlong forms, lone surrogates)
// become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view text) noexcept;
// The text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);
