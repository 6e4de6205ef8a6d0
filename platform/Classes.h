// The component model: objects that know their class by name, published properties,
// events with identity, components with owners and names, string lists.
//
// A class takes part by putting STEWARD_CLASS(Name, Parent) at the top of its body and
// STEWARD_REGISTER_CLASS(Name, describe) in its .cpp file, where describe registers the
// published properties (see TypInfo.h and docs/platform-windows.md).
#pragma once

#include "SysUtils.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

class TObject;
class TClassInfo;
class TComponent;
template <class C> class TPropertyBuilder;

STEWARD_DECLARE_EXCEPTION(EComponentError, Exception);
STEWARD_DECLARE_EXCEPTION(EPropertyError, Exception);
STEWARD_DECLARE_EXCEPTION(EClassNotFound, Exception);
STEWARD_DECLARE_EXCEPTION(EStringListError, EListError);

// ---------------------------------------------------------------------------------------
// Sets of enumeration values (font styles, shift state, border icons, dialog buttons).
template <class E> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items)
            bits_ |= Bit(e);
    }
    static constexpr TSet FromInt(std::uint32_t bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr std::uint32_t ToInt() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E e) {
        bits_ |= Bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        bits_ &= ~Bit(e);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromInt(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromInt(bits_ & ~o.bits_); }
    constexpr TSet operator*(TSet o) const { return FromInt(bits_ & o.bits_); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t bits_ = 0;
};

// ---------------------------------------------------------------------------------------
// Class information: name, parent, published properties, published methods, factory.

struct TPropInfo;
struct TTypeInfo;
struct TMethod;

// A published method: given an instance, the handler bound to it.
struct TMethodInfo {
    std::string Name;
    std::function<TMethod(TObject*)> Bind;
};

class TClassInfo {
public:
    using Factory = TComponent* (*)(TComponent* owner);
    using Describe = std::function<void(TClassInfo&)>;

    TClassInfo(std::string name, const TClassInfo* parent, Factory factory,
               const Describe& describe);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;
    ~TClassInfo();

    const std::string& ClassName() const { return name_; }
    const TClassInfo* ClassParent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& other) const;
    bool InheritsFrom(std::string_view className) const; // case-insensitive
    // Creates an instance of a component class; null for abstract and non-component classes.
    TComponent* Create(TComponent* owner) const;
    bool CanCreate() const { return factory_ != nullptr; }

    // Properties declared by this class only, in declaration order.
    const std::vector<std::unique_ptr<TPropInfo>>& OwnProperties() const { return props_; }
    // The property of this name declared here or in an ancestor (the nearest wins).
    const TPropInfo* FindProperty(std::string_view name) const;
    // All properties, ancestors first; a redeclared name appears once, at its first place.
    std::vector<const TPropInfo*> Properties() const;
    const TMethodInfo* FindMethod(std::string_view name) const;

    // Used while describing the class.
    TPropInfo& AddProperty(std::unique_ptr<TPropInfo> prop);
    void AddMethod(TMethodInfo method);
    // Type information owned by the class (enumerations declared next to the class).
    const TTypeInfo& Own(std::unique_ptr<TTypeInfo> type);

private:
    std::string name_;
    const TClassInfo* parent_;
    Factory factory_;
    std::vector<std::unique_ptr<TPropInfo>> props_;
    std::vector<TMethodInfo> methods_;
    std::vector<std::unique_ptr<TTypeInfo>> types_;
};

// Classes known by name (every registered class; the form loader creates controls from
// them). RegisterClass adds a class under its name; a later registration of the same name
// replaces the earlier one.
void RegisterClass(const TClassInfo& cls);
const TClassInfo* GetClass(std::string_view name);
const TClassInfo& FindClass(std::string_view name); // raises EClassNotFound

struct TClassRegistration {
    explicit TClassRegistration(const TClassInfo& cls) { RegisterClass(cls); }
};

template <class T> TClassInfo::Factory MakeFactory() {
    if constexpr (std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>) {
        return [](TComponent* owner) -> TComponent* {
            T* obj = new T(owner);
            obj->AfterConstruction();
            return obj;
        };
    } else {
        return nullptr;
    }
}

#define STEWARD_CLASS(Name, Parent)                                                                \
public:                                                                                            \
    using inherited = Parent;                                                                      \
    static const TClassInfo& StaticClass();                                                        \
    const TClassInfo& ClassType() const override {                                                 \
        return StaticClass();                                                                      \
    }

