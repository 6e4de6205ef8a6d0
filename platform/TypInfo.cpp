#include "TypInfo.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

bool ParseInt(std::string_view text, std::int64_t& out) {
    std::string t = Trim(text);
    if (t.empty())
        return false;
    int base = 10;
    size_t start = 0;
    bool neg = false;
    if (t[0] == '-' || t[0] == '+') {
        neg = t[0] == '-';
        start = 1;
    }
    if (start < t.size() && t[start] == '$') {
        base = 16;
        ++start;
    } else if (t.size() > start + 1 && t[start] == '0' &&
               (t[start + 1] == 'x' || t[start + 1] == 'X')) {
        base = 16;
        start += 2;
    }
    if (start >= t.size())
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(t.c_str() + start, &end, base);
    if (errno || *end)
        return false;
    out = neg ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

const TPropInfo& Need(const TObject* obj, std::string_view name) {
    if (!obj)
        throw EPropertyError("Property " + std::string(name) + " of a nil object");
    const TPropInfo* p = obj->ClassType().FindProperty(name);
    if (!p)
        throw EPropertyError("Property " + std::string(name) + " does not exist in " +
                             obj->ClassName());
    return *p;
}

void Write(TObject* obj, const TPropInfo& p, const TPropValue& v) {
    if (!p.Set)
        throw EPropertyError("Property " + p.Name + " is read-only");
    p.Set(obj, v);
}

bool IsOrdinal(TTypeKind k) {
    return k == tkInteger || k == tkChar || k == tkEnumeration || k == tkSet || k == tkInt64;
}

std::string SetToText(const TTypeInfo& t, std::uint64_t bits, bool brackets) {
    std::string r;
    for (size_t i = 0; i < t.EnumNames.size() && i < 64; ++i)
        if (bits & (1ull << i)) {
            if (!r.empty())
                r += ',';
            r += t.EnumNames[i];
        }
    return brackets ? "[" + r + "]" : r;
}

std::int64_t TextToSet(const TTypeInfo& t, std::string_view text) {
    std::string s = Trim(text);
    std::int64_t number;
    if (ParseInt(s, number))
        return number;
    if (!s.empty() && s.front() == '[')
        s.erase(0, 1);
    if (!s.empty() && s.back() == ']')
        s.pop_back();
    std::int64_t bits = 0;
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find(',', i);
        if (j == std::string::npos)
            j = s.size();
        std::string item = Trim(std::string_view(s).substr(i, j - i));
        if (!item.empty()) {
            int v = GetEnumValue(t, item);
            if (v < 0)
                throw EPropertyError("Invalid property element: " + item);
            bits |= std::int64_t(1) << v;
        }
        i = j + 1;
    }
    return bits;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Types

static TTypeInfo Simple(const char* name, TTypeKind kind) {
    TTypeInfo t;
    t.Name = name;
    t.Kind = kind;
    return t;
}

const TTypeInfo& TypeInfoInteger() {
    static const TTypeInfo t = Simple("Integer", tkInteger);
    return t;
}
const TTypeInfo& TypeInfoInt64() {
    static const TTypeInfo t = Simple("Int64", tkInt64);
    return t;
}
const TTypeInfo& TypeInfoBoolean() {
    static const TTypeInfo t = MakeEnumType("Boolean", {"False", "True"});
    return t;
}
const TTypeInfo& TypeInfoChar() {
    static const TTypeInfo t = Simple("Char", tkChar);
    return t;
}
const TTypeInfo& TypeInfoString() {
    static const TTypeInfo t = Simple("string", tkString);
    return t;
}
const TTypeInfo& TypeInfoDouble() {
    static const TTypeInfo t = Simple("Double", tkFloat);
    return t;
}
const TTypeInfo& TypeInfoShortCut() {
    static const TTypeInfo t = Simple("TShortCut", tkInteger);
    return t;
}

TTypeInfo MakeEnumType(std::string name, std::vector<std::string> names) {
    TTypeInfo t;
    t.Name = std::move(name);
    t.Kind = tkEnumeration;
    t.EnumNames = std::move(names);
    return t;
}

TTypeInfo MakeSetType(std::string name, std::vector<std::string> elementNames) {
    TTypeInfo t;
    t.Name = std::move(name);
    t.Kind = tkSet;
    t.EnumNames = std::move(elementNames);
    return t;
}

int GetEnumValue(const TTypeInfo& type, std::string_view ident) {
    std::string s = Trim(ident);
    for (size_t i = 0; i < type.EnumNames.size(); ++i)
        if (SameIdent(type.EnumNames[i], s))
            return static_cast<int>(i);
    return -1;
}

std::string GetEnumName(const TTypeInfo& type, int value) {
    if (value >= 0 && static_cast<size_t>(value) < type.EnumNames.size())
        return type.EnumNames[static_cast<size_t>(value)];
    return std::to_string(value);
}

bool IdentToInt(const TTypeInfo& type, std::string_view ident, std::int64_t& value) {
    std::string s = Trim(ident);
    for (const auto& [name, v] : type.Idents)
        if (SameIdent(name, s)) {
            value = v;
            return true;
        }
    return false;
}

bool IntToIdent(const TTypeInfo& type, std::int64_t value, std::string& ident) {
    for (const auto& [name, v] : type.Idents)
        if (v == value) {
            ident = name;
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------------------
// Access by name

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name) {
    return obj ? obj->ClassType().FindProperty(name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(const TObject* obj) {
    return obj ? obj->ClassType().Properties() : std::vector<const TPropInfo*>{};
}

bool IsPublishedProp(const TObject* obj, std::string_view name) {
    return GetPropInfo(obj, name) != nullptr;
}

TTypeKind PropType(const TObject* obj, std::string_view name) {
    return Need(obj, name).Kind();
}

std::int64_t GetOrdProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    if (!IsOrdinal(p.Kind()))
        throw EPropertyError("Property " + p.Name + " is not ordinal");
    return std::get<std::int64_t>(p.Get(obj));
}

void SetOrdProp(TObject* obj, std::string_view name, std::int64_t value) {
    const TPropInfo& p = Need(obj, name);
    if (!IsOrdinal(p.Kind()))
        throw EPropertyError("Property " + p.Name + " is not ordinal");
    Write(obj, p, value);
}

std::string GetStrProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkString)
        throw EPropertyError("Property " + p.Name + " is not text");
    return std::get<std::string>(p.Get(obj));
}

void SetStrProp(TObject* obj, std::string_view name, const std::string& value) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkString)
        throw EPropertyError("Property " + p.Name + " is not text");
    Write(obj, p, value);
}

double GetFloatProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkFloat)
        throw EPropertyError("Property " + p.Name + " is not a float");
    return std::get<double>(p.Get(obj));
}

void SetFloatProp(TObject* obj, std::string_view name, double value) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkFloat)
        throw EPropertyError("Property " + p.Name + " is not a float");
    Write(obj, p, value);
}

TObject* GetObjectProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkClass)
        throw EPropertyError("Property " + p.Name + " is not an object");
    return std::get<TObject*>(p.Get(obj));
}

void SetObjectProp(TObject* obj, std::string_view name, TObject* value) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkClass)
        throw EPropertyError("Property " + p.Name + " is not an object");
    Write(obj, p, value);
}

TMethod GetMethodProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkMethod)
        throw EPropertyError("Property " + p.Name + " is not an event");
    return std::get<TMethod>(p.Get(obj));
}

void SetMethodProp(TObject* obj, std::string_view name, const TMethod& value) {
    const TPropInfo& p = Need(obj, name);
    if (p.Kind() != tkMethod)
        throw EPropertyError("Property " + p.Name + " is not an event");
    Write(obj, p, value);
}

std::string GetEnumProp(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    return GetEnumName(*p.PropType, static_cast<int>(GetOrdProp(obj, name)));
}

void SetEnumProp(TObject* obj, std::string_view name, std::string_view ident) {
    const TPropInfo& p = Need(obj, name);
    int v = GetEnumValue(*p.PropType, ident);
    if (v < 0)
        throw EPropertyError("Invalid property value: " + std::string(ident));
    SetOrdProp(obj, name, v);
}

std::string GetSetProp(TObject* obj, std::string_view name, bool brackets) {
    const TPropInfo& p = Need(obj, name);
    return SetToText(*p.PropType, static_cast<std::uint64_t>(GetOrdProp(obj, name)), brackets);
}

void SetSetProp(TObject* obj, std::string_view name, std::string_view text) {
    const TPropInfo& p = Need(obj, name);
    SetOrdProp(obj, name, TextToSet(*p.PropType, text));
}

std::string GetPropText(TObject* obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name);
    TPropValue v = p.Get(obj);
    const TTypeInfo& t = *p.PropType;
    switch (t.Kind) {
    case tkEnumeration:
        return GetEnumName(t, static_cast<int>(std::get<std::int64_t>(v)));
    case tkSet:
        return SetToText(t, static_cast<std::uint64_t>(std::get<std::int64_t>(v)), true);
    case tkChar: {
        auto c = std::get<std::int64_t>(v);
        return c ? std::string(1, static_cast<char>(c)) : std::string();
    }
    case tkInteger:
    case tkInt64:
        return std::to_string(std::get<std::int64_t>(v));
    case tkFloat: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(v));
        return buf;
    }
    case tkString:
        return std::get<std::string>(v);
    case tkClass: {
        TObject* o = std::get<TObject*>(v);
        return o ? o->ClassName() : std::string();
    }
    default:
        return {};
    }
}

