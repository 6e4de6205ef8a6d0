#include "Classes.h"

#include "TypInfo.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

// ---------------------------------------------------------------------------------------
// Names

static char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIdent(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int CompareIdent(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool IsValidIdent(std::string_view s) {
    if (s.empty())
        return false;
    auto alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (!alpha(s[0]))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [&](char c) {
        return alpha(c) || std::isdigit(static_cast<unsigned char>(c));
    });
}

// ---------------------------------------------------------------------------------------
// TClassInfo

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory,
                       const Describe& describe)
    : name_(std::move(name)), parent_(parent), factory_(factory) {
    if (describe)
        describe(*this);
}

TClassInfo::~TClassInfo() = default;

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &other)
            return true;
    return false;
}

bool TClassInfo::InheritsFrom(std::string_view className) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (SameIdent(c->name_, className))
            return true;
    return false;
}

TComponent* TClassInfo::Create(TComponent* owner) const {
    if (!factory_)
        throw EClassNotFound("Cannot create an instance of abstract class " + name_);
    return factory_(owner);
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const auto& p : c->props_)
            if (SameIdent(p->Name, name))
                return p.get();
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->parent_)
        chain.insert(chain.begin(), c);
    std::vector<const TPropInfo*> out;
    for (const TClassInfo* c : chain)
        for (const auto& p : c->props_) {
            auto same = [&](const TPropInfo* q) { return SameIdent(q->Name, p->Name); };
            auto it = std::find_if(out.begin(), out.end(), same);
            if (it == out.end())
                out.push_back(p.get());
            else
                *it = p.get(); // a redeclaration keeps the first place, uses the new accessors
        }
    return out;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const auto& m : c->methods_)
            if (SameIdent(m.Name, name))
                return &m;
    return nullptr;
}

TPropInfo& TClassInfo::AddProperty(std::unique_ptr<TPropInfo> prop) {
    props_.push_back(std::move(prop));
    return *props_.back();
}

void TClassInfo::AddMethod(TMethodInfo method) {
    methods_.push_back(std::move(method));
}

const TTypeInfo& TClassInfo::Own(std::unique_ptr<TTypeInfo> type) {
    types_.push_back(std::move(type));
    return *types_.back();
}

namespace {
struct ClassTable {
    std::mutex mutex;
    std::map<std::string, const TClassInfo*, std::less<>> byLowerName;
};
ClassTable& Classes() {
    static ClassTable table;
    return table;
}
std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = LowerAscii(c);
    return r;
}
} // namespace

void RegisterClass(const TClassInfo& cls) {
    auto& t = Classes();
    std::lock_guard lock(t.mutex);
    t.byLowerName[Lower(cls.ClassName())] = &cls;
}

const TClassInfo* GetClass(std::string_view name) {
    auto& t = Classes();
    std::lock_guard lock(t.mutex);
    auto it = t.byLowerName.find(Lower(name));
    return it == t.byLowerName.end() ? nullptr : it->second;
}

const TClassInfo& FindClass(std::string_view name) {
    const TClassInfo* c = GetClass(name);
    if (!c)
        throw EClassNotFound("Class " + std::string(name) + " not found");
    return *c;
}

// ---------------------------------------------------------------------------------------
// TObject, TPersistent

const TClassInfo& TObject::StaticClass() {
    static const TClassInfo info("TObject", nullptr, nullptr, nullptr);
    return info;
}

void TObject::Free() {
    BeforeDestruction();
    delete this;
}

STEWARD_REGISTER_CLASS(TPersistent, [](auto&) {});

void TPersistent::Assign(TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) {
    std::string to = dest ? dest->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + to);
}

// ---------------------------------------------------------------------------------------
// TComponent

STEWARD_REGISTER_CLASS(TComponent, [](TPropertyBuilder<TComponent>& b) {
    b.Str("Name", &TComponent::Name, &TComponent::SetName);
    b.Int("Tag", &TComponent::Tag, &TComponent::SetTag);
});

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
    if (!IsDestroying())
        Destroying();
}

TComponent::~TComponent() {
    Destroying();
    // Tell everyone who asked; they drop their references to this component.
    while (!freeNotifies_.empty()) {
        TComponent* c = freeNotifies_.back();
        freeNotifies_.pop_back();
        if (c != owner_) {
            auto& back = c->freeNotifies_;
            back.erase(std::remove(back.begin(), back.end(), this), back.end());
        }
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_)
        return -1;
    auto& v = owner_->components_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (SameIdent(c->name_, name))
            return c;
    return nullptr;
}

