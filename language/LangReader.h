// Applying a language document to components: the reader that walks a window and what it
// owns, and the per-component readers that turn each attribute into a property assignment.
//
// An attribute's name is a property path ("Caption", "Font.Name", "Items_3",
// "Columns_1.Caption"); its value is the new value as text.
#pragma once

#include "Classes.h"
#include "Variant.h"
#include "XmlHelpers.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

// (component, element) around each component the reader applies an element to.
using TLoadComponentEvent = TEvent<void(TComponent* Component, const TXmlNode& ComponentNode)>;

// One attribute of a component's element: the property path and the value text.
struct TLangAttribute {
    std::string Name;
    std::string Value;
};

// Reads one element into one component.
class ILangRead {
public:
    static constexpr std::string_view IID = "{B0CB6881-FA13-4102-805C-97686F87497B}";
    virtual ~ILangRead() = default;

    virtual TComponent* GetComponent() const = 0;
    virtual const TXmlNode& GetComponentNode() const = 0;
    virtual void SetComponent(TComponent* component) = 0;
    virtual void SetComponentNode(const TXmlNode& node) = 0;
    // The attribute by position (an integer) or by name (a text); other values select
    // nothing.
    virtual void ReadAttribute(const Variant& indexOrName) = 0;
    virtual void ReadAll() = 0;
};
using ILangReadPtr = std::shared_ptr<ILangRead>;

class TComponentRead : public ILangRead {
public:
    using TPropertyLoadHandler = std::function<void(const TLangAttribute& attribute)>;

    TComponentRead(TComponent* component, const TXmlNode& node);

    // Applies one attribute; a path that leads nowhere or a rejected value is ignored.
    virtual void LoadProperty(const TLangAttribute& attribute);

    TComponent* GetComponent() const override { return component_; }
    const TXmlNode& GetComponentNode() const override { return node_; }
    void SetComponent(TComponent* component) override { component_ = component; }
    void SetComponentNode(const TXmlNode& node) override;
    void ReadAttribute(const Variant& indexOrName) override;
    void ReadAll() override;

    // When assigned, it receives the attributes instead of LoadProperty.
    TPropertyLoadHandler OnLoadProperty;

private:
    void Apply(const TLangAttribute& attribute);
    const std::vector<std::pair<std::string, std::string>>& Attributes();

    TComponent* component_;
    TXmlNode node_;
    std::vector<std::pair<std::string, std::string>> attributes_;
    bool attributesRead_ = false;
};

// Combo boxes keep their chosen item when their items are replaced.
class TCustomComboBoxRead : public TComponentRead {
public:
    using TComponentRead::TComponentRead;
    void ReadAll() override;
};

// The same for the data-aware combo box of the outside component package, known by class
// name and its published ItemIndex.
class TwwDBCustomComboBoxRead : public TComponentRead {
public:
    using TComponentRead::TComponentRead;
    void ReadAll() override;
};

class TReaderFactory {
public:
    static ILangReadPtr CreateReader(TComponent* component, const TXmlNode& node);
};

// Walks a component and everything it owns, applying the element of each component's name.
// A reader held by a shared pointer stays alive while it reads, even when a load event
// deactivates the controller that owns it.
class TLangReader : public std::enable_shared_from_this<TLangReader> {
public:
    explicit TLangReader(TXmlDocument document);
    virtual ~TLangReader() = default;
    TLangReader(const TLangReader&) = delete;
    TLangReader& operator=(const TLangReader&) = delete;

    virtual void ReadComponent(TComponent* component);

    void SetExcludeControls(const TStrings* names);
    bool IsExcluded(std::string_view name) const;
    // The first element of that name in document order, as "//" + name selects it.
    TXmlNode FindElement(const std::string& name) const;

    TLoadComponentEvent AfterLoadComponent;
    TLoadComponentEvent BeforeLoadComponent;

protected:
    virtual void DoAfterLoadComponent(TComponent* component, const TXmlNode& node);
    virtual void DoBeforeLoadComponent(TComponent* component, const TXmlNode& node);

private:
    void IndexElements(const TXmlNode& node);
    void Apply(TComponent* component, const TXmlNode& node);

    TXmlDocument document_;
    std::unordered_map<std::string, TXmlNode> elements_;
    std::unordered_set<std::string> excluded_; // trimmed, lower case
};

// Property access by path, as language files use it.
//
// The object held by a class-typed property of that name; null when there is none.
TObject* GetObjectPropByName(TObject* obj, std::string_view name);
// "Font.Name": every segment but the last names a class-typed property. Integer properties
// take identifiers (colours), enumerations and sets are trimmed. Raises on any failure.
void SetPropertyByPath(TObject* obj, std::string_view path, const std::string& value);
bool TrySetPropertyByPath(TObject* obj, std::string_view path, const std::string& value);
// Applies one language attribute to component (the property-path rules of the reader).
void LoadLanguageProperty(TComponent* component, std::string_view path, const std::string& value);