void SetPropText(TObject* obj, std::string_view name, std::string_view text) {
    const TPropInfo& p = Need(obj, name);
    const TTypeInfo& t = *p.PropType;
    std::int64_t n = 0;
    switch (t.Kind) {
    case tkInteger:
    case tkInt64:
        if (!IdentToInt(t, text, n) && !ParseInt(text, n))
            throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
        Write(obj, p, n);
        return;
    case tkEnumeration: {
        int v = GetEnumValue(t, text);
        if (v < 0) {
            if (!ParseInt(text, n))
                throw EPropertyError("Invalid property value: " + std::string(text));
            v = static_cast<int>(n);
        }
        Write(obj, p, std::int64_t(v));
        return;
    }
    case tkSet:
        Write(obj, p, TextToSet(t, text));
        return;
    case tkChar:
        Write(obj, p, std::int64_t(text.empty() ? 0 : static_cast<unsigned char>(text[0])));
        return;
    case tkFloat: {
        std::string s = Trim(text);
        char* end = nullptr;
        double d = std::strtod(s.c_str(), &end);
        if (s.empty() || *end)
            throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
        Write(obj, p, d);
        return;
    }
    case tkString:
        Write(obj, p, std::string(text));
        return;
    default:
        throw EPropertyError("Property " + p.Name + " cannot be set from text");
    }
}

TObject* ResolvePropPath(TObject* obj, std::string_view path, std::string& lastName) {
    size_t start = 0;
    while (true) {
        size_t dot = path.find('.', start);
        if (dot == std::string_view::npos) {
            lastName = Trim(path.substr(start));
            return obj;
        }
        std::string seg = Trim(path.substr(start, dot - start));
        const TPropInfo* p = GetPropInfo(obj, seg);
        if (!p || p->Kind() != tkClass)
            throw EPropertyError("Property " + seg + " is not an object");
        obj = std::get<TObject*>(p->Get(obj));
        if (!obj)
            throw EPropertyError("Property " + seg + " holds no object");
        start = dot + 1;
    }
}

std::string GetPropTextByPath(TObject* obj, std::string_view path) {
    std::string last;
    TObject* target = ResolvePropPath(obj, path, last);
    return GetPropText(target, last);
}

void SetPropTextByPath(TObject* obj, std::string_view path, std::string_view text) {
    std::string last;
    TObject* target = ResolvePropPath(obj, path, last);
    SetPropText(target, last, text);
}

bool TrySetPropTextByPath(TObject* obj, std::string_view path, std::string_view text) {
    try {
        SetPropTextByPath(obj, path, text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Forgiving helpers

bool HasPropByName(const TObject* component, std::string_view name) {
    return GetPropInfo(component, name) != nullptr;
}

std::string GetStrPropByName(TObject* component, std::string_view name) {
    try {
        if (HasPropByName(component, name))
            return GetPropText(component, name);
    } catch (const std::exception&) {
    }
    return {};
}

void SetStrPropByName(TObject* component, std::string_view name, const std::string& value) {
    try {
        if (HasPropByName(component, name))
            SetPropText(component, name, value);
    } catch (const std::exception&) {
    }
}

std::int64_t GetOrdPropByName(TObject* control, std::string_view name) {
    try {
        const TPropInfo* p = GetPropInfo(control, name);
        if (p && IsOrdinal(p->Kind()))
            return std::get<std::int64_t>(p->Get(control));
    } catch (const std::exception&) {
    }
    return 0;
}

void SetOrdPropByName(TObject* component, std::string_view name, std::int64_t value) {
    try {
        const TPropInfo* p = GetPropInfo(component, name);
        if (p && IsOrdinal(p->Kind()) && p->Set)
            p->Set(component, value);
    } catch (const std::exception&) {
    }
}

TMethod GetMethodPropByName(TObject* obj, std::string_view name) {
    const TPropInfo* p = GetPropInfo(obj, name);
    if (p && p->Kind() == tkMethod)
        return std::get<TMethod>(p->Get(obj));
    return {};
}

void SetMethodPropByName(TObject* obj, std::string_view name, const TMethod& handler) {
    try {
        const TPropInfo* p = GetPropInfo(obj, name);
        if (p && p->Kind() == tkMethod && p->Set)
            p->Set(obj, handler);
    } catch (const std::exception&) {
    }
}
