#include "ConversionPass.h"

#include "CodeConverter.h"
#include "ComCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "StewardINI.h"
#include "TypInfo.h"

#include <vector>

namespace {

// Classes of the layers above this one or of outside packages, known by name.
constexpr std::string_view kSelectPanelClass = "TSelectPanel";
constexpr std::string_view kNavigatorClass = "TDBNavigator";
constexpr std::string_view kAlignGridClass = "TStringAlignGrid";

bool IsConvertingKind(std::uint8_t kind) {
    return kind == ConvertKindBig5ToGB || kind == ConvertKindGBToBig5;
}

// The property when the object publishes it with that type name.
const TPropInfo* TypedProp(const TObject* obj, std::string_view name, std::string_view typeName) {
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p || p->PropType->Name != typeName)
        return nullptr;
    return p;
}

const TPropInfo* WritableTextProp(const TObject* obj, std::string_view name) {
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p || p->Kind() != tkString || !p->Set)
        return nullptr;
    return p;
}

TObject* HeldObject(TObject* obj, const TPropInfo* p) {
    if (!p || p->Kind() != tkClass)
        return nullptr;
    return std::get<TObject*>(p->Get(obj));
}

TObject* HeldObject(TObject* obj, std::string_view name) {
    return HeldObject(obj, GetPropInfo(obj, name));
}

std::vector<std::string> Split(const std::string& text, std::string_view separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
}

// The lines of a list as one text, as the list steps convert them.
std::string JoinLines(const TStrings& lines) {
    std::string joined;
    for (int i = 0; i < lines.Count(); ++i) {
        if (i > 0)
            joined += '\n';
        joined += lines.Get(i);
    }
    return joined;
}

// Separates texts converted in one translator call. No dictionary phrase contains it, so no
// conversion reaches across it.
constexpr std::string_view kBatchSeparator = "\n\x1E\n";
const char* const kPrefetchedTextProps[] = {"Caption", "Hint", "ButtonHint"};
const char* const kPrefetchedListProps[] = {"Items", "Lines"};

} // namespace

TConversionPass::TConversionPass(const TCodeConverter& converter, std::uint8_t kind,
                                 bool convertAll)
    : converter_(converter), kind_(kind), convertAll_(convertAll) {}

void TConversionPass::Run(TCustomForm* form) const {
    Prefetch(form);
    ConvertWindow(form);
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* component = form->Components(i);
        ConvertProperties(component);
        ConvertByClass(component);
    }
}

void TConversionPass::ConvertWindow(TCustomForm* form) const {
    // The title bar shows traditional text on a Big5 system whatever the interface kind,
    // and in a Big5 interface on any system: our title bars draw Unicode either way.
    if (converter_.SysCodePage() == CodePageTextBig5 || kind_ == ConvertKindGBToBig5)
        form->SetCaption(converter_.GBToBIG5Text(form->Caption()));
    ConvertTextProp(form, "Hint");
    ConvertTextProp(form, "ButtonHint");
    if (Screen) {
        TCodeConverter::SetFontForKind(kind_, Screen->HintFont());
        TCodeConverter::SetFontForKind(kind_, Screen->IconFont());
        TCodeConverter::SetFontForKind(kind_, Screen->MenuFont());
    }
    // Toggling the hint display makes a hint window pick up the new hint font.
    if (Application) {
        const bool showHint = Application->ShowHint();
        Application->SetShowHint(!showHint);
        Application->SetShowHint(showHint);
    }
}

// ---- Property steps -------------------------------------------------------------------------

void TConversionPass::ConvertProperties(TComponent* component) const {
    ConvertFontProp(component, "Font");
    ConvertFontProp(component, "TitleFont");
    ConvertTextProp(component, "Caption");
    ConvertTextProp(component, "Hint");
    ConvertTextProp(component, "ButtonHint");
    ConvertListProp(component, "Items");
    ConvertListProp(component, "Lines");
    ConvertStyleProp(component);
    ConvertStatusPanels(component);
}

void TConversionPass::ConvertFontProp(TObject* obj, std::string_view name) const {
    const TPropInfo* p = TypedProp(obj, name, "TFont");
    if (auto* font = dynamic_cast<TFont*>(HeldObject(obj, p)))
        TCodeConverter::SetFontForKind(kind_, font);
}

void TConversionPass::ConvertTextProp(TObject* obj, std::string_view name) const {
    const TPropInfo* p = WritableTextProp(obj, name);
    if (!p)
        return;
    const std::string text = std::get<std::string>(p->Get(obj));
    if (text.empty())
        return;
    const std::string converted = Value(text);
    if (converted != text)
        p->Set(obj, converted);
}

