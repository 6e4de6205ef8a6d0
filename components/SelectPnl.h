// TSelectPanel: the condition component of the report forms. A titled frame in which the
// user gives one condition as a range (begin and end edits) or as a list of values, or, in
// the user-choice style, picks between the two with a check box.
#pragma once

#include "BtChkBox.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "F2Button.h"
#include "LibStrs.h"
#include "Mask.h"

#include <memory>
#include <string>
#include <vector>

enum TSelectStyle { sp_Range, sp_Discrete, sp_UserChoice };
enum TValueType { vt_String, vt_Number, vt_Date, vt_Time, vt_Float, vt_OtherMask };
enum TCheckDuplicate { cd_None, cd_CheckCase, cd_CaseInsensitive };

class TSelectPanel;

using TStyleChangingEvent =
    TEvent<void(TObject* Sender, TSelectStyle NowStyle, TSelectStyle& NewStyle, bool& Accept)>;
using TStyleChangeEvent =
    TEvent<void(TObject* Sender, TSelectStyle OldStyle, TSelectStyle NewStyle)>;
using TOpenWinClickEvent = TEvent<void(TObject* SenderParent, TObject* Sender)>;
using TDeleteClickEvent = TEvent<void(TObject* Sender, bool& Accept)>;
using TListViewSelectItemEvent =
    TEvent<void(TObject* Sender, TListItem* xItem, int xIndex, bool xIsSelect)>;
using TListViewDataChangeEvent = TLVChangeEvent;
using TListViewDataChangingEvent = TLVChangingEvent;

// The choice box of the user-choice style.
class TOrlCheckBox : public TBitCheckBox {
    STEWARD_CLASS(TOrlCheckBox, TBitCheckBox)
    explicit TOrlCheckBox(TComponent* owner) : TBitCheckBox(owner) {}
};

// A masked edit whose change notification can be held back (while the mask is replaced).
class TOrlMaskEdit : public TMaskEdit {
    STEWARD_CLASS(TOrlMaskEdit, TMaskEdit)
    explicit TOrlMaskEdit(TComponent* owner) : TMaskEdit(owner) {}
    bool SuppressChange = false;

protected:
    void Change() override;
};

// The list of the panel: a left press takes the focus first and counts only when it did.
class TOrlListView : public TListView {
    STEWARD_CLASS(TOrlListView, TListView)
    explicit TOrlListView(TComponent* owner) : TListView(owner) {}
    bool ColumnsAutoSize() const { return columnsAutoSize_; }
    void SetColumnsAutoSize(bool v) { columnsAutoSize_ = v; }
    // Told when the user clicks a column header.
    std::function<void(int column)> HeaderClicked;
    // The panel gathers rows and hands them over in bulk when the list is next looked at.
    using TListView::HoldRows;
    std::function<void()> ReleaseRows;
    // Changes with every font change (the panel caches text widths).
    int FontGeneration() const { return fontGeneration_; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void ColClick(TListColumn* column) override;
    void ReleaseHeldRows() override;
    void FontChanged() override;

private:
    bool columnsAutoSize_ = true;
    int fontGeneration_ = 0;
};

// How a range panel that holds a date condition shows saved date-8 texts.
struct TSaveValueDates {
    std::string EditMask;
    int DateFormatCode = dt_YYYYMMDD;
    std::string DateSign = "/";
};

class TSelectPanel : public TCustomGroupBox {
    STEWARD_CLASS(TSelectPanel, TCustomGroupBox)
    explicit TSelectPanel(TComponent* owner);
    ~TSelectPanel() override;

    // ---- Parts ----
    TOrlCheckBox* chkChoice = nullptr;
    TPanel* pnlRange = nullptr;
    TPanel* pnlList = nullptr;
    TLabel* lblBegin = nullptr;
    TLabel* lblFinal = nullptr;
    TOrlMaskEdit* edBegin = nullptr;
    TOrlMaskEdit* edFinal = nullptr;
    TF2Button* btnBegin = nullptr;
    TF2Button* btnFinal = nullptr;
    TOrlListView* ListBox = nullptr;
    TF2Button* btnOpenWin = nullptr;
    TGSpeedButton* btnDeleteOne = nullptr;
    TGSpeedButton* btnDeleteAll = nullptr;