void TComponent::SetName(const std::string& name) {
    if (name == name_)
        return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("\"" + name + "\" is not a valid component name");
    if (owner_ && !name.empty()) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this)
            throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component->name_.empty() && FindComponent(component->name_))
        throw EComponentError("A component named " + component->name_ + " already exists");
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component->owner_ != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* c) {
    components_.push_back(c);
    c->owner_ = this;
}

void TComponent::Remove(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end())
        components_.erase(it);
    c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    // Last first, and out of the list before it goes, so nobody is told about it twice.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        Remove(c);
        c->Free();
    }
}

void TComponent::SetLoading() {
    state_.Include(csLoading);
}

void TComponent::Loaded() {
    state_.Exclude(csLoading);
}

void TComponent::Destroying() {
    if (state_.Contains(csDestroying))
        return;
    state_.Include(csDestroying);
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& back = component->freeNotifies_;
    if (std::find(back.begin(), back.end(), this) == back.end())
        back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    RemoveNotification(component);
    if (component)
        component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* c) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), c),
                        freeNotifies_.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Copy: a handler may free components.
    std::vector<TComponent*> owned = components_;
    for (TComponent* c : owned)
        if (c != component)
            c->Notification(component, operation);
}

// ---------------------------------------------------------------------------------------
// TCollection

STEWARD_REGISTER_CLASS(TCollectionItem, [](auto&) {});
STEWARD_REGISTER_CLASS(TCollection, [](TPropertyBuilder<TCollection>& b) {
    b.Int("Count", &TCollection::Count, nullptr);
});

TCollectionItem::TCollectionItem(TCollection* collection) : collection_(collection) {}

TCollectionItem::~TCollectionItem() {
    if (collection_) {
        auto& v = collection_->items_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        collection_->Changed(nullptr);
    }
}

int TCollectionItem::Index() const {
    if (!collection_)
        return -1;
    auto& v = collection_->items_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

TCollection::TCollection(ItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection() {
    for (TCollectionItem* i : items_) {
        i->collection_ = nullptr;
        delete i;
    }
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = factory_ ? factory_(this) : new TCollectionItem(this);
    items_.push_back(item);
    Changed(item);
    return item;
}

void TCollection::Assign(TPersistent* source) {
    auto* other = dyn<TCollection>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    Clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(other->Items(i));
    EndUpdate();
}

void TCollection::Delete(int index) {
    delete Items(index);
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        delete items_.back();
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (--updateCount_ == 0)
        Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* item) {
    if (updateCount_ == 0)
        Update(item);
}

// ---------------------------------------------------------------------------------------
// TStrings

STEWARD_REGISTER_CLASS(TStrings, [](TPropertyBuilder<TStrings>& b) {
    b.Str("Text", &TStrings::Text, [](TStrings* s, const std::string& v) { s->SetText(v); });
    b.Int("Count", &TStrings::Count, nullptr);
    b.Str("CommaText", &TStrings::CommaText,
          [](TStrings* s, const std::string& v) { s->SetCommaText(v); });
});

void TStrings::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStrings::Put(int index, const std::string& s) {
    TObject* obj = GetObject(index);
    BeginUpdate();
    Delete(index);
    InsertObject(index, s, obj);
    EndUpdate();
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& s) {
    int n = Count();
    Insert(n, s);
    return n;
}

int TStrings::AddObject(const std::string& s, TObject* obj) {
    int i = Add(s);
    PutObject(i, obj);
    return i;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* obj) {
    Insert(index, s);
    PutObject(index, obj);
}

void TStrings::AddStrings(const TStrings& other) {
    BeginUpdate();
    for (int i = 0; i < other.Count(); ++i)
        AddObject(other.Get(i), other.GetObject(i));
    EndUpdate();
}

int TStrings::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameIdent(Get(i), s))
            return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == obj)
            return i;
    return -1;
}

void TStrings::Exchange(int a, int b) {
    CheckIndex(a, Count());
    CheckIndex(b, Count());
    BeginUpdate();
    std::string sa = Get(a), sb = Get(b);
    TObject* oa = GetObject(a);
    TObject* ob = GetObject(b);
    Put(a, sb);
    PutObject(a, ob);
    Put(b, sa);
    PutObject(b, oa);
    EndUpdate();
}

void TStrings::Move(int from, int to) {
    if (from == to)
        return;
    CheckIndex(from, Count());
    BeginUpdate();
    std::string s = Get(from);
    TObject* o = GetObject(from);
    Delete(from);
    InsertObject(to, s, o);
    EndUpdate();
}

