#include "LangReader.h"

#include "ComCtrls.h"
#include "Forms.h"
#include "LibStrs.h"
#include "StdCtrls.h"
#include "TypInfo.h"

#include <algorithm>
#include <vector>

namespace {

// Classes recognised by name: they live outside the platform.
constexpr std::string_view kDataModuleClass = "TDataModule";
constexpr std::string_view kDBComboBoxClass = "TwwDBCustomComboBox";

std::string LowerTrimmed(std::string_view text) {
    std::string s(TrimBlanks(text));
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = path.find('.', start);
        const std::string_view seg = path.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        segments.emplace_back(TrimBlanks(seg));
        if (dot == std::string_view::npos)
            return segments;
        start = dot + 1;
    }
}

// "Items_3" → ("Items", 3); no "_" or no integer after it → index -1.
struct TIndexedName {
    std::string Name;
    int Index = -1;
    bool HasIndex = false; // a "_" followed by an integer
};

TIndexedName SplitIndex(const std::string& segment) {
    const std::size_t underscore = segment.rfind('_');
    if (underscore == std::string::npos)
        return {segment, -1, false};
    int index = -1;
    if (!TryTextToInt(segment.substr(underscore + 1), index))
        return {segment.substr(0, underscore), -1, false};
    return {segment.substr(0, underscore), index, true};
}

bool IsIndexedListName(std::string_view name) {
    return SameIdent(name, "Items") || SameIdent(name, "Columns");
}

// One step of the walk into an indexed segment; false when nothing is to be set.
bool StepIntoIndexed(TObject*& current, const std::string& name, int index) {
    if (auto* collection = dynamic_cast<TCollection*>(current)) {
        if (index >= 0 && index < collection->Count())
            current = collection->Items(index);
        return true;
    }
    // Columns_n and Items_n of a list view, Items_n of a tree view: the column, item or node
    // at that index; an index beyond the list names nothing.
    if (auto* listView = dynamic_cast<TCustomListView*>(current)) {
        if (SameIdent(name, "Columns") && index >= 0 && index < listView->Columns()->Count())
            current = listView->Columns()->Items(index);
        else if (SameIdent(name, "Items") && index >= 0 && index < listView->Items()->Count())
            current = listView->Items()->Item(index);
        else
            return false;
        return true;
    }
    if (auto* treeView = dynamic_cast<TCustomTreeView*>(current)) {
        if (!SameIdent(name, "Items") || index < 0 || index >= treeView->Items()->Count())
            return false;
        current = treeView->Items()->Item(index);
        return true;
    }
    if (dynamic_cast<TListItems*>(current))
        return true;
    TObject* held = GetObjectPropByName(current, name);
    if (!held)
        return false;
    current = held;
    return true;
}

// Lists are padded up to an item index; a larger index in a language file is a mistake,
// and padding to it would exhaust memory.
constexpr int kMaxPaddedLines = 65535;

void AssignLine(TStrings* lines, int index, const std::string& value) {
    if (index < 0 || (index >= lines->Count() && index >= kMaxPaddedLines))
        return;
    while (lines->Count() <= index)
        lines->Add("");
    lines->Put(index, value);
}

} // namespace

// ---- Property paths -------------------------------------------------------------------------

TObject* GetObjectPropByName(TObject* obj, std::string_view name) {
    if (!obj)
        return nullptr;
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p || p->Kind() != tkClass)
        return nullptr;
    return std::get<TObject*>(p->Get(obj));
}