    // ---- Published properties ----
    TSelectStyle Style() const { return style_; }
    void SetStyle(TSelectStyle s);
    TValueType ValueType() const { return valueType_; }
    void SetValueType(TValueType v) { valueType_ = v; }
    bool UserChoice() const { return userChoice_; }
    void SetUserChoice(bool v);
    std::string HintWord() const { return chkChoice->Caption(); }
    void SetHintWord(const std::string& s);
    TStrings* BeginWords() const { return beginWords_.get(); }
    void SetBeginWords(TStrings* s) { beginWords_->Assign(s); }
    TStrings* FinalWords() const { return finalWords_.get(); }
    void SetFinalWords(TStrings* s) { finalWords_->Assign(s); }
    TStrings* ChildHints() const { return childHints_.get(); }
    void SetChildHints(TStrings* s) { childHints_->Assign(s); }
    bool CanOpenWin() const { return canOpenWin_; }
    void SetCanOpenWin(bool v);
    int GlyphIndex() const { return glyphIndex_; }
    void SetGlyphIndex(int n);
    bool UseVertical() const { return useVertical_; }
    void SetUseVertical(bool v);
    int OtherWidth() const { return otherWidth_; }
    void SetOtherWidth(int v) { otherWidth_ = v; }
    int OtherHeight() const { return otherHeight_; }
    void SetOtherHeight(int v) { otherHeight_ = v; }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask);
    TDateType DateType() const { return dateType_; }
    void SetDateType(TDateType v) { dateType_ = v; }
    const std::string& DateSign() const { return dateSign_; }
    void SetDateSign(const std::string& v) { dateSign_ = v; }
    bool AutoChangeDateSite() const { return autoChangeDateSite_; }
    void SetAutoChangeDateSite(bool v) { autoChangeDateSite_ = v; }
    bool UseDiscard() const { return useDiscard_; }
    void SetUseDiscard(bool v) { useDiscard_ = v; }
    const std::string& Discard() const { return discard_; }
    void SetDiscard(const std::string& v) { discard_ = v; }
    TCheckDuplicate CheckDuplicate() const { return checkDuplicate_; }
    void SetCheckDuplicate(TCheckDuplicate v);
    bool SortListBox() const { return sortListBox_; }
    void SetSortListBox(bool v);
    TListColumns* Columns() const { return ListBox->Columns(); }
    void SetColumns(TListColumns* c) { ListBox->SetColumns(c); }
    TStrings* ColumnCaptions() const;
    void SetColumnCaptions(TStrings* captions);
    bool ShowColumnHeader() const { return ListBox->ShowColumnHeaders(); }
    void SetShowColumnHeader(bool v) { ListBox->SetShowColumnHeaders(v); }
    bool HideSelection() const { return ListBox->HideSelection(); }
    void SetHideSelection(bool v) { ListBox->SetHideSelection(v); }
    bool ColumnsAutoSize() const { return ListBox->ColumnsAutoSize(); }
    void SetColumnsAutoSize(bool v) { ListBox->SetColumnsAutoSize(v); }
    TListItems* Items() const { return ListBox->Items(); }
    void SetItems(TListItems* i) { ListBox->SetItems(i); }

    // ---- Operations ----
    bool IsRangeMode() const;
    // Adds one row from texts[0..]; false when it failed (rows added so far stay).
    bool AddRow(const std::vector<std::string>& texts);
    void ClearRows();
    // The sort column and direction a header click changes.
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }
    void ClickColumnHeader(int column);
    const std::string& EmptyMaskText() const { return emptyMaskText_; }

    // spSaveValue: the panel's value as a record text, and reading one back. Reading raises
    // Exception("parse spSaveValue error") when an sp_Discrete list cannot be rebuilt.
    std::string SaveValue() const;
    void LoadSaveValue(const std::string& text, const TSaveValueDates* dates = nullptr);
    // The rows as a list text (caption, #1 sub-item ..., #4 per row) and back.
    std::string ListText() const;
    bool RebuildList(const std::string& listText);

    // Range ordering on leaving, as a free rule.
    struct TRangeRule {
        TValueType ValueType = vt_String;
        std::string EmptyMaskText;
        bool UseDiscard = false;
        std::string Discard;
        bool AutoChangeDateSite = true;
        TDateType DateType = dt_NoneCare;
        std::string DateSign = "/";
    };
    // Orders begin and end in place; true when they were exchanged (vt_Float texts are
    // rewritten in their canonical form either way).
    static bool OrderRange(std::string& begin, std::string& end, const TRangeRule& rule);
    // A shown date read for ordering; 0 for no date.
    static TDateTime ReadOrderingDate(std::string_view text, TDateType type, std::string_view sign,
                                      std::string_view emptyMaskText);
    // A decimal text in plain notation without superfluous zeros; false for a non-number.
    static bool CanonicalDecimal(std::string_view text, std::string& result);

    // ---- Events ----
    TStyleChangingEvent OnStyleChanging;
    TStyleChangeEvent OnStyleChange;
    TNotifyEvent OnTypeClick;
    TOpenWinClickEvent OnOpenWinClick;
    TDeleteClickEvent OnDeleteClick;
    TNotifyEvent OnClearClick;
    TListViewSelectItemEvent OnItemSelect;
    TListViewDataChangeEvent OnItemChange;
    TListViewDataChangingEvent OnItemChanging;

    void SetEnabled(bool v) override;
    void SetFocus() override;
    void DoExit() override;
    void Loaded() override;
    // The layout of the current style.
    void LayoutPanel();

    static constexpr int kHintCount = 9;