void TConversionPass::ConvertListProp(TComponent* component, std::string_view name) const {
    const TPropInfo* p = TypedProp(component, name, "TStrings");
    auto* lines = dynamic_cast<TStrings*>(HeldObject(component, p));
    if (!lines)
        return;
    auto* combo = dynamic_cast<TCustomComboBox*>(component);
    const int itemIndex = combo ? combo->ItemIndex() : -1;
    ConvertLines(lines, false);
    if (combo && lines->Count() > 0)
        combo->SetItemIndex(itemIndex);
}

void TConversionPass::ConvertStyleProp(TComponent* component) const {
    if (kind_ == ConvertKindNone)
        return;
    if (TypedProp(component, "Style", "TComboBoxStyle")) {
        auto* combo = dynamic_cast<TCustomComboBox*>(component);
        const int itemIndex = combo ? combo->ItemIndex() : -1;
        const std::int64_t style = GetOrdProp(component, "Style");
        if (style == csDropDown)
            SetOrdProp(component, "Style", csOwnerDrawVariable);
        else if (style == csDropDownList)
            SetOrdProp(component, "Style", csOwnerDrawFixed);
        if (combo && combo->Items()->Count() > 0 && combo->ItemIndex() != itemIndex)
            combo->SetItemIndex(itemIndex);
        return;
    }
    if (TypedProp(component, "Style", "TListBoxStyle") &&
        GetOrdProp(component, "Style") == lbStandard)
        SetOrdProp(component, "Style", lbOwnerDrawFixed);
}

void TConversionPass::ConvertStatusPanels(TObject* obj) const {
    const TPropInfo* p = TypedProp(obj, "Panels", "TStatusPanels");
    ConvertCollectionText(HeldObject(obj, p), "Text", false);
}

// ---- Class steps ----------------------------------------------------------------------------

void TConversionPass::ConvertByClass(TComponent* component) const {
    if (component->InheritsFrom(TMenu::StaticClass())) {
        static_cast<TMenu*>(component)->SetOwnerDraw(true);
        return;
    }
    if (!IsConvertingKind(kind_))
        return;
    if (auto* listView = dynamic_cast<TCustomListView*>(component))
        ConvertListView(listView);
    else if (auto* tabSet = dynamic_cast<TTabSet*>(component))
        ConvertTabSet(tabSet);
    else if (component->InheritsFrom(kSelectPanelClass))
        ConvertSelectPanel(component);
    else if (component->InheritsFrom(TCustomComboBox::StaticClass()))
        ConvertComboBox(component);
    else if (component->InheritsFrom(kNavigatorClass))
        ConvertNavigator(component);
    else if (!convertAll_)
        return;
    else if (auto* treeView = dynamic_cast<TCustomTreeView*>(component))
        ConvertTreeView(treeView);
    else if (component->InheritsFrom(kAlignGridClass))
        ConvertAlignGrid(component);
    else if (auto* grid = dynamic_cast<TStringGrid*>(component))
        ConvertStringGrid(grid);
}

void TConversionPass::ConvertListView(TCustomListView* listView) const {
    TListColumns* columns = listView->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TListColumn* column = columns->Items(i);
        column->SetCaption(Directed(column->Caption()));
    }
    TListItems* items = listView->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TListItem* item = items->Item(i);
        item->SetCaption(Directed(item->Caption()));
        ConvertLines(item->SubItems(), true);
    }
}

void TConversionPass::ConvertTabSet(TTabSet* tabSet) const {
    const int tabIndex = tabSet->TabIndex();
    ConvertLines(tabSet->Tabs(), true);
    tabSet->SetTabIndex(tabIndex);
}

void TConversionPass::ConvertSelectPanel(TComponent* panel) const {
    ConvertLines(dynamic_cast<TStrings*>(HeldObject(panel, "ChildHints")), true);
    for (std::string_view name : {"BeginWords", "FinalWords"}) {
        if (auto* words = dynamic_cast<TStrings*>(HeldObject(panel, name)))
            words->SetText(Directed(words->Text()));
    }
    if (const TPropInfo* p = WritableTextProp(panel, "HintWord"))
        p->Set(panel, Directed(std::get<std::string>(p->Get(panel))));
    if (auto* container = dynamic_cast<TWinControl*>(panel))
        ConvertChildListViews(container);
}

// The panel's list: the list views among its child controls, at any depth.
void TConversionPass::ConvertChildListViews(TWinControl* container) const {
    for (int i = 0; i < container->ControlCount(); ++i) {
        TControl* child = container->Controls(i);
        if (auto* listView = dynamic_cast<TCustomListView*>(child))
            ConvertListView(listView);
        else if (auto* inner = dynamic_cast<TWinControl*>(child))
            ConvertChildListViews(inner);
    }
}

void TConversionPass::ConvertComboBox(TComponent* component) const {
    auto* combo = static_cast<TCustomComboBox*>(component);
    if (combo->Style() != csSimple) {
        const int itemIndex = combo->ItemIndex();
        combo->SetStyle(csOwnerDrawFixed);
        combo->SetItemIndex(itemIndex);
    }
    if (combo->ItemIndex() < 0)
        combo->SetItemIndex(0);
}