// Defines Name::StaticClass and registers the class by name. describe is a callable taking
// TPropertyBuilder<Name>& (include TypInfo.h).
#define STEWARD_REGISTER_CLASS(Name, describe)                                                     \
    const TClassInfo& Name::StaticClass() {                                                        \
        static const TClassInfo info(#Name, &Name::inherited::StaticClass(), MakeFactory<Name>(),  \
                                     [](TClassInfo& c) {                                           \
                                         TPropertyBuilder<Name> b(c);                              \
                                         describe(b);                                              \
                                     });                                                           \
        return info;                                                                               \
    }                                                                                              \
    static const TClassRegistration stewardClassRegistration_##Name(Name::StaticClass())

// ---------------------------------------------------------------------------------------
// TObject

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    const std::string& ClassName() const { return ClassType().ClassName(); }
    const TClassInfo* ClassParent() const { return ClassType().ClassParent(); }
    bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(cls); }
    bool InheritsFrom(std::string_view className) const {
        return ClassType().InheritsFrom(className);
    }

    // Run after the constructor by Create<T> and the class factories (forms raise OnCreate
    // here), and before the destructor by Free (forms raise OnDestroy here), so both can
    // reach the most derived class.
    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}
    // Destroys the object: BeforeDestruction, then delete. Always free components this way.
    void Free();
};

// new T(args...) followed by AfterConstruction.
template <class T, class... Args> T* Create(Args&&... args) {
    T* obj = new T(std::forward<Args>(args)...);
    obj->AfterConstruction();
    return obj;
}

template <class T> void FreeAndNil(T*& obj) {
    T* o = obj;
    obj = nullptr;
    if (o)
        o->Free();
}

// Checked downcast: null when obj is null or of another class.
template <class T> T* dyn(TObject* obj) {
    return dynamic_cast<T*>(obj);
}

// ---------------------------------------------------------------------------------------
// Events: assignable handlers with identity.
//
// A TMethod is the code and data of a handler. Two handlers are equal when they run the same
// code on the same object: binding the same member function to the same object twice gives
// equal handlers; a lambda is equal only to copies of itself.

struct TMethod {
    std::shared_ptr<const void> Code; // the std::function of the event's signature
    const std::type_info* Type = nullptr;
    std::array<std::uintptr_t, 3> Key{};
    void* Data = nullptr;

    bool Assigned() const { return Code != nullptr; }
    friend bool operator==(const TMethod& a, const TMethod& b) {
        if (!a.Assigned() || !b.Assigned())
            return a.Assigned() == b.Assigned();
        return a.Type == b.Type && a.Key == b.Key && a.Data == b.Data;
    }
};

template <class Sig> class TEvent;

template <class R, class... A> class TEvent<R(A...)> {
public:
    using Function = std::function<R(A...)>;

    TEvent() = default;
    TEvent(std::nullptr_t) {}

    template <class F>
    requires(std::is_invocable_r_v<R, F&, A...> && !std::is_same_v<std::decay_t<F>, TEvent> &&
             !std::is_same_v<std::decay_t<F>, std::nullptr_t>) TEvent(F f) {
        auto fn = std::make_shared<Function>(std::move(f));
        m_.Key = {reinterpret_cast<std::uintptr_t>(fn.get()), 0, 0};
        m_.Code = std::move(fn);
        m_.Type = &typeid(TEvent);
    }

    // A member function bound to an object: the usual form of an event handler.
    template <class C, class M>
    requires std::is_base_of_v<M, C> TEvent(C* obj, R (M::*fn)(A...)) {
        M* target = obj;
        m_.Code = std::make_shared<Function>(
            [target, fn](A... a) -> R { return (target->*fn)(std::forward<A>(a)...); });
        m_.Type = &typeid(TEvent);
        static_assert(sizeof(fn) <= 2 * sizeof(std::uintptr_t));
        std::memcpy(m_.Key.data(), &fn, sizeof(fn));
        m_.Key[2] = reinterpret_cast<std::uintptr_t>(&typeid(M));
        m_.Data = static_cast<void*>(target);
    }

    // The handler a TMethod holds; EPropertyError when it belongs to another event type.
    static TEvent FromMethod(const TMethod& m) {
        TEvent e;
        if (!m.Assigned())
            return e;
        if (m.Type != &typeid(TEvent) && (!m.Type || *m.Type != typeid(TEvent)))
            throw EPropertyError("Invalid event handler type");
        e.m_ = m;
        return e;
    }

    const TMethod& Method() const { return m_; }
    explicit operator bool() const { return m_.Assigned(); }
    bool operator==(const TEvent& o) const { return m_ == o.m_; }
    bool operator==(std::nullptr_t) const { return !m_.Assigned(); }

    // Calling an unassigned event does nothing.
    R operator()(A... a) const {
        if (!m_.Assigned()) {
            if constexpr (std::is_void_v<R>)
                return;
            else
                return R{};
        }
        return (*static_cast<const Function*>(m_.Code.get()))(std::forward<A>(a)...);
    }

private:
    TMethod m_;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------
// TPersistent, TComponent

class TPersistent : public TObject {
    STEWARD_CLASS(TPersistent, TObject)
    // Copies the source's state; EConvertError when the classes do not fit.
    virtual void Assign(TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest);
};

enum TComponentStateItem { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateItem>;
enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    STEWARD_CLASS(TComponent, TPersistent)
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    void BeforeDestruction() override;

    const std::string& Name() const { return name_; }
    // EComponentError for a name that is not an identifier or is already taken in the owner.
    virtual void SetName(const std::string& name);
    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    // The owned component of that name (case-insensitive), or null.
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }

    TComponentState ComponentState() const { return state_; }
    bool IsLoading() const { return state_.Contains(csLoading); }
    bool IsDestroying() const { return state_.Contains(csDestroying); }
    // Set by the form loader while it reads a description; Loaded() clears it.
    void SetLoading();
    virtual void Loaded();
    // Marks this component and everything it owns as being destroyed.
    void Destroying();

    // Asks to be told (Notification with opRemove) when component is destroyed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

protected:
    // Told when a component is inserted into or removed from this owner, or when a
    // component this one asked about is destroyed. Passed on to the owned components.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void Insert(TComponent* c);
    void Remove(TComponent* c);
    void RemoveNotification(TComponent* c);

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::intptr_t tag_ = 0;
    TComponentState state_;
};

