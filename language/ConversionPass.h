// The code converter's pass over one window: converts the texts of every component the
// window owns, sets fonts able to draw them and switches lists and menus to owner drawing.
//
// The language layer sits below the components layer, so classes that live above it (the
// selection panel) or in outside packages (navigator, aligned grid) are recognised by class
// name and reached through their published properties.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

class TCodeConverter;
class TComponent;
class TCustomListView;
class TCustomTreeView;
class TStringGrid;
class TTabSet;
class TWinControl;
class TCustomForm;
class TObject;
class TStrings;

class TConversionPass {
public:
    TConversionPass(const TCodeConverter& converter, std::uint8_t kind, bool convertAll);
    void Run(TCustomForm* form) const;

private:
    void Prefetch(TCustomForm* form) const;
    void ConvertWindow(TCustomForm* form) const;
    void ConvertProperties(TComponent* component) const;
    void ConvertByClass(TComponent* component) const;

    // Property steps; each does nothing when the property is absent or of another type.
    void ConvertFontProp(TObject* obj, std::string_view name) const;
    void ConvertTextProp(TObject* obj, std::string_view name) const;
    void ConvertListProp(TComponent* component, std::string_view name) const;
    void ConvertStyleProp(TComponent* component) const;
    void ConvertStatusPanels(TObject* obj) const;

    // Class steps.
    void ConvertListView(TCustomListView* listView) const;
    void ConvertTabSet(TTabSet* tabSet) const;
    void ConvertSelectPanel(TComponent* panel) const;
    void ConvertChildListViews(TWinControl* container) const;
    void ConvertComboBox(TComponent* combo) const;
    void ConvertNavigator(TComponent* navigator) const;
    void ConvertTreeView(TCustomTreeView* treeView) const;
    void ConvertStringGrid(TStringGrid* grid) const;
    void ConvertAlignGrid(TComponent* grid) const;

    // Kind 1 Big5 to GB, kind 2 GB to Big5, other kinds the text unchanged.
    std::string Translate(const std::string& text) const;
    // Design-time text through ConvertValue with the pass's kind.
    std::string Value(const std::string& text) const;
    // Text in the direction of a class step (kind 1 Big5 to GB, kind 2 GB to Big5).
    std::string Directed(const std::string& text) const;
    // Converts the lines of a list as one text and writes back only the lines that changed,
    // so objects attached to the lines stay with them.
    void ConvertLines(TStrings* lines, bool directed) const;
    void ConvertCollectionText(TObject* collection, std::string_view itemProp, bool directed) const;

    const TCodeConverter& converter_;
    std::uint8_t kind_;
    bool convertAll_;
    // Texts converted ahead by Prefetch, by their original.
    mutable std::unordered_map<std::string, std::string> converted_;
};
