// Published properties: their types, how classes register them, and reading and writing
// them by name or by path ("Font.Name").
#pragma once

#include "Classes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkInt64
};

struct TTypeInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    // tkEnumeration: identifiers by ordinal ("False", "True" for Boolean). tkSet: the
    // identifiers of the element type, bit n standing for identifier n.
    std::vector<std::string> EnumNames;
    // tkInteger: identifiers with their values (colours: "clRed" = 0x0000FF, ...).
    std::vector<std::pair<std::string, std::int64_t>> Idents;
    // tkClass: the class of the object the property holds.
    const TClassInfo& (*ClassType)() = nullptr;
    // tkMethod: the TEvent type of the handler.
    const std::type_info* MethodType = nullptr;
};

using TPropValue = std::variant<std::int64_t, double, std::string, TObject*, TMethod>;

struct TPropInfo {
    std::string Name;
    const TTypeInfo* PropType = nullptr;
    std::function<TPropValue(TObject*)> Get;
    std::function<void(TObject*, const TPropValue&)> Set; // empty: read-only
    TTypeKind Kind() const { return PropType->Kind; }
};

// Standard types.
const TTypeInfo& TypeInfoInteger();
const TTypeInfo& TypeInfoInt64();
const TTypeInfo& TypeInfoBoolean();
const TTypeInfo& TypeInfoChar();
const TTypeInfo& TypeInfoString();
const TTypeInfo& TypeInfoDouble();
const TTypeInfo& TypeInfoColor();       // "TColor", with the colour identifiers
const TTypeInfo& TypeInfoCursor();      // "TCursor", with crDefault, crHourGlass, ...
const TTypeInfo& TypeInfoAlignment();   // "TAlignment": taLeftJustify, taRightJustify, taCenter
const TTypeInfo& TypeInfoBorderStyle(); // "TBorderStyle": bsNone, bsSingle
const TTypeInfo& TypeInfoShortCut();

// A new enumeration or set type (keep the result alive, e.g. in a function-local static).
TTypeInfo MakeEnumType(std::string name, std::vector<std::string> names);
TTypeInfo MakeSetType(std::string name, std::vector<std::string> elementNames);

template <class T> const TTypeInfo& ClassTypeInfo() {
    static const TTypeInfo info = [] {
        TTypeInfo t;
        t.Name = T::StaticClass().ClassName();
        t.Kind = tkClass;
        t.ClassType = &T::StaticClass;
        return t;
    }();
    return info;
}

// An event type by its Delphi name; one TTypeInfo per (event type).
template <class E> const TTypeInfo& EventTypeInfo(const char* name) {
    static const TTypeInfo info = [name] {
        TTypeInfo t;
        t.Name = name;
        t.Kind = tkMethod;
        t.MethodType = &typeid(E);
        return t;
    }();
    return info;
}

// ---------------------------------------------------------------------------------------
// Registering properties: STEWARD_REGISTER_CLASS hands a builder to the class's describe
// function. Getters and setters are member functions (or callables taking C*).

