#include "Dispatch.h"

#include "Library.h"
#include "Registry.h"
#include "SysUtils.h"

#include <mutex>

namespace {

constexpr char kLibraryValue[] = "Library";

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The process-wide table of in-process classes, keyed by lower-case ProgID.
struct ClassTable {
    std::mutex mutex;
    std::unordered_map<std::string, OleFactory> factories;
};

ClassTable& Classes() {
    static ClassTable table;
    return table;
}

OleFactory FindRegisteredClass(std::string_view progId) {
    ClassTable& table = Classes();
    const std::lock_guard lock(table.mutex);
    const auto found = table.factories.find(LowerAscii(progId));
    return found == table.factories.end() ? OleFactory() : found->second;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

DispatchPtr CreateFromRegistry(std::string_view progId, const void* callerAddress) {
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (progId.empty() || !registry.OpenKeyReadOnly(std::string("\\") + std::string(progId))) {
        throw EOleError("Invalid class string: class " + Quoted(progId) +
                        " is not registered (no key HKEY_CLASSES_ROOT\\" + std::string(progId) +
                        " in " + RegistryFilePath() + ")");
    }
    const std::string library = registry.TryReadString(kLibraryValue).value_or("");
    if (library.empty()) {
        throw EOleError("Class " + Quoted(progId) + " is registered without a library (value " +
                        Quoted(kLibraryValue) + " of HKEY_CLASSES_ROOT\\" + std::string(progId) +
                        ")");
    }
    // Never freed: objects of the library may be held anywhere for as long as they live.
    const HMODULE module = LoadLibraryFor(library, callerAddress);
    if (!module) {
        throw EOleError("Cannot load library " + Quoted(library) + " of class " + Quoted(progId) +
                        ": " + LibraryErrorText());
    }
    const auto factory =
        reinterpret_cast<OleCreateObjectFn>(GetProcAddress(module, OleCreateObjectSymbol));
    if (!factory) {
        throw EOleError("Library " + Quoted(library) + " of class " + Quoted(progId) +
                        " does not export " + OleCreateObjectSymbol);
    }
    IDispatch* object = nullptr;
    try {
        object = factory(std::string(progId).c_str());
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& error) {
        throw EOleError("Library " + Quoted(library) + " failed to create class " + Quoted(progId) +
                        ": " + error.what());
    }
    if (!object) {
        throw EOleError("Library " + Quoted(library) + " does not serve class " + Quoted(progId));
    }
    return DispatchPtr(object, /*adopt=*/true);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TAutoObject

std::size_t TAutoObject::NoCaseHash::operator()(std::string_view text) const noexcept {
    // FNV-1a over the lower-cased bytes.
    constexpr std::size_t kOffset = 14695981039346656037ull;
    constexpr std::size_t kPrime = 1099511628211ull;
    std::size_t hash = kOffset;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(LowerChar(c))) * kPrime;
    }
    return hash;
}

bool TAutoObject::NoCaseEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

TAutoObject::TAutoObject(std::string className) : className_(std::move(className)) {}

TAutoObject::~TAutoObject() = default;

void TAutoObject::AddRef() noexcept {
    refCount_.fetch_add(1, std::memory_order_relaxed);
}

void TAutoObject::Release() noexcept {
    if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete this;
    }
}

bool TAutoObject::HasMember(std::string_view name) const {
    return Find(name) != nullptr;
}

const TAutoObject::Member* TAutoObject::Find(std::string_view name) const {
    const auto found = members_.find(name);
    return found == members_.end() ? nullptr : &found->second;
}

void TAutoObject::RaiseArgCount(const Member& member, std::size_t given, int expected) const {
    throw EOleError("Wrong number of arguments for member " + Quoted(member.name) +
                    " of automation object " + Quoted(className_) + ": " + std::to_string(given) +
                    " given, " + std::to_string(expected) + " expected");
}

Variant TAutoObject::Invoke(std::string_view name, DispatchKind kind, std::span<Variant> args) {
    const Member* member = Find(name);
    if (!member) {
        throw EOleError("Method " + Quoted(name) + " not supported by automation object " +
                        Quoted(className_));
    }
    if (HasKind(kind, DispatchKind::PropertyPut)) {
        if (!member->setter) {
            throw EOleError("Member " + Quoted(member->name) + " of automation object " +
                            Quoted(className_) + " cannot be written");
        }
        if (args.size() != 1) {
            RaiseArgCount(*member, args.size(), 1);
        }
        member->setter(args[0].Deref());
        return Variant();
    }
    if (member->method) {
        if (member->argCount >= 0 && args.size() != static_cast<std::size_t>(member->argCount)) {
            RaiseArgCount(*member, args.size(), member->argCount);
        }
        return member->method(args);
    }
    if (!member->getter) {
        throw EOleError("Property " + Quoted(member->name) + " of automation object " +
                        Quoted(className_) + " cannot be read");
    }
    if (!args.empty()) {
        RaiseArgCount(*member, args.size(), 0);
    }
    return member->getter();
}

void TAutoObject::AddMethod(std::string_view name, int argCount, Method method) {
    Member member;
    member.name = std::string(name);
    member.argCount = argCount;
    member.method = std::move(method);
    members_.insert_or_assign(std::string(name), std::move(member));
}

void TAutoObject::AddProperty(std::string_view name, Getter getter, Setter setter) {
    Member member;
    member.name = std::string(name);
    member.getter = std::move(getter);
    member.setter = std::move(setter);
    members_.insert_or_assign(std::string(name), std::move(member));
}

void TAutoObject::SetOut(Variant& arg, Variant value) {
    arg.Deref() = std::move(value);
}

// ---------------------------------------------------------------------------------------
// Classes

void RegisterOleClass(std::string_view progId, OleFactory factory) {
    ClassTable& table = Classes();
    const std::lock_guard lock(table.mutex);
    if (factory) {
        table.factories.insert_or_assign(LowerAscii(progId), std::move(factory));
    } else {
        table.factories.erase(LowerAscii(progId));
    }
}

bool IsOleClassRegistered(std::string_view progId) {
    return static_cast<bool>(FindRegisteredClass(progId));
}

__attribute__((noinline)) Variant CreateOleObject(std::string_view progId) {
    const void* caller = __builtin_return_address(0);
    if (const OleFactory factory = FindRegisteredClass(progId)) {
        DispatchPtr object = factory();
        if (!object) {
            throw EOleError("Class " + Quoted(progId) + " created no object");
        }
        return Variant(std::move(object));
    }
    return Variant(CreateFromRegistry(progId, caller));
}

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerChar(c);
    }
    return result;
}