std::string TStrings::Text() const {
    std::string r;
    for (int i = 0; i < Count(); ++i) {
        r += Get(i);
        r += '\n';
    }
    return r;
}

void TStrings::SetText(std::string_view text) {
    BeginUpdate();
    Clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\n' && text[j] != '\r')
            ++j;
        Add(std::string(text.substr(i, j - i)));
        if (j < text.size() && text[j] == '\r')
            ++j;
        if (j < text.size() && text[j] == '\n')
            ++j;
        i = j;
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    std::string r;
    for (int i = 0; i < Count(); ++i) {
        if (i)
            r += ',';
        std::string s = Get(i);
        bool quote = s.empty() || s.find_first_of(" ,\"\t") != std::string::npos;
        if (!quote) {
            r += s;
            continue;
        }
        r += '"';
        for (char c : s) {
            if (c == '"')
                r += '"';
            r += c;
        }
        r += '"';
    }
    return r;
}

void TStrings::SetCommaText(std::string_view text) {
    BeginUpdate();
    Clear();
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            while (i < text.size() && text[i] != ',' && text[i] != ' ')
                item += text[i++];
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != ' ')
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skipBlanks();
            if (i >= text.size())
                Add("");
        }
    }
    EndUpdate();
}

std::string TStrings::Names(int index) const {
    std::string s = Get(index);
    size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string s = Get(index);
    size_t p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string s = Get(i);
        size_t p = s.find('=');
        if (p != std::string::npos && SameIdent(std::string_view(s).substr(0, p), name))
            return i;
    }
    return -1;
}

std::string TStrings::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view name, const std::string& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    std::string line = std::string(name) + "=" + value;
    if (i < 0)
        Add(line);
    else
        Put(i, line);
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0)
        SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        SetUpdateState(false);
}

void TStrings::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TStrings*>(source)) {
        if (s == this)
            return;
        BeginUpdate();
        Clear();
        AddStrings(*s);
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> v;
    v.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        v.push_back(Get(i));
    return v;
}

// ---------------------------------------------------------------------------------------
// TStringList

STEWARD_REGISTER_CLASS(TStringList, [](TPropertyBuilder<TStringList>& b) {
    b.Bool("Sorted", &TStringList::Sorted, &TStringList::SetSorted);
    b.Bool("CaseSensitive", &TStringList::CaseSensitive, &TStringList::SetCaseSensitive);
    b.Event("OnChange", "TNotifyEvent", &TStringList::OnChange);
    b.Event("OnChanging", "TNotifyEvent", &TStringList::OnChanging);
});

TStringList::TStringList(std::initializer_list<std::string> lines) {
    for (const auto& l : lines)
        Add(l);
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
    if (caseSensitive_)
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return CompareIdent(a, b);
}

std::string TStringList::Get(int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)].s;
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count());
    Changing();
    items_[static_cast<size_t>(index)].s = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<size_t>(index)].obj;
}

void TStringList::PutObject(int index, TObject* obj) {
    CheckIndex(index, Count());
    items_[static_cast<size_t>(index)].obj = obj;
}

void TStringList::Insert(int index, const std::string& s) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index, Count() + 1);
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty())
        return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::Add(const std::string& s) {
    if (!sorted_) {
        Changing();
        items_.push_back(Item{s, nullptr});
        Changed();
        return Count() - 1;
    }
    int index;
    if (Find(s, index)) {
        if (duplicates_ == dupIgnore)
            return index;
        if (duplicates_ == dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    Changing();
    items_.insert(items_.begin() + index, Item{s, nullptr});
    Changed();
    return index;
}

int TStringList::IndexOf(std::string_view s) const {
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<size_t>(i)].s, s) == 0)
            return i;
    return -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = Compare(items_[static_cast<size_t>(mid)].s, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept)
                    lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    if (sorted)
        Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool v) {
    if (v == caseSensitive_)
        return;
    caseSensitive_ = v;
    if (sorted_)
        Sort();
}

void TStringList::Sort() {
    CustomSort([](TStringList& l, int a, int b) {
        return l.Compare(l.items_[static_cast<size_t>(a)].s, l.items_[static_cast<size_t>(b)].s);
    });
}

void TStringList::CustomSort(const std::function<int(TStringList&, int, int)>& compare) {
    if (Count() < 2)
        return;
    Changing();
    // Sort an index permutation with the caller's comparison of positions, then apply it.
    std::vector<int> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order)
        sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
    items_ = std::move(sorted);
    Changed();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Changing() {
    if (!Updating() && OnChanging)
        OnChanging(this);
}

void TStringList::Changed() {
    if (!Updating() && OnChange)
        OnChange(this);
}
