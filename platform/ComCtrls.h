// Common controls: list view, page control and tab sheets, tab control and tab set, tool
// bar and tool buttons, status bar, tree view, and the system animation.
#pragma once

#include "Controls.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QItemSelection;
class QListView;
class QModelIndex;
class QPainter;
class QRect;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

class TListView;
class TCustomListView;
class TListItems;
class TListColumns;
class TCustomTabControl;
class TPageControl;
class TToolBar;
class TTreeNodes;
class TCustomTreeView;
class TTreeView;

// =======================================================================================
// List view

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TSortType { stNone, stData, stText, stBoth };
enum TItemChange { ctText, ctImage, ctState };
enum TItemStateItem { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
using TItemStates = TSet<TItemStateItem>;
enum TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
enum TListArrangement {
    arAlignBottom,
    arAlignLeft,
    arAlignRight,
    arAlignTop,
    arDefault,
    arSnapToGrid
};
enum TIconArrangement { iaTop, iaLeft };

// Column widths with a meaning: size to the widest text, or to the header and texts.
constexpr int ColumnTextWidth = -1;
constexpr int ColumnHeaderWidth = -2;

class TListColumn : public TCollectionItem {
    STEWARD_CLASS(TListColumn, TCollectionItem)
    explicit TListColumn(TCollection* collection);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& s);
    // The header section's real width; ColumnTextWidth / ColumnHeaderWidth size it.
    int Width() const;
    void SetWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // The column takes the width the other columns leave.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int v) { minWidth_ = v; }
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int v) { maxWidth_ = v; }
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t v) { tag_ = v; }
    void Assign(TPersistent* source) override;

private:
    friend class TCustomListView;
    TCustomListView* View() const;
    std::string caption_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = false;
    int minWidth_ = 0, maxWidth_ = 0;
    std::intptr_t tag_ = 0;
};

class TListColumns : public TCollection {
    STEWARD_CLASS(TListColumns, TCollection)
    explicit TListColumns(TCustomListView* owner);
    TListColumn* Add();
    TListColumn* Items(int index) const;
    TListColumn* operator[](int index) const { return Items(index); }
    TCustomListView* Owner() const { return owner_; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TCustomListView* owner_;
};

class TListItem : public TPersistent {
    STEWARD_CLASS(TListItem, TPersistent)
    explicit TListItem(TListItems* owner);
    ~TListItem() override;

    TListItems* Owner() const { return owner_; }
    TCustomListView* ListView() const;
    int Index() const;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& s);
    // The texts of the columns after the first.
    TStrings* SubItems() const { return subItems_.get(); }
    void SetSubItems(TStrings* s) { subItems_->Assign(s); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    bool Selected() const;
    void SetSelected(bool v);
    bool Focused() const;
    void SetFocused(bool v);
    bool Checked() const { return checked_; }
    void SetChecked(bool v) { checked_ = v; }
    void* Data() const { return data_; }
    void SetData(void* p);

    void Delete();
    void MakeVisible(bool partialOK = false);
    // Starts in-place editing of the caption (false when the view refuses).
    bool EditCaption();
    void CancelEdit();
    // The item's rectangle in the control's client coordinates (empty while not shown).
    TRect DisplayRect() const;
    void Update();
    void Assign(TPersistent* source) override;

private:
    friend class TListItems;
    friend class TCustomListView;
    friend class TListViewModel;
    void SubItemsChanged();
    TListItems* owner_;
    // Where the item was last seen in its list, -1 while it is in none; TListItems::Find
    // checks it before trusting it.
    int indexHint_ = -1;
    std::string caption_;
    std::unique_ptr<TStringList> subItems_;
    int imageIndex_ = -1;
    bool checked_ = false;
    void* data_ = nullptr;
};

class TListItems : public TPersistent {
    STEWARD_CLASS(TListItems, TPersistent)
    explicit TListItems(TCustomListView* owner);
    ~TListItems() override;