void SetPropertyByPath(TObject* obj, std::string_view path, const std::string& value) {
    if (!obj)
        throw EPropertyError("No object for property " + std::string(path));
    const std::size_t dot = path.find('.');
    if (dot != std::string_view::npos) {
        const std::string head(TrimBlanks(path.substr(0, dot)));
        TObject* held = GetObjectPropByName(obj, head);
        if (!held)
            throw EPropertyError("Property " + head + " is not an object");
        SetPropertyByPath(held, path.substr(dot + 1), value);
        return;
    }
    const std::string name(TrimBlanks(path));
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p)
        throw EPropertyError("Unknown property " + name);
    const TTypeKind kind = p->Kind();
    int number = 0;
    if ((kind == tkEnumeration || kind == tkSet) && !TryTextToInt(value, number)) {
        SetPropText(obj, name, TrimBlanks(value));
        return;
    }
    // Integers take their identifiers ("clRed") as well as numbers.
    SetPropText(obj, name, value);
}

bool TrySetPropertyByPath(TObject* obj, std::string_view path, const std::string& value) {
    try {
        SetPropertyByPath(obj, path, value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void LoadLanguageProperty(TComponent* component, std::string_view path, const std::string& value) {
    const std::vector<std::string> segments = SplitPath(path);
    TObject* current = component;
    TIndexedName last;
    bool walked = true;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        const std::string& segment = segments[i];
        if (segment.find('_') == std::string::npos) {
            current = GetObjectPropByName(current, segment);
            if (!current)
                return;
            continue;
        }
        const TIndexedName indexed = SplitIndex(segment);
        if (!indexed.HasIndex || !IsIndexedListName(indexed.Name)) {
            // The walk stops here and this segment, without its index, is the last one.
            last = {indexed.Name, -1, false};
            walked = false;
            break;
        }
        if (!StepIntoIndexed(current, indexed.Name, indexed.Index))
            return;
    }
    if (walked)
        last = SplitIndex(segments.back());

    if (current == component && last.Index >= 0) {
        current = GetObjectPropByName(component, last.Name);
        if (!current)
            return;
    }
    if (auto* lines = dynamic_cast<TStrings*>(current)) {
        AssignLine(lines, last.Index, value);
        return;
    }
    if (auto* node = dynamic_cast<TTreeNode*>(current); node && SameIdent(last.Name, "Text")) {
        node->SetText(value);
        return;
    }
    // A list item's Caption and any other property: by name.
    TrySetPropertyByPath(current, last.Name, value);
}

// ---- Component readers ----------------------------------------------------------------------

TComponentRead::TComponentRead(TComponent* component, const TXmlNode& node)
    : component_(component), node_(node) {}

void TComponentRead::SetComponentNode(const TXmlNode& node) {
    node_ = node;
    attributes_.clear();
    attributesRead_ = false;
}

const std::vector<std::pair<std::string, std::string>>& TComponentRead::Attributes() {
    if (!attributesRead_) {
        attributes_ = node_ ? node_.Attributes() : decltype(attributes_){};
        attributesRead_ = true;
    }
    return attributes_;
}

void TComponentRead::LoadProperty(const TLangAttribute& attribute) {
    if (!component_)
        return;
    try {
        LoadLanguageProperty(component_, attribute.Name, attribute.Value);
    } catch (const std::exception&) {
        // A value the property rejects leaves it as it was; the other attributes go on.
    }
}

void TComponentRead::Apply(const TLangAttribute& attribute) {
    if (OnLoadProperty)
        OnLoadProperty(attribute);
    else
        LoadProperty(attribute);
}

void TComponentRead::ReadAttribute(const Variant& indexOrName) {
    const auto& attributes = Attributes();
    if (VarIsStr(indexOrName)) {
        const std::string name = indexOrName.AsString();
        for (const auto& [attrName, value] : attributes) {
            if (attrName == name) {
                Apply({attrName, value});
                return;
            }
        }
        return;
    }
    const TVarType type = VarType(indexOrName.Deref());
    const bool integral = type == varInteger || type == varSmallint || type == varShortInt ||
                          type == varByte || type == varWord || type == varLongWord ||
                          type == varInt64;
    if (!integral)
        return;
    const std::int64_t index = indexOrName.AsInt64();
    if (index < 0 || index >= static_cast<std::int64_t>(attributes.size()))
        return;
    const auto& [name, value] = attributes[static_cast<std::size_t>(index)];
    Apply({name, value});
}

void TComponentRead::ReadAll() {
    const int count = static_cast<int>(Attributes().size());
    for (int i = 0; i < count; ++i)
        ReadAttribute(Variant(i));
}

void TCustomComboBoxRead::ReadAll() {
    auto* combo = dynamic_cast<TCustomComboBox*>(GetComponent());
    const int itemIndex = combo ? combo->ItemIndex() : -1;
    TComponentRead::ReadAll();
    if (combo)
        combo->SetItemIndex(itemIndex);
}

void TwwDBCustomComboBoxRead::ReadAll() {
    TComponent* combo = GetComponent();
    const std::int64_t itemIndex = GetOrdPropByName(combo, "ItemIndex");
    TComponentRead::ReadAll();
    SetOrdPropByName(combo, "ItemIndex", itemIndex);
}

ILangReadPtr TReaderFactory::CreateReader(TComponent* component, const TXmlNode& node) {
    if (component && component->InheritsFrom(kDBComboBoxClass))
        return std::make_shared<TwwDBCustomComboBoxRead>(component, node);
    if (dynamic_cast<TCustomComboBox*>(component))
        return std::make_shared<TCustomComboBoxRead>(component, node);
    return std::make_shared<TComponentRead>(component, node);
}

// ---- The reader -----------------------------------------------------------------------------

TLangReader::TLangReader(TXmlDocument document) : document_(std::move(document)) {
    // One pass over the document; each component then finds its element at once instead
    // of searching the whole document.
    if (TXmlNode root = document_.DocumentElement())
        IndexElements(root);
}

void TLangReader::IndexElements(const TXmlNode& node) {
    std::vector<TXmlNode> pending{node};
    while (!pending.empty()) {
        TXmlNode current = std::move(pending.back());
        pending.pop_back();
        elements_.try_emplace(current.Name(), current);
        std::vector<TXmlNode> children = current.ChildNodes();
        // Pushed in reverse so the first child is visited next: document order.
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if (it->IsElement())
                pending.push_back(std::move(*it));
        }
    }
}

TXmlNode TLangReader::FindElement(const std::string& name) const {
    auto it = elements_.find(name);
    return it == elements_.end() ? TXmlNode() : it->second;
}

void TLangReader::SetExcludeControls(const TStrings* names) {
    excluded_.clear();
    if (!names)
        return;
    for (int i = 0; i < names->Count(); ++i)
        excluded_.insert(LowerTrimmed(names->Get(i)));
}

bool TLangReader::IsExcluded(std::string_view name) const {
    return excluded_.contains(LowerTrimmed(name));
}

void TLangReader::DoAfterLoadComponent(TComponent* component, const TXmlNode& node) {
    if (AfterLoadComponent)
        AfterLoadComponent(component, node);
}

void TLangReader::DoBeforeLoadComponent(TComponent* component, const TXmlNode& node) {
    if (BeforeLoadComponent)
        BeforeLoadComponent(component, node);
}

void TLangReader::Apply(TComponent* component, const TXmlNode& node) {
    DoBeforeLoadComponent(component, node);
    TReaderFactory::CreateReader(component, node)->ReadAll();
    DoAfterLoadComponent(component, node);
}

void TLangReader::ReadComponent(TComponent* component) {
    if (!component)
        return;
    const std::shared_ptr<TLangReader> keepAlive = weak_from_this().lock();
    const bool isWindow = dynamic_cast<TCustomForm*>(component) != nullptr ||
                          component->InheritsFrom(kDataModuleClass);
    if (isWindow) {
        if (TXmlNode root = document_.DocumentElement())
            Apply(component, root);
    }
    const std::string& name = component->Name();
    if (!name.empty() && !IsExcluded(name)) {
        if (TXmlNode element = FindElement(name))
            Apply(component, element);
    }
    for (int i = 0; i < component->ComponentCount(); ++i)
        ReadComponent(component->Components(i));
}