void TConversionPass::ConvertNavigator(TComponent* navigator) const {
    ConvertLines(dynamic_cast<TStrings*>(HeldObject(navigator, "Hints")), true);
}

void TConversionPass::ConvertTreeView(TCustomTreeView* treeView) const {
    TTreeNodes* nodes = treeView->Items();
    nodes->BeginUpdate();
    for (int i = 0; i < nodes->Count(); ++i) {
        TTreeNode* node = nodes->Item(i);
        node->SetText(Directed(node->Text()));
    }
    nodes->EndUpdate();
}

void TConversionPass::ConvertStringGrid(TStringGrid* grid) const {
    for (int col = 0; col < grid->ColCount(); ++col) {
        for (int row = 0; row < grid->RowCount(); ++row) {
            const std::string text = grid->Cells(col, row);
            if (!text.empty())
                grid->SetCells(col, row, Directed(text));
        }
    }
}

// The aligned grid of the outside package derives from the string grid: its cells are
// converted here; its per-cell hints, fonts and editor lists wait for that class.
void TConversionPass::ConvertAlignGrid(TComponent* grid) const {
    if (auto* stringGrid = dynamic_cast<TStringGrid*>(grid))
        ConvertStringGrid(stringGrid);
}

// ---- Batched conversion --------------------------------------------------------------------

// The translator's cost is mostly per call: the texts of the property steps are converted in
// one call up front, and the steps then find them converted.
void TConversionPass::Prefetch(TCustomForm* form) const {
    if (!IsConvertingKind(kind_))
        return;
    std::vector<std::string> texts;
    auto add = [&](const std::string& text) {
        if (!text.empty() && text.find(kBatchSeparator) == std::string::npos &&
            !converted_.contains(text))
            texts.push_back(text);
    };
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* component = form->Components(i);
        for (const char* name : kPrefetchedTextProps) {
            if (const TPropInfo* p = WritableTextProp(component, name))
                add(std::get<std::string>(p->Get(component)));
        }
        for (const char* name : kPrefetchedListProps) {
            if (auto* lines = dynamic_cast<TStrings*>(
                    HeldObject(component, TypedProp(component, name, "TStrings"))))
                add(JoinLines(*lines));
        }
    }
    if (texts.empty())
        return;
    std::string joined;
    for (const std::string& text : texts) {
        if (!joined.empty())
            joined += kBatchSeparator;
        joined += text;
    }
    const std::vector<std::string> parts = Split(Translate(joined), kBatchSeparator);
    if (parts.size() != texts.size())
        return; // the steps convert one by one
    for (std::size_t i = 0; i < texts.size(); ++i)
        converted_.emplace(texts[i], parts[i]);
}

std::string TConversionPass::Translate(const std::string& text) const {
    if (kind_ == ConvertKindBig5ToGB)
        return converter_.BIG5ToGBText(text);
    if (kind_ == ConvertKindGBToBig5)
        return converter_.GBToBIG5Text(text);
    return text;
}

// ---- Helpers --------------------------------------------------------------------------------

std::string TConversionPass::Value(const std::string& text) const {
    if (auto it = converted_.find(text); it != converted_.end())
        return it->second;
    return converter_.ConvertValue(kind_, Variant(text)).AsString();
}

std::string TConversionPass::Directed(const std::string& text) const {
    if (auto it = converted_.find(text); it != converted_.end())
        return it->second;
    return Translate(text);
}

void TConversionPass::ConvertLines(TStrings* lines, bool directed) const {
    if (!lines || lines->Count() == 0)
        return;
    const std::string joined = JoinLines(*lines);
    // One call for the whole list: the translator's cost is mostly per call.
    const std::string converted = directed ? Directed(joined) : Value(joined);
    if (converted == joined)
        return;
    const std::vector<std::string> parts = Split(converted, "\n");
    if (static_cast<int>(parts.size()) != lines->Count()) {
        lines->SetText(converted);
        return;
    }
    lines->BeginUpdate();
    for (int i = 0; i < lines->Count(); ++i) {
        if (lines->Get(i) != parts[static_cast<std::size_t>(i)])
            lines->Put(i, parts[static_cast<std::size_t>(i)]);
    }
    lines->EndUpdate();
}

void TConversionPass::ConvertCollectionText(TObject* collection, std::string_view itemProp,
                                            bool directed) const {
    auto* items = dynamic_cast<TCollection*>(collection);
    if (!items)
        return;
    for (int i = 0; i < items->Count(); ++i) {
        TCollectionItem* item = items->Items(i);
        const TPropInfo* p = WritableTextProp(item, itemProp);
        if (!p)
            continue;
        const std::string text = std::get<std::string>(p->Get(item));
        if (!text.empty())
            p->Set(item, directed ? Directed(text) : Value(text));
    }
}