    TCustomListView* Owner() const { return owner_; }
    int Count() const {
        Settle();
        return static_cast<int>(items_.size());
    }
    TListItem* Item(int index) const;
    TListItem* operator[](int index) const { return Item(index); }
    TListItem* Add();
    TListItem* Insert(int index);
    // Puts items made for this list (new TListItem(this), texts set, not listed yet) in
    // place in one step: items[k] goes before the item now at index at[k] (ascending, Count()
    // appends). The views hear of one insertion per place when the places are few, else of
    // one reset that keeps the selection and the focus on their items. OnInsert follows for
    // every new item, in list order.
    void InsertItems(const std::vector<int>& at, std::vector<std::unique_ptr<TListItem>> items);
    void Delete(int index);
    void Clear();
    int IndexOf(const TListItem* item) const;
    // Suspends sorting and painting until the matching EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }
    void Assign(TPersistent* source) override;
    // Grows by one with every change of the items' number, order or texts made through the
    // list or its items (rows a list view holds back count once handed over).
    std::uint64_t Revision() const { return revision_; }

private:
    friend class TCustomListView;
    friend class TListItem;
    friend class TListViewModel;
    friend class TListViewSelection;
    // Rows held back by the list view are handed over before anything looks at the items.
    void Settle() const {
        if (held_)
            Release();
    }
    void Release() const;
    // IndexOf without the hand-over: safe inside the views' own calls.
    int Find(const TListItem* item) const;
    TListItem* At(int index) const { return items_[static_cast<size_t>(index)].get(); }
    int RawCount() const { return static_cast<int>(items_.size()); }
    // Structural change at index: the hints from there on are stale.
    void Shifted(int index) {
        hintsValid_ = std::min(hintsValid_, index);
        ++revision_;
    }
    TCustomListView* owner_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int updateCount_ = 0;
    // items_[0, hintsValid_) hold their own index in indexHint_.
    mutable int hintsValid_ = 0;
    mutable bool held_ = false;
    std::uint64_t revision_ = 0;
};

// Icon layout options of the icon views.
class TIconOptions : public TPersistent {
    STEWARD_CLASS(TIconOptions, TPersistent)
    explicit TIconOptions(TCustomListView* owner) : owner_(owner) {}
    TIconArrangement Arrangement() const { return arrangement_; }
    void SetArrangement(TIconArrangement v);
    bool AutoArrange() const { return autoArrange_; }
    void SetAutoArrange(bool v);
    bool WrapText() const { return wrapText_; }
    void SetWrapText(bool v);
    void Assign(TPersistent* source) override;

private:
    TCustomListView* owner_;
    TIconArrangement arrangement_ = iaTop;
    bool autoArrange_ = false;
    bool wrapText_ = true;
};

using TLVChangeEvent = TEvent<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent =
    TEvent<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = TEvent<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVEditingEvent = TEvent<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
// S holds the new text; the handler may change it, or set it back to Item->Caption() to
// keep the old one.
using TLVEditedEvent = TEvent<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVColumnClickEvent = TEvent<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent =
    TEvent<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVDeletedEvent = TEvent<void(TObject* Sender, TListItem* Item)>;
using TLVCustomSortProc = std::function<int(TListItem* Item1, TListItem* Item2, int Data)>;

class TListViewModel;
class TListViewSelection;

// The four view styles share one model and one selection: icon, small-icon and list styles
// show a QListView, the report style a QTreeView with a header.
class TCustomListView : public TWinControl {
    STEWARD_CLASS(TCustomListView, TWinControl)
    explicit TCustomListView(TComponent* owner);
    ~TCustomListView() override;

    TListColumns* Columns() const { return columns_.get(); }
    void SetColumns(TListColumns* c) { columns_->Assign(c); }
    TListColumn* Column(int index) const { return columns_->Items(index); }
    TListItems* Items() const { return items_.get(); }
    void SetItems(TListItems* i) { items_->Assign(i); }
    TIconOptions* IconOptions() const { return iconOptions_.get(); }
    void SetIconOptions(TIconOptions* o) { iconOptions_->Assign(o); }