protected:
    void Resized() override;
    void FontChanged() override;

private:
    void CreateParts();
    void WireEvents();
    void ApplyVisibility();
    void SwapSize();
    void PlaceInner(TPanel* front, TPanel* back, int top, int bottomMargin);
    void PlaceForUserChoice();
    void LayoutRangeHorizontal();
    void LayoutRangeVertical();
    void LayoutList();
    void SizeChoiceBox();
    void WordsChanged(TObject*);
    void HintsChanged(TObject*);
    void ChoiceClicked(TObject*);
    void ApplyUserChoice();
    void LookupClicked(TObject* sender);
    void DeleteOneClicked(TObject*);
    void DeleteAllClicked(TObject*);
    void RangeLeft();
    int TextHeightOf(const TControl* c) const;
    std::string WordFor(const TStrings* words, int entry) const;
    TPoint ToPanel(const TControl* part, int x, int y) const;

    // The rows as the panel keeps them (TRowStore, in list order): AddRow finds the place
    // and the neighbours of a row there in O(log n), and new rows reach ListBox in bulk when
    // the list is next looked at. The state below describes the stored rows.
    struct TRowStore;
    bool AddTexts(std::vector<std::string> texts);
    bool RowsInStep() const;
    void SyncRows();
    void RebuildRows(bool sorted, bool recountWidths);
    void KeepInsertionOrder();
    void FlushRows();
    void SettleRows();
    void InvalidateListState();
    void PadRows(int subItems);
    // Compares two rows given as column readers (k -> text of column k).
    template <class A, class B> int CompareColumns(A a, B b) const;
    void RemoveAllDuplicates();
    void SortRows();
    bool SameCaption(const std::string& a, const std::string& b) const;
    int CompareRows(const TListItem* a, const TListItem* b) const;
    void NoteWidths(const std::vector<std::string>& texts, int delta);
    void RecountWidths();
    int WidestBytes(int column) const;
    int LetterWidth();
    void ApplyColumnWidths();

    TSelectStyle style_ = sp_Range;
    bool styleApplied_ = false;
    TValueType valueType_ = vt_String;
    bool userChoice_ = true;
    std::unique_ptr<TStringList> beginWords_, finalWords_, childHints_;
    mutable std::unique_ptr<TStringList> columnCaptions_;
    bool canOpenWin_ = true;
    int glyphIndex_ = kLookupGlyph;
    bool useVertical_ = false;
    int otherWidth_ = 200, otherHeight_ = 105;
    std::string editMask_;
    std::string emptyMaskText_;
    TDateType dateType_ = dt_NoneCare;
    std::string dateSign_ = "/";
    bool autoChangeDateSite_ = true;
    bool useDiscard_ = false;
    std::string discard_;
    TCheckDuplicate checkDuplicate_ = cd_None;
    bool sortListBox_ = false;
    int sortColumn_ = 0;
    bool sortAscending_ = true;
    bool lastEnabled_ = true;
    bool wordsUpdating_ = false;

    std::unique_ptr<TRowStore> rows_;
    bool rowsSorted_ = false; // stored and listed by the current comparison
    bool rowsDeduplicated_ = false;
    int subItemCount_ = 0; // sub-items every row has
    // Per column, how many texts have each length in interface bytes: the widest text
    // stays known when rows are deleted one at a time.
    std::vector<std::vector<int>> lengthCounts_;
    bool widthsStale_ = false;
    int letterWidth_ = 0, letterFont_ = -1; // width of "W" in the list's font generation
};

// The code page whose byte lengths size the list's columns ("936", "950" or "437").
void SetSelectPanelCodePage(int codePage);
int SelectPanelCodePage();
// Length of text in bytes of that code page (a CJK character counts two in 936 and 950).
int InterfaceByteLength(const std::string& text);

inline constexpr const char* kSaveValueParseError = "parse spSaveValue error";
