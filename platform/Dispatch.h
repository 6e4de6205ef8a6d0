// Late-bound automation: objects called by member name with variant arguments, created by
// ProgID from in-process registrations or from a shared library named in the registry.
#pragma once

#include "Variant.h"

#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

// How a member is invoked. Flags may be combined (Method | PropertyGet: "call it or read
// it", as a late-bound call without arguments does).
enum class DispatchKind {
    Method = 1,
    PropertyGet = 2,
    PropertyPut = 4,
};

constexpr DispatchKind operator|(DispatchKind a, DispatchKind b) {
    return static_cast<DispatchKind>(static_cast<int>(a) | static_cast<int>(b));
}
constexpr bool HasKind(DispatchKind set, DispatchKind kind) {
    return (static_cast<int>(set) & static_cast<int>(kind)) != 0;
}

// The automation interface. Reference counted; names compare without regard to case.
// Arguments arrive in call order; an argument made with Variant::ByRef writes back to the
// caller's variant through Deref().
class IDispatch {
public:
    virtual void AddRef() noexcept = 0;
    virtual void Release() noexcept = 0;

    // The class name used in error messages, e.g. "ReportCounterS.dmReportCounter".
    virtual std::string DispatchClassName() const = 0;
    // Raises EOleError for an unknown member or a wrong argument count.
    virtual Variant Invoke(std::string_view member, DispatchKind kind, std::span<Variant> args) = 0;

protected:
    virtual ~IDispatch() = default;
};

// Base for automation objects written in C++: members come from a table filled in the
// constructor with AddMethod/AddProperty. A method answers calls and property reads; a
// property answers reads (and calls without arguments) through its getter and writes
// through its setter. Create objects with MakeDispatch so the reference count starts
// owned; the last Release deletes the object.
class TAutoObject : public IDispatch {
public:
    using Method = std::function<Variant(std::span<Variant> args)>;
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant& value)>;

    explicit TAutoObject(std::string className);

    void AddRef() noexcept override;
    void Release() noexcept override;
    std::string DispatchClassName() const override { return className_; }
    Variant Invoke(std::string_view member, DispatchKind kind, std::span<Variant> args) override;

    int RefCount() const noexcept { return refCount_.load(); }
    bool HasMember(std::string_view name) const;

protected:
    ~TAutoObject() override;

    // argCount -1 accepts any number of arguments. A second member of the same name
    // replaces the first.
    void AddMethod(std::string_view name, int argCount, Method method);
    // Without a getter the property is write-only, without a setter read-only.
    void AddProperty(std::string_view name, Getter getter, Setter setter = {});

    // Writes value to an out argument (through its reference when it has one).
    static void SetOut(Variant& arg, Variant value);

private:
    struct Member {
        std::string name;
        int argCount = -1;
        Method method;
        Getter getter;
        Setter setter;
    };
    // Hash and equality that ignore ASCII case and take string views, so a call looks its
    // member up without building a key.
    struct NoCaseHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };

    const Member* Find(std::string_view name) const;
    [[noreturn]] void RaiseArgCount(const Member& member, std::size_t given, int expected) const;

    std::string className_;
    std::atomic<int> refCount_{0};
    std::unordered_map<std::string, Member, NoCaseHash, NoCaseEqual> members_;
};

// Creates a new reference-counted object of type T and returns it as a DispatchPtr.
template <class T, class... Args> DispatchPtr MakeDispatch(Args&&... args) {
    return DispatchPtr(new T(std::forward<Args>(args)...));
}

// Factories for CreateOleObject.
using OleFactory = std::function<DispatchPtr()>;

// Registers a class in this process; it wins over the registry. An empty factory removes
// the registration.
void RegisterOleClass(std::string_view progId, OleFactory factory);
bool IsOleClassRegistered(std::string_view progId);

// Creates an object by ProgID: in-process registrations first, then the registry key
// HKEY_CLASSES_ROOT\<ProgID> whose value "Library" names a shared library exporting
// OleCreateObjectSymbol. The library is found as LoadLibrary finds it for the caller of
// CreateOleObject, and stays loaded for the life of the process (its objects may outlive
// any one caller). Raises EOleError naming the ProgID (and library) when neither has it,
// the library does not load, lacks the factory, or does not serve the ProgID.
Variant CreateOleObject(std::string_view progId);

// The C factory a library exports for CreateOleObject. Returns a new object with one
// reference owned by the caller, or null when the library does not serve that ProgID.
extern "C" {
using OleCreateObjectFn = IDispatch* (*)(const char* progId);
}
inline constexpr const char* OleCreateObjectSymbol = "OleCreateObject";

// Case-insensitive ASCII lower-casing used for member and ProgID keys.
std::string LowerAscii(std::string_view text);