    TViewStyle ViewStyle() const { return viewStyle_; }
    void SetViewStyle(TViewStyle v);
    // The first selected item (null when none); setting selects it (null: clears).
    TListItem* Selected() const;
    void SetSelected(TListItem* item);
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int SelCount() const;
    void ClearSelection();
    void SelectAll();

    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool v);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool v);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool v);
    bool ColumnClick() const { return columnClick_; }
    void SetColumnClick(bool v);
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool v);
    TSortType SortType() const { return sortType_; }
    // Any sort type but stNone sorts at once and keeps the items sorted.
    void SetSortType(TSortType v);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);

    TImageList* LargeImages() const { return largeImages_; }
    void SetLargeImages(TImageList* v);
    TImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TImageList* v);

    // Sorts by OnCompare when assigned, else by caption without regard to case.
    bool AlphaSort();
    // Sorts by proc (null: as AlphaSort, with data handed to OnCompare). Stable.
    bool CustomSort(const TLVCustomSortProc& proc, int data);
    void Arrange(TListArrangement code);
    bool IsEditing() const;
    TListItem* GetItemAt(int x, int y) const;
    TListItem* TopItem() const;
    TListItem* GetNextItem(TListItem* start, TSearchDirection direction, TItemStates states) const;
    TListItem* FindCaption(int startIndex, const std::string& value, bool partial, bool inclusive,
                           bool wrap) const;
    TListItem* FindData(int startIndex, void* value, bool inclusive, bool wrap) const;
    void Clear() { items_->Clear(); }

    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVSelectItemEvent OnSelectItem;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;
    TLVDeletedEvent OnDeletion;
    TLVDeletedEvent OnInsert;

    QStackedWidget* Container() const;
    QListView* IconView() const {
        items_->Settle();
        return listView_;
    }
    QTreeView* ReportView() const {
        items_->Settle();
        return treeView_;
    }
    // The view the current style shows.
    QAbstractItemView* ActiveView() const;

    void Loaded() override;
    bool WidgetEvent(QObject* watched, QEvent* event) override;

protected:
    int ColorRole() const override;
    QWidget* FocusWidget() const override;
    void Notification(TComponent* component, TOperation operation) override;
    // Raise the events; Change and Changing are called for caption, image and selection
    // changes made by the user and by code.
    virtual bool CanChange(TListItem* item, TItemChange change);
    virtual void Change(TListItem* item, TItemChange change);
    virtual bool CanEdit(TListItem* item);
    virtual void Edit(TListItem* item, const std::string& text);
    virtual void ColClick(TListColumn* column);
    virtual void DoSelectItem(TListItem* item, bool selected);
    virtual int CompareItems(TListItem* a, TListItem* b, int data);
    // For a list that gathers rows elsewhere and adds them in bulk: after HoldRows,
    // ReleaseHeldRows is called once, before the items are next read or changed, before the
    // views next paint or take input, or when the event loop next runs, whichever is first.
    void HoldRows();
    virtual void ReleaseHeldRows() {}

private:
    friend class TListItem;
    friend class TListItems;
    friend class TListColumn;
    friend class TListColumns;
    friend class TIconOptions;
    friend class TListViewModel;
    friend class TListViewSelection;
    template <class> friend class TListViewViewT;
    QModelIndex IndexOf(const TListItem* item, int column = 0) const;
    TListItem* ItemAt(const QModelIndex& index) const;
    QAbstractItemView* ShownView() const;
    void ItemChanged(TListItem* item, TItemChange change);
    void ColumnsChanged();
    void ApplyColumn(int index);
    void ApplyViewStyle();
    void ApplyImages();
    void ApplySelectionLook();
    void SortNow();
    void SortIfNeeded(TItemChange change);
    void SortWith(const std::function<int(TListItem*, TListItem*)>& cmp);
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void ItemRemoving(TListItem* item);

    std::unique_ptr<TListColumns> columns_;
    std::unique_ptr<TListItems> items_;
    std::unique_ptr<TIconOptions> iconOptions_;
    TListViewModel* model_ = nullptr;
    TListViewSelection* selection_ = nullptr;
    QListView* listView_ = nullptr;
    QTreeView* treeView_ = nullptr;
    TViewStyle viewStyle_ = vsIcon;
    bool multiSelect_ = false;
    bool rowSelect_ = false;
    bool readOnly_ = false;
    bool showColumnHeaders_ = true;
    bool hideSelection_ = true;
    bool columnClick_ = true;
    bool gridLines_ = false;
    TSortType sortType_ = stNone;
    TBorderStyle borderStyle_ = bsSingle;
    TImageList* largeImages_ = nullptr;
    TImageList* smallImages_ = nullptr;
    int appliedColumns_ = 0;
    bool sorting_ = false;
};