template <class C> class TPropertyBuilder {
public:
    explicit TPropertyBuilder(TClassInfo& cls) : cls_(cls) {}
    TClassInfo& Class() { return cls_; }
    const TTypeInfo& Own(TTypeInfo type) {
        return cls_.Own(std::make_unique<TTypeInfo>(std::move(type)));
    }

    // Ordinal properties: integers, booleans, chars, enumerations (any integral or enum
    // getter); setter may be nullptr for a read-only property.
    template <class G, class S>
    TPropertyBuilder& Ord(std::string name, const TTypeInfo& type, G getter, S setter) {
        using T = std::decay_t<decltype(std::invoke(getter, std::declval<C*>()))>;
        auto& p = Add(std::move(name), type);
        p.Get = [getter](TObject* o) -> TPropValue {
            return static_cast<std::int64_t>(std::invoke(getter, static_cast<C*>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.Set = [setter](TObject* o, const TPropValue& v) {
                std::invoke(setter, static_cast<C*>(o), static_cast<T>(std::get<std::int64_t>(v)));
            };
        return *this;
    }
    template <class G, class S> TPropertyBuilder& Int(std::string name, G getter, S setter) {
        return Ord(std::move(name), TypeInfoInteger(), getter, setter);
    }
    template <class G, class S> TPropertyBuilder& Bool(std::string name, G getter, S setter) {
        return Ord(std::move(name), TypeInfoBoolean(), getter, setter);
    }
    template <class G, class S> TPropertyBuilder& Color(std::string name, G getter, S setter) {
        return Ord(std::move(name), TypeInfoColor(), getter, setter);
    }
    // Set properties: the getter returns a TSet<E>.
    template <class G, class S>
    TPropertyBuilder& Set(std::string name, const TTypeInfo& type, G getter, S setter) {
        using T = std::decay_t<decltype(std::invoke(getter, std::declval<C*>()))>;
        auto& p = Add(std::move(name), type);
        p.Get = [getter](TObject* o) -> TPropValue {
            return static_cast<std::int64_t>(std::invoke(getter, static_cast<C*>(o)).ToInt());
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.Set = [setter](TObject* o, const TPropValue& v) {
                std::invoke(setter, static_cast<C*>(o),
                            T::FromInt(static_cast<std::uint32_t>(std::get<std::int64_t>(v))));
            };
        return *this;
    }
    template <class G, class S> TPropertyBuilder& Str(std::string name, G getter, S setter) {
        auto& p = Add(std::move(name), TypeInfoString());
        p.Get = [getter](TObject* o) -> TPropValue {
            return std::string(std::invoke(getter, static_cast<C*>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.Set = [setter](TObject* o, const TPropValue& v) {
                std::invoke(setter, static_cast<C*>(o), std::get<std::string>(v));
            };
        return *this;
    }
    template <class G, class S> TPropertyBuilder& Float(std::string name, G getter, S setter) {
        auto& p = Add(std::move(name), TypeInfoDouble());
        p.Get = [getter](TObject* o) -> TPropValue {
            return static_cast<double>(std::invoke(getter, static_cast<C*>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.Set = [setter](TObject* o, const TPropValue& v) {
                std::invoke(setter, static_cast<C*>(o), std::get<double>(v));
            };
        return *this;
    }
    // Class-typed properties: the getter returns T*; the setter (optional) takes T*.
    // Sub-objects such as Font or Items usually have a setter that assigns the value.
    template <class G, class S> TPropertyBuilder& Object(std::string name, G getter, S setter) {
        using P = std::decay_t<decltype(std::invoke(getter, std::declval<C*>()))>;
        using T = std::remove_pointer_t<P>;
        auto& p = Add(std::move(name), ClassTypeInfo<T>());
        p.Get = [getter](TObject* o) -> TPropValue {
            return static_cast<TObject*>(std::invoke(getter, static_cast<C*>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.Set = [setter](TObject* o, const TPropValue& v) {
                TObject* value = std::get<TObject*>(v);
                T* typed = dynamic_cast<T*>(value);
                if (value && !typed)
                    throw EPropertyError("Invalid property value");
                std::invoke(setter, static_cast<C*>(o), typed);
            };
        return *this;
    }
    // Events: a TEvent data member.
    template <class E>
    TPropertyBuilder& Event(std::string name, const char* typeName, E C::*member) {
        auto& p = Add(std::move(name), EventTypeInfo<E>(typeName));
        p.Get = [member](TObject* o) -> TPropValue {
            return (static_cast<C*>(o)->*member).Method();
        };
        p.Set = [member](TObject* o, const TPropValue& v) {
            static_cast<C*>(o)->*member = E::FromMethod(std::get<TMethod>(v));
        };
        return *this;
    }
    // A published method, found by name by the form loader (event handlers of a form).
    template <class R, class M, class... A>
    TPropertyBuilder& Method(std::string name, R (M::*fn)(A...)) {
        cls_.AddMethod({std::move(name), [fn](TObject* o) -> TMethod {
                            return TEvent<R(A...)>(static_cast<C*>(o), fn).Method();
                        }});
        return *this;
    }

private:
    TPropInfo& Add(std::string name, const TTypeInfo& type) {
        auto p = std::make_unique<TPropInfo>();
        p->Name = std::move(name);
        p->PropType = &type;
        return cls_.AddProperty(std::move(p));
    }
    TClassInfo& cls_;
};

// ---------------------------------------------------------------------------------------
// Access by name. These raise EPropertyError for a missing property, a read-only property
// or a value of the wrong kind; the *ByName functions below never raise.

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name);
std::vector<const TPropInfo*> GetPropList(const TObject* obj);
bool IsPublishedProp(const TObject* obj, std::string_view name);
TTypeKind PropType(const TObject* obj, std::string_view name);

std::int64_t GetOrdProp(TObject* obj, std::string_view name);
void SetOrdProp(TObject* obj, std::string_view name, std::int64_t value);
std::string GetStrProp(TObject* obj, std::string_view name);
void SetStrProp(TObject* obj, std::string_view name, const std::string& value);
double GetFloatProp(TObject* obj, std::string_view name);
void SetFloatProp(TObject* obj, std::string_view name, double value);
TObject* GetObjectProp(TObject* obj, std::string_view name);
void SetObjectProp(TObject* obj, std::string_view name, TObject* value);
TMethod GetMethodProp(TObject* obj, std::string_view name);
void SetMethodProp(TObject* obj, std::string_view name, const TMethod& value);
std::string GetEnumProp(TObject* obj, std::string_view name);
void SetEnumProp(TObject* obj, std::string_view name, std::string_view ident);
std::string GetSetProp(TObject* obj, std::string_view name, bool brackets = true);
void SetSetProp(TObject* obj, std::string_view name, std::string_view text);

// Any property as text: integers as decimal, enumerations and booleans by identifier,
// sets as "[a,b]", class properties as the class name (empty when none), events as empty.
std::string GetPropText(TObject* obj, std::string_view name);
// Sets any property from text: integers by decimal or by their identifiers (colours),
// enumerations by identifier (trimmed) or ordinal, booleans by "True"/"False"/number,
// sets by "[a,b]" or number, floats by decimal, text unchanged. EPropertyError or
// EConvertError when the text does not fit.
void SetPropText(TObject* obj, std::string_view name, std::string_view text);

// "Font.Name": every segment but the last names a class-typed property.
TObject* ResolvePropPath(TObject* obj, std::string_view path, std::string& lastName);
std::string GetPropTextByPath(TObject* obj, std::string_view path);
void SetPropTextByPath(TObject* obj, std::string_view path, std::string_view text);
bool TrySetPropTextByPath(TObject* obj, std::string_view path, std::string_view text);

// Identifiers of enumerations and integer types.
int GetEnumValue(const TTypeInfo& type, std::string_view ident); // -1 when unknown
std::string GetEnumName(const TTypeInfo& type, int value);
bool IdentToInt(const TTypeInfo& type, std::string_view ident, std::int64_t& value);
bool IntToIdent(const TTypeInfo& type, std::int64_t value, std::string& ident);

// ---------------------------------------------------------------------------------------
// The forgiving helpers the module uses on its forms' components: a missing component or
// property gives the stated empty result; a rejected value is ignored.

bool HasPropByName(const TObject* component, std::string_view name);
std::string GetStrPropByName(TObject* component, std::string_view name);
void SetStrPropByName(TObject* component, std::string_view name, const std::string& value);
std::int64_t GetOrdPropByName(TObject* control, std::string_view name);
void SetOrdPropByName(TObject* component, std::string_view name, std::int64_t value);
TMethod GetMethodPropByName(TObject* obj, std::string_view name);
void SetMethodPropByName(TObject* obj, std::string_view name, const TMethod& handler);

class TControl;
// A left-button down and up at client position (0, 0), delivered straight to the control's
// message handling: the control reacts as to a mouse click (a check box toggles).
void ClickControl(TControl* control);
