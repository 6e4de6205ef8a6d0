// Grids: the cell grid with fixed rows and columns, its owner-drawn form and the string grid,
// with column editors (edit button, pick list, toggle values).
#pragma once

#include "StdCtrls.h"

#include <memory>
#include <vector>

class QTableWidget;
class QModelIndex;

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = TSet<TGridOption>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

using TSelectCellEvent = TEvent<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TDrawCellEvent =
    TEvent<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TGetEditEvent = TEvent<void(TObject* Sender, int ACol, int ARow, std::string& Value)>;
using TSetEditEvent = TEvent<void(TObject* Sender, int ACol, int ARow, const std::string& Value)>;

// How the cells of a column are edited.
enum TColumnEditStyle {
    esSimple,   // a text edit
    esEllipsis, // a text edit with a "…" button that raises OnEditButtonClick
    esPickList, // a drop-down list of Items
    esToggle    // a click or Space moves the cell to the next of Items (on, off, ...)
};
struct TColumnEditor {
    TColumnEditStyle Style = esSimple;
    std::vector<std::string> Items;
};

// Rows and columns include the fixed ones: row 0 is a header row when FixedRows is 1.
// The current cell is never a fixed cell; OnSelectCell may refuse a cell.
class TCustomGrid : public TWinControl {
    STEWARD_CLASS(TCustomGrid, TWinControl)
    ~TCustomGrid() override;

    int ColCount() const;
    void SetColCount(int v);
    int RowCount() const;
    void SetRowCount(int v);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int v);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int v);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor c);
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int v);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int v);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int v);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool v);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions v);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v);

    // The current cell (column, row).
    int Col() const { return col_; }
    void SetCol(int v) { FocusCell(v, row_); }
    int Row() const { return row_; }
    void SetRow(int v) { FocusCell(col_, v); }
    // Moves the current cell when OnSelectCell allows it; false when refused or fixed.
    bool FocusCell(int col, int row);
    TRect CellRect(int col, int row) const;
    // The cell at a client point, (-1, -1) when none.
    void MouseToCell(int x, int y, int& col, int& row) const;
    int TopRow() const;
    int LeftCol() const;
    int VisibleRowCount() const;

    bool EditorMode() const;
    void SetEditorMode(bool v);
    // The open cell editor, or null.
    QWidget* InplaceEditor() const;

    TColumnEditor ColumnEditor(int col) const;
    void SetColumnEditor(int col, const TColumnEditor& editor);
    // Moves a toggle cell to its next value (as a click or Space does); false when the
    // column is no toggle column or the grid is not editable.
    bool ToggleCell(int col, int row);

    bool WantsKey(WORD key, TShiftState shift) const override;
    // Tab (with goTabs) moves between cells, Space moves a toggle cell on, F2 opens the
    // editor; a typed character opens it with that character.
    bool DoKeyDown(WORD& key, TShiftState shift) override;
    bool DoKeyPress(char& key) override;
    // With goAlwaysShowEditor the editor opens as the grid takes the focus.
    void DoEnter() override;
    bool WidgetEvent(QObject* watched, QEvent* event) override;

    TSelectCellEvent OnSelectCell;
    TDrawCellEvent OnDrawCell;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;
    TNotifyEvent OnEditButtonClick;
    TNotifyEvent OnTopLeftChanged;

    // The canvas cells paint on (in OnDrawCell).
    TCanvas* Canvas() { return &canvas_; }

    QTableWidget* Table() const;

    // Internal: the view asks before moving the current cell.
    bool CanSelectCell(int col, int row);
    void CurrentMoved(int col, int row);
    // Internal: cell texts as the editor sees them, and the editor's changes.
    std::string EditTextFor(int col, int row);
    void EditorTextChanged(int col, int row, const std::string& text);
    void EditButtonClicked();
    void PaintCell(QPainter& painter, int col, int row, const QRect& rect, bool selected);

protected:
    explicit TCustomGrid(TComponent* owner);
    virtual std::string GetCellText(int col, int row) const;
    virtual void SetCellText(int col, int row, const std::string& text);
    // Raises OnSelectCell.
    virtual bool SelectCell(int col, int row);
    // The text the editor starts with (OnGetEditText may change it), and each change the
    // user makes in it (raises OnSetEditText).
    virtual std::string GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const std::string& value);
    virtual void SizeChanged(int /*oldColCount*/, int /*oldRowCount*/) {}
    bool IsFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
    bool CellEditable(int col, int row) const;
    int ColorRole() const override;
    // The open editor takes the keys.
    QWidget* FocusWidget() const override;

private:
    void ApplyOptions();
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    TColor fixedColor_ = clBtnFace;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    bool defaultDrawing_ = true;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TScrollStyle scrollBars_ = ssBoth;
    int col_ = 1;
    int row_ = 1;
    std::vector<TColumnEditor> editors_;
    TCanvas canvas_;
    friend class TGridView;
};

class TDrawGrid : public TCustomGrid {
    STEWARD_CLASS(TDrawGrid, TCustomGrid)
    explicit TDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
};

class TStringGrid : public TDrawGrid {
    STEWARD_CLASS(TStringGrid, TDrawGrid)
    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    std::string Cells(int col, int row) const { return GetCellText(col, row); }
    void SetCells(int col, int row, const std::string& text);
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* obj);
    // A column or row as a string list (as many lines as the grid has rows or columns).
    TStrings* Cols(int col);
    TStrings* Rows(int row);
    void SetCols(int col, TStrings* s) { Cols(col)->Assign(s); }
    void SetRows(int row, TStrings* s) { Rows(row)->Assign(s); }

protected:
    std::string GetCellText(int col, int row) const override;
    void SetCellText(int col, int row, const std::string& text) override;
    // The cell takes the editor's text as it is typed, then OnSetEditText is raised.
    void SetEditText(int col, int row, const std::string& value) override;

private:
    std::vector<std::unique_ptr<TStrings>> colLists_, rowLists_;
};