class TListView : public TCustomListView {
    STEWARD_CLASS(TListView, TCustomListView)
    explicit TListView(TComponent* owner) : TCustomListView(owner) {}
};

// =======================================================================================
// Tab controls: page control with tab sheets, tab control, tab set

enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
// Rect is in the tab control's client coordinates; TabIndex counts shown tabs only.
using TDrawTabEvent =
    TEvent<void(TCustomTabControl* Control, int TabIndex, const TRect& Rect, bool Active)>;

class TTabBarWidget;

// A row of tabs above a client area. Subclasses say which tabs there are (SetTabs); the
// tab the user picks is offered to CanChange (OnChanging) and then to Change (OnChange).
class TCustomTabControl : public TWinControl {
    STEWARD_CLASS(TCustomTabControl, TWinControl)
    explicit TCustomTabControl(TComponent* owner);
    ~TCustomTabControl() override;

    // The current tab among the shown ones (-1: none). Setting it raises no events.
    int TabIndex() const;
    void SetTabIndex(int index);
    int TabCount() const;
    // The rectangle of a shown tab in client coordinates.
    TRect TabRect(int index) const;
    // The shown tab at a client position, or -1.
    int IndexOfTabAt(int x, int y) const;

    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool v);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* v);
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int v);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int v);
    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool v) { hotTrack_ = v; }
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool v) { multiLine_ = v; }
    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition v);
    TTabStyle Style() const { return style_; }
    void SetStyle(TTabStyle v);
    // Lent to OnDrawTab / DrawTab while a tab is drawn.
    TCanvas* Canvas() { return &canvas_; }

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;
    TDrawTabEvent OnDrawTab;

    QTabBar* TabBar() const;

protected:
    // Asks OnChanging; false keeps the current tab.
    virtual bool CanChange();
    virtual void Change();
    // Draws one owner-drawn tab on Canvas: OnDrawTab when assigned, else the caption.
    virtual void DrawTab(int tabIndex, const TRect& rect, bool active);
    // The tab a shown tab draws: its caption and image.
    struct TabInfo {
        std::string Caption;
        int ImageIndex = -1;
    };
    void SetTabs(const std::vector<TabInfo>& tabs, int current);
    // The user picked shown tab index (after CanChange agreed).
    virtual void TabSelected(int index);
    void AdjustClientRect(TRect& rect) const override;
    void Resized() override;
    void FontChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void LayoutTabs();

private:
    friend class TTabBarWidget;
    void UserPicked(int index);
    TTabBarWidget* bar_ = nullptr;
    TCanvas canvas_;
    bool ownerDraw_ = false;
    TImageList* images_ = nullptr;
    int tabHeight_ = 0, tabWidth_ = 0;
    bool hotTrack_ = false, multiLine_ = false;
    TTabPosition tabPosition_ = tpTop;
    TTabStyle style_ = tsTabs;
    std::vector<int> icons_;
    bool settingTabs_ = false;
    int current_ = -1;
};

class TTabSheet : public TWinControl {
    STEWARD_CLASS(TTabSheet, TWinControl)
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pc);
    // Position among all pages of the page control.
    int PageIndex() const;
    void SetPageIndex(int index);
    // Position among the shown tabs; -1 when the tab is hidden.
    int TabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    bool Highlighted() const { return highlighted_; }
    void SetHighlighted(bool v) { highlighted_ = v; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
    int imageIndex_ = -1;
    bool highlighted_ = false;
};