bool IsValidIdent(std::string_view ident);

// ---------------------------------------------------------------------------------------
// Collections: lists of items that belong to a persistent owner (list view columns, ...).

class TCollection;

class TCollectionItem : public TPersistent {
    STEWARD_CLASS(TCollectionItem, TPersistent)
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return collection_; }
    int Index() const;

private:
    friend class TCollection;
    TCollection* collection_;
};

class TCollection : public TPersistent {
    STEWARD_CLASS(TCollection, TPersistent)
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(ItemFactory factory);
    ~TCollection() override;
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // From another collection: its items copied one by one into new items of this one.
    void Assign(TPersistent* source) override;

protected:
    // Told after an item is added, removed or changed (item null: many changed).
    virtual void Update(TCollectionItem* /*item*/) {}
    friend class TCollectionItem;
    void Changed(TCollectionItem* item);

private:
    ItemFactory factory_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
};

// ---------------------------------------------------------------------------------------
// String lists

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    STEWARD_CLASS(TStrings, TPersistent)
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* obj);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& s);
    int AddObject(const std::string& s, TObject* obj);
    void InsertObject(int index, const std::string& s, TObject* obj);
    void AddStrings(const TStrings& other);
    virtual int IndexOf(std::string_view s) const; // case-insensitive
    int IndexOfObject(const TObject* obj) const;
    void Exchange(int a, int b);
    void Move(int from, int to);

    std::string operator[](int index) const { return Get(index); }
    std::string Strings(int index) const { return Get(index); }

    // Lines joined with "\n"; setting splits at "\r\n", "\n" or "\r".
    virtual std::string Text() const;
    virtual void SetText(std::string_view text);
    std::string CommaText() const;
    void SetCommaText(std::string_view text);

    // name=value lines
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    std::string Values(std::string_view name) const;
    void SetValue(std::string_view name, const std::string& value);
    int IndexOfName(std::string_view name) const;

    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    void Assign(TPersistent* source) override;
    bool Equals(const TStrings& other) const;
    std::vector<std::string> ToVector() const;

protected:
    virtual void SetUpdateState(bool /*updating*/) {}
    void CheckIndex(int index, int limit) const;

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
    STEWARD_CLASS(TStringList, TStrings)
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines);

    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& s) override;
    int IndexOf(std::string_view s) const override;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool v);
    // Binary search in a sorted list: true and the index when found, else the insert place.
    bool Find(std::string_view s, int& index) const;
    void Sort();
    void CustomSort(const std::function<int(TStringList&, int, int)>& compare);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    void Changed();
    void Changing();

private:
    int Compare(std::string_view a, std::string_view b) const;
    struct Item {
        std::string s;
        TObject* obj = nullptr;
    };
    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};

// Case-insensitive comparison of ASCII letters (names of properties, components, classes).
bool SameIdent(std::string_view a, std::string_view b);
int CompareIdent(std::string_view a, std::string_view b);