class TPageControl : public TCustomTabControl {
    STEWARD_CLASS(TPageControl, TCustomTabControl)
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const;
    // Setting shows the page (even one whose tab is hidden) and raises no events.
    TTabSheet* ActivePage() const { return activePage_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The page the shown tab index stands for (hidden tabs skipped), or null.
    TTabSheet* PageForTab(int tabIndex) const;
    // The next (or previous) page with a shown tab, as a user's Ctrl+Tab: asks OnChanging,
    // raises OnChange.
    void SelectNextPage(bool goForward, bool checkTabVisible = true);
    TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;

protected:
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;
    void TabSelected(int index) override;
    void LayoutTabs() override;

private:
    friend class TTabSheet;
    void UpdateTabs();
    void ChangeActivePage(TTabSheet* page);
    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
};

// Tabs without pages: the client area stays the same, the tab index changes.
class TTabControl : public TCustomTabControl {
    STEWARD_CLASS(TTabControl, TCustomTabControl)
    explicit TTabControl(TComponent* owner);
    ~TTabControl() override;
    TStrings* Tabs() const { return tabs_.get(); }
    void SetTabsProp(TStrings* s) { tabs_->Assign(s); }

protected:
    void TabSelected(int index) override;

private:
    void TabsChanged();
    std::unique_ptr<TStringList> tabs_;
};

using TTabChangeEvent = TEvent<void(TObject* Sender, int NewTab, bool& AllowChange)>;

// A row of tabs along the bottom of a window (a set of sheets drawn by the caller).
class TTabSet : public TWinControl {
    STEWARD_CLASS(TTabSet, TWinControl)
    explicit TTabSet(TComponent* owner);
    ~TTabSet() override;
    TStrings* Tabs() const { return tabs_.get(); }
    void SetTabsProp(TStrings* s) { tabs_->Assign(s); }
    int TabIndex() const;
    // Asks OnChange (which may refuse), as a user's pick does.
    void SetTabIndex(int index);
    int FirstIndex() const { return 0; }

    TTabChangeEvent OnChange;

    QTabBar* TabBar() const;

private:
    void TabsChanged();
    void UserPicked(int index);
    std::unique_ptr<TStringList> tabs_;
    bool programmatic_ = false;
    int current_ = -1;
};

// =======================================================================================
// Tool bar

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
    STEWARD_CLASS(TToolButton, TGraphicControl)
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle v);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* m);
    bool Down() const;
    void SetDown(bool v);
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool v) { grouped_ = v; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool v) { allowAllUp_ = v; }
    bool Indeterminate() const { return indeterminate_; }
    void SetIndeterminate(bool v);
    TToolBar* ToolBar() const;
    // Position among the tool bar's buttons.
    int Index() const;
    // Shows the drop-down menu under the button (returns at once); false without one.
    bool CheckMenuDropdown();

    void Click() override;
    void SetText(const std::string& s) override;

    QToolButton* Button() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;

private:
    friend class TToolBar;
    void UpdateButton();
    TToolButtonStyle style_ = tbsButton;
    int imageIndex_ = -1;
    TPopupMenu* dropdownMenu_ = nullptr;
    bool grouped_ = false, allowAllUp_ = false, indeterminate_ = false;
    bool setting_ = false;
};

class TToolBar : public TWinControl {
    STEWARD_CLASS(TToolBar, TWinControl)
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const;
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* v);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool v);
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    // Captions beside the images instead of below them.
    bool List() const { return list_; }
    void SetList(bool v);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int v);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int v);
    int Indent() const { return indent_; }
    void SetIndent(int v);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    // Lays the buttons out in a row (called as buttons or settings change).
    void ArrangeButtons();

    void Loaded() override;

protected:
    void InsertControl(TControl* control) override;
    void RemoveControl(TControl* control) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Resized() override;
    void FontChanged() override;

private:
    friend class TToolButton;
    std::vector<TToolButton*> buttons_;
    TImageList* images_ = nullptr;
    bool showCaptions_ = false, flat_ = false, list_ = false, autoSize_ = false;
    int buttonWidth_ = 23, buttonHeight_ = 22, indent_ = 0;
    bool arranging_ = false;
};

// =======================================================================================
// Status bar

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum TStatusPanelStyle { psText, psOwnerDraw };

class TStatusPanel : public TCollectionItem {
    STEWARD_CLASS(TStatusPanel, TCollectionItem)
    explicit TStatusPanel(TCollection* collection);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& s);
    int Width() const { return width_; }
    void SetWidth(int v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel v);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle v);
    void Assign(TPersistent* source) override;

private:
    void Changed();
    std::string text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
    TStatusPanelStyle style_ = psText;
};

class TStatusBar;

class TStatusPanels : public TCollection {
    STEWARD_CLASS(TStatusPanels, TCollection)
    explicit TStatusPanels(TStatusBar* owner);
    TStatusPanel* Add();
    TStatusPanel* Items(int index) const;
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusBar* Owner() const { return owner_; }

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* owner_;
};

using TDrawPanelEvent = TEvent<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

class TStatusBar : public TCustomControl {
    STEWARD_CLASS(TStatusBar, TCustomControl)
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_.get(); }
    void SetPanels(TStatusPanels* p) { panels_->Assign(p); }
    // One text across the whole bar instead of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool v);
    const std::string& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& s);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool v);
    // The rectangle of a panel (the last reaches the right edge).
    TRect PanelRect(int index) const;

    TDrawPanelEvent OnDrawPanel;

protected:
    void Paint() override;

private:
    std::unique_ptr<TStatusPanels> panels_;
    bool simplePanel_ = false;
    std::string simpleText_;
    bool sizeGrip_ = true;
};

// =======================================================================================
// Tree view

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

class TTreeNode : public TPersistent {
    STEWARD_CLASS(TTreeNode, TPersistent)
    TTreeNode(TTreeNodes* owner, QTreeWidgetItem* item);
    ~TTreeNode() override;

    TTreeNodes* Owner() const { return owner_; }
    TCustomTreeView* TreeView() const;
    std::string Text() const;
    void SetText(const std::string& s);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int v) { selectedIndex_ = v; }
    void* Data() const { return data_; }
    void SetData(void* p) { data_ = p; }
    TTreeNode* Parent() const;
    int Level() const;
    int Count() const;
    bool HasChildren() const { return Count() > 0; }
    TTreeNode* Item(int index) const;
    TTreeNode* operator[](int index) const { return Item(index); }
    // Position among its siblings.
    int Index() const;
    // Position in the whole tree, counting every node above it.
    int AbsoluteIndex() const;
    TTreeNode* GetFirstChild() const;
    TTreeNode* GetLastChild() const;
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node in tree order (children first), or null.
    TTreeNode* GetNext() const;
    bool Expanded() const;
    void SetExpanded(bool v);
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Selected() const;
    void SetSelected(bool v);
    bool Focused() const;
    void Delete();
    void DeleteChildren();
    void MakeVisible();
    bool EditText();
    void Assign(TPersistent* source) override;

    QTreeWidgetItem* TreeItem() const { return item_; }

private:
    friend class TTreeNodes;
    TTreeNodes* owner_;
    QTreeWidgetItem* item_;
    int imageIndex_ = -1, selectedIndex_ = -1;
    void* data_ = nullptr;
};

class TTreeNodes : public TPersistent {
    STEWARD_CLASS(TTreeNodes, TPersistent)
    explicit TTreeNodes(TCustomTreeView* owner);
    ~TTreeNodes() override;

    TCustomTreeView* Owner() const { return owner_; }
    // Every node of the tree.
    int Count() const;
    // The node at an absolute position (tree order).
    TTreeNode* Item(int index) const;
    TTreeNode* operator[](int index) const { return Item(index); }
    TTreeNode* GetFirstNode() const;
    // A node after the last sibling of sibling (null: a new root node).
    TTreeNode* Add(TTreeNode* sibling, const std::string& text);
    TTreeNode* AddFirst(TTreeNode* sibling, const std::string& text);
    // A node after parent's last child (null: a new root node).
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text);
    TTreeNode* AddObject(TTreeNode* sibling, const std::string& text, void* data);
    TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data);
    // A node just before sibling.
    TTreeNode* Insert(TTreeNode* sibling, const std::string& text);
    void Delete(TTreeNode* node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    void Assign(TPersistent* source) override;

    // The node of a Qt item (null for items of other trees).
    TTreeNode* NodeOf(const QTreeWidgetItem* item) const;

private:
    friend class TTreeNode;
    TTreeNode* Attach(TTreeNode* relative, const std::string& text, TNodeAttachMode mode);
    void Forget(TTreeNode* node);
    TCustomTreeView* owner_;
    std::vector<std::unique_ptr<TTreeNode>> nodes_;
    int updateCount_ = 0;
};

using TTVChangedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVEditingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = TEvent<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
using TTVExpandingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;

class TCustomTreeView : public TWinControl {
    STEWARD_CLASS(TCustomTreeView, TWinControl)
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return items_.get(); }
    void SetItems(TTreeNodes* n) { items_->Assign(n); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool v);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool v);
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool v);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool v);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool v) { rowSelect_ = v; }
    bool AutoExpand() const { return autoExpand_; }
    void SetAutoExpand(bool v) { autoExpand_ = v; }
    void FullExpand();
    void FullCollapse();
    TTreeNode* GetNodeAt(int x, int y) const;
    bool IsEditing() const;

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVExpandingEvent OnExpanding;
    TTVExpandingEvent OnCollapsing;
    TTVChangedEvent OnExpanded;
    TTVChangedEvent OnCollapsed;
    TTVChangedEvent OnDeletion;

    QTreeWidget* TreeWidget() const;

protected:
    int ColorRole() const override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    friend class TTreeViewWidget;
    friend class TTreeViewDelegate;
    bool CanEdit(TTreeNode* node);
    void Edited(TTreeNode* node, const std::string& text);
    void ApplyImages();
    void NodeImageChanged(TTreeNode* node);
    std::unique_ptr<TTreeNodes> items_;
    TImageList* images_ = nullptr;
    bool readOnly_ = false, showLines_ = true, showRoot_ = true, showButtons_ = true;
    bool hideSelection_ = true, rowSelect_ = false, autoExpand_ = false;
    bool programmatic_ = false;
};

class TTreeView : public TCustomTreeView {
    STEWARD_CLASS(TTreeView, TCustomTreeView)
    explicit TTreeView(TComponent* owner) : TCustomTreeView(owner) {}
};

// =======================================================================================
// Animation

enum TCommonAVI {
    aviNone,
    aviFindFolder,
    aviFindFile,
    aviFindComputer,
    aviCopyFiles,
    aviCopyFile,
    aviRecycleFile,
    aviEmptyRecycle,
    aviDeleteFile
};

// The system animations are drawn by the control itself, frame by frame on a timer.
class TAnimate : public TWinControl {
    STEWARD_CLASS(TAnimate, TWinControl)
    explicit TAnimate(TComponent* owner);
    ~TAnimate() override;

    TCommonAVI CommonAVI() const { return commonAVI_; }
    void SetCommonAVI(TCommonAVI v);
    bool Active() const;
    void SetActive(bool v);
    // Frames are numbered from 1.
    int FrameCount() const;
    int StartFrame() const { return startFrame_; }
    void SetStartFrame(int v);
    int StopFrame() const { return stopFrame_; }
    void SetStopFrame(int v);
    // How often the frames play (0: until stopped).
    int Repetitions() const { return repetitions_; }
    void SetRepetitions(int v) { repetitions_ = v; }
    bool Center() const { return center_; }
    void SetCenter(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    int FrameWidth() const;
    int FrameHeight() const;
    // The frame on show.
    int CurrentFrame() const { return frame_; }
    void Play(int fromFrame, int toFrame, int count);
    void Stop();
    void Reset();
    void Seek(int frame);

    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TNotifyEvent OnStart;
    TNotifyEvent OnStop;

    void Loaded() override;

private:
    friend class TAnimateWidget;
    void NextFrame();
    void DrawFrame(QPainter& p, const QRect& r) const;
    TCommonAVI commonAVI_ = aviNone;
    int startFrame_ = 1, stopFrame_ = 0, repetitions_ = 0;
    bool center_ = true, transparent_ = true;
    bool activeWanted_ = false;
    int frame_ = 1;
    int played_ = 0;
    QTimer* timer_ = nullptr;
};
