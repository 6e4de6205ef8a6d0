#include "Grids.h"

#include "Forms.h"
#include "TypInfo.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>

static QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
static std::string S(const QString& s) {
    return s.toStdString();
}

namespace {
constexpr int kObjectRole = Qt::UserRole + 1;
} // namespace

// ---------------------------------------------------------------------------------------
// The view: a table whose current cell the grid approves, whose cells the grid paints, and
// whose editors the column settings choose.

class TGridView;

namespace {

// Every change of the current cell passes the grid's approval (OnSelectCell, fixed cells).
class TGridSelectionModel : public QItemSelectionModel {
public:
    TGridSelectionModel(QAbstractItemModel* model, TCustomGrid* grid)
        : QItemSelectionModel(model), grid_(grid) {}
    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (index.isValid() && index != currentIndex() &&
            !grid_->CanSelectCell(index.column(), index.row()))
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    TCustomGrid* grid_;
};

} // namespace

class TGridView : public QTableWidget {
public:
    explicit TGridView(TCustomGrid* grid) : grid_(grid) {}
    TCustomGrid* grid_;
    QPointer<QWidget> editor;
    // The text widget inside the open editor (the edit, or the list).
    QPointer<QWidget> editorInput;

    void CloseEditor() {
        if (QWidget* e = editor) {
            commitData(e);
            closeEditor(e, QAbstractItemDelegate::NoHint);
        }
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        // Keys typed into a cell editor are the grid's keys (OnKeyDown, OnKeyPress, ...).
        if ((e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) && o == editorInput)
            if (TCustomForm::DispatchKey(viewport(), static_cast<QKeyEvent*>(e)))
                return true;
        return QTableWidget::eventFilter(o, e);
    }

protected:
    void closeEditor(QWidget* e, QAbstractItemDelegate::EndEditHint hint) override {
        // Qt deletes the editor later; the grid has none from now on.
        if (e == editor) {
            editor = nullptr;
            editorInput = nullptr;
        }
        QTableWidget::closeEditor(e, hint);
    }
    void mousePressEvent(QMouseEvent* e) override {
        QTableWidget::mousePressEvent(e);
        QModelIndex at = indexAt(e->position().toPoint());
        // A click on a toggle cell it could move to moves the cell on.
        if (e->button() == Qt::LeftButton && at.isValid() && at == currentIndex())
            grid_->ToggleCell(at.column(), at.row());
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QTableWidget::currentChanged(current, previous);
        if (current.isValid())
            grid_->CurrentMoved(current.column(), current.row());
    }
};

namespace {

class TGridDelegate : public QStyledItemDelegate {
public:
    TGridDelegate(TCustomGrid* grid, TGridView* view)
        : QStyledItemDelegate(view), grid_(grid), view_(view) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        grid_->PaintCell(*p, index.column(), index.row(), option.rect,
                         option.state & QStyle::State_Selected);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        int col = index.column(), row = index.row();
        TColumnEditor ed = grid_->ColumnEditor(col);
        QWidget* editor = nullptr;
        QWidget* input = nullptr;
        switch (ed.Style) {
        case esToggle:
            return nullptr;
        case esPickList: {
            auto* combo = new QComboBox(parent);
            for (const auto& item : ed.Items)
                combo->addItem(Q(item));
            QObject::connect(combo, &QComboBox::currentTextChanged, combo,
                             [g = grid_, col, row, combo](const QString& t) {
                                 if (combo->property("filled").toBool())
                                     g->EditorTextChanged(col, row, S(t));
                             });
            editor = input = combo;
            break;
        }
        case esEllipsis: {
            auto* box = new QWidget(parent);
            auto* layout = new QHBoxLayout(box);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
            auto* edit = new QLineEdit(box);
            edit->setFrame(false);
            auto* button = new QToolButton(box);
            button->setText(QStringLiteral("…"));
            button->setFocusPolicy(Qt::NoFocus);
            button->setObjectName("EditButton");
            layout->addWidget(edit, 1);
            layout->addWidget(button);
            box->setFocusProxy(edit);
            QObject::connect(button, &QToolButton::clicked, button,
                             [g = grid_] { g->EditButtonClicked(); });
            editor = box;
            input = edit;
            break;
        }
        case esSimple: {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(false);
            editor = input = edit;
            break;
        }
        }
        if (auto* edit = qobject_cast<QLineEdit*>(input))
            QObject::connect(
                edit, &QLineEdit::textEdited, edit,
                [g = grid_, col, row](const QString& t) { g->EditorTextChanged(col, row, S(t)); });
        input->installEventFilter(view_);
        view_->editor = editor;
        view_->editorInput = input;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        std::string text = grid_->EditTextFor(index.column(), index.row());
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->setProperty("filled", false);
            int i = combo->findText(Q(text));
            if (i < 0 && !text.empty()) {
                combo->addItem(Q(text));
                i = combo->count() - 1;
            }
            combo->setCurrentIndex(i);
            combo->setProperty("filled", true);
            return;
        }
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (!edit)
            edit = editor->findChild<QLineEdit*>();
        // The cell follows the editor while typing; refreshing an editor that already shows
        // the text would only move its caret.
        if (edit && S(edit->text()) != text)
            edit->setText(Q(text));
    }

    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {
        // The cell took every change as it was typed.
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        // Keys are the grid's business (Tab with goTabs, Return and Escape for the dialog's
        // buttons); the delegate keeps only its focus handling.
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
            event->type() == QEvent::ShortcutOverride)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect.adjusted(0, 0, -1, -1));
    }

private:
    TCustomGrid* grid_;
    TGridView* view_;
};

const TTypeInfo& GridOptionsType() {
    static const TTypeInfo t = MakeSetType(
        "TGridOptions",
        {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect",
         "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving",
         "goEditing", "goTabs", "goRowSelect", "goAlwaysShowEditor", "goThumbTracking"});
    return t;
}

template <class C> void DescribeGrid(TPropertyBuilder<C>& b) {
    static const TTypeInfo& scroll =
        b.Own(MakeEnumType("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}));
    b.Int("ColCount", &C::ColCount, &C::SetColCount);
    b.Int("RowCount", &C::RowCount, &C::SetRowCount);
    b.Int("FixedCols", &C::FixedCols, &C::SetFixedCols);
    b.Int("FixedRows", &C::FixedRows, &C::SetFixedRows);
    b.Color("FixedColor", &C::FixedColor, &C::SetFixedColor);
    b.Int("DefaultColWidth", &C::DefaultColWidth, &C::SetDefaultColWidth);
    b.Int("DefaultRowHeight", &C::DefaultRowHeight, &C::SetDefaultRowHeight);
    b.Int("GridLineWidth", &C::GridLineWidth, &C::SetGridLineWidth);
    b.Bool("DefaultDrawing", &C::DefaultDrawing, &C::SetDefaultDrawing);
    b.Set("Options", GridOptionsType(), &C::Options, &C::SetOptions);
    b.Ord("ScrollBars", scroll, &C::ScrollBars, &C::SetScrollBars);
    b.Event("OnSelectCell", "TSelectCellEvent", &C::OnSelectCell);
    b.Event("OnDrawCell", "TDrawCellEvent", &C::OnDrawCell);
    b.Event("OnGetEditText", "TGetEditEvent", &C::OnGetEditText);
    b.Event("OnSetEditText", "TSetEditEvent", &C::OnSetEditText);
    b.Event("OnEditButtonClick", "TNotifyEvent", &C::OnEditButtonClick);
    b.Event("OnTopLeftChanged", "TNotifyEvent", &C::OnTopLeftChanged);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TCustomGrid

STEWARD_REGISTER_CLASS(TCustomGrid, [](TPropertyBuilder<TCustomGrid>& b) { DescribeGrid(b); });

TCustomGrid::TCustomGrid(TComponent* owner) : TWinControl(owner, new TGridView(this)) {
    auto* view = static_cast<TGridView*>(Table());
    view->setSelectionModel(new TGridSelectionModel(view->model(), this));
    view->setItemDelegate(new TGridDelegate(this, view));
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setTabKeyNavigation(false);
    view->setWordWrap(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The viewport takes the mouse: its clicks are the grid's.
    WatchWidget(view->viewport());
    QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged, view, [this] {
        if (!Quiet() && OnTopLeftChanged)
            Guard([&] { OnTopLeftChanged(this); });
    });
    QObject::connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, view, [this] {
        if (!Quiet() && OnTopLeftChanged)
            Guard([&] { OnTopLeftChanged(this); });
    });
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    view->setColumnCount(5);
    view->setRowCount(5);
    SetDefaultColWidth(64);
    SetDefaultRowHeight(24);
    ApplyOptions();
    view->setCurrentCell(row_, col_);
    SetBounds(0, 0, 320, 120);
}

TCustomGrid::~TCustomGrid() = default;

QTableWidget* TCustomGrid::Table() const {
    return static_cast<QTableWidget*>(Widget());
}

int TCustomGrid::ColorRole() const {
    return QPalette::Base;
}

int TCustomGrid::ColCount() const {
    return Table()->columnCount();
}

int TCustomGrid::RowCount() const {
    return Table()->rowCount();
}

void TCustomGrid::SetColCount(int v) {
    v = std::max(v, 1);
    int old = ColCount();
    if (v == old)
        return;
    if (fixedCols_ >= v)
        fixedCols_ = v - 1;
    Table()->setColumnCount(v);
    for (int c = old; c < v; ++c)
        Table()->setColumnWidth(c, defaultColWidth_);
    if (col_ >= v)
        col_ = v - 1;
    SizeChanged(old, RowCount());
    Table()->viewport()->update();
}

void TCustomGrid::SetRowCount(int v) {
    v = std::max(v, 1);
    int old = RowCount();
    if (v == old)
        return;
    if (fixedRows_ >= v)
        fixedRows_ = v - 1;
    Table()->setRowCount(v);
    for (int r = old; r < v; ++r)
        Table()->setRowHeight(r, defaultRowHeight_);
    if (row_ >= v)
        row_ = v - 1;
    SizeChanged(ColCount(), old);
    Table()->viewport()->update();
}

void TCustomGrid::SetFixedCols(int v) {
    if (v < 0 || v >= ColCount())
        throw EInvalidOperation("Fixed column count must be less than column count");
    // A current cell still at the first data cell stays there.
    bool atStart = col_ == fixedCols_;
    fixedCols_ = v;
    if (col_ < v || atStart)
        FocusCell(v, row_);
    Table()->viewport()->update();
}

void TCustomGrid::SetFixedRows(int v) {
    if (v < 0 || v >= RowCount())
        throw EInvalidOperation("Fixed row count must be less than row count");
    bool atStart = row_ == fixedRows_;
    fixedRows_ = v;
    if (row_ < v || atStart)
        FocusCell(col_, v);
    Table()->viewport()->update();
}

void TCustomGrid::SetFixedColor(TColor c) {
    fixedColor_ = c;
    Table()->viewport()->update();
}

void TCustomGrid::SetDefaultColWidth(int v) {
    defaultColWidth_ = v;
    Table()->horizontalHeader()->setDefaultSectionSize(v);
    for (int c = 0; c < ColCount(); ++c)
        Table()->setColumnWidth(c, v);
}

void TCustomGrid::SetDefaultRowHeight(int v) {
    defaultRowHeight_ = v;
    Table()->verticalHeader()->setDefaultSectionSize(v);
    for (int r = 0; r < RowCount(); ++r)
        Table()->setRowHeight(r, v);
}

int TCustomGrid::ColWidths(int col) const {
    return Table()->columnWidth(col);
}
void TCustomGrid::SetColWidths(int col, int width) {
    Table()->setColumnWidth(col, width);
}
int TCustomGrid::RowHeights(int row) const {
    return Table()->rowHeight(row);
}
void TCustomGrid::SetRowHeights(int row, int height) {
    Table()->setRowHeight(row, height);
}

void TCustomGrid::SetGridLineWidth(int v) {
    gridLineWidth_ = std::max(v, 0);
    ApplyOptions();
}

void TCustomGrid::SetDefaultDrawing(bool v) {
    defaultDrawing_ = v;
    Table()->viewport()->update();
}

void TCustomGrid::SetOptions(TGridOptions v) {
    options_ = v;
    ApplyOptions();
}

void TCustomGrid::ApplyOptions() {
    QTableWidget* t = Table();
    // Lines are painted with the cells; Qt's own grid stays off.
    t->setShowGrid(false);
    bool sizing = options_.Contains(goColSizing);
    t->horizontalHeader()->setSectionResizeMode(sizing ? QHeaderView::Interactive
                                                       : QHeaderView::Fixed);
    if (!options_.Contains(goEditing))
        static_cast<TGridView*>(t)->CloseEditor();
    else if (options_.Contains(goAlwaysShowEditor) && Focused())
        SetEditorMode(true);
    t->viewport()->update();
}

void TCustomGrid::SetScrollBars(TScrollStyle v) {
    scrollBars_ = v;
    bool h = v == ssHorizontal || v == ssBoth;
    bool vert = v == ssVertical || v == ssBoth;
    Table()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    Table()->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

bool TCustomGrid::CanSelectCell(int col, int row) {
    if (IsFixed(col, row))
        return false;
    return SelectCell(col, row);
}

bool TCustomGrid::SelectCell(int col, int row) {
    bool can = true;
    if (!Quiet() && OnSelectCell)
        OnSelectCell(this, col, row, can);
    return can;
}

bool TCustomGrid::FocusCell(int col, int row) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        throw EInvalidOperation("Grid index out of range");
    if (col == col_ && row == row_)
        return true;
    Table()->setCurrentCell(row, col);
    return col_ == col && row_ == row;
}

void TCustomGrid::CurrentMoved(int col, int row) {
    bool rowChanged = row != row_;
    col_ = col;
    row_ = row;
    if (rowChanged || options_.Contains(goRowSelect))
        Table()->viewport()->update();
    if (options_.Contains(goEditing) && options_.Contains(goAlwaysShowEditor) && Focused())
        SetEditorMode(true);
}

void TCustomGrid::DoEnter() {
    TWinControl::DoEnter();
    if (options_.Contains(goEditing) && options_.Contains(goAlwaysShowEditor))
        SetEditorMode(true);
}

bool TCustomGrid::WidgetEvent(QObject* watched, QEvent* event) {
    // A key reaches the viewport only by travelling up from the editor, which handed it to
    // the grid already.
    if (watched == Table()->viewport() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        return false;
    return TWinControl::WidgetEvent(watched, event);
}

QWidget* TCustomGrid::FocusWidget() const {
    auto* view = static_cast<TGridView*>(Table());
    return view->editorInput ? view->editorInput.data() : view;
}

TRect TCustomGrid::CellRect(int col, int row) const {
    QRect r = Table()->visualRect(Table()->model()->index(row, col));
    QPoint o = Table()->viewport()->pos();
    return Bounds(r.x() + o.x(), r.y() + o.y(), r.width(), r.height());
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    QPoint p = QPoint(x, y) - Table()->viewport()->pos();
    QModelIndex i = Table()->indexAt(p);
    col = i.isValid() ? i.column() : -1;
    row = i.isValid() ? i.row() : -1;
}

int TCustomGrid::TopRow() const {
    int r = Table()->rowAt(0);
    return std::max(r, fixedRows_);
}

int TCustomGrid::LeftCol() const {
    int c = Table()->columnAt(0);
    return std::max(c, fixedCols_);
}

int TCustomGrid::VisibleRowCount() const {
    int h = Table()->viewport()->height();
    int n = 0;
    for (int r = TopRow(), y = 0; r < RowCount(); ++r) {
        y += RowHeights(r);
        if (y > h)
            break;
        ++n;
    }
    return n;
}

bool TCustomGrid::EditorMode() const {
    return static_cast<TGridView*>(Table())->editor != nullptr;
}

void TCustomGrid::SetEditorMode(bool v) {
    auto* view = static_cast<TGridView*>(Table());
    if (!v) {
        view->CloseEditor();
        return;
    }
    if (view->editor || !CellEditable(col_, row_))
        return;
    view->edit(view->model()->index(row_, col_));
}

QWidget* TCustomGrid::InplaceEditor() const {
    return static_cast<TGridView*>(Table())->editor;
}

TColumnEditor TCustomGrid::ColumnEditor(int col) const {
    if (col >= 0 && static_cast<size_t>(col) < editors_.size())
        return editors_[static_cast<size_t>(col)];
    return {};
}

void TCustomGrid::SetColumnEditor(int col, const TColumnEditor& editor) {
    if (col < 0)
        return;
    if (editors_.size() <= static_cast<size_t>(col))
        editors_.resize(static_cast<size_t>(col) + 1);
    editors_[static_cast<size_t>(col)] = editor;
    if (col == col_ && EditorMode()) {
        // The open editor was made for the old setting.
        SetEditorMode(false);
        SetEditorMode(true);
    }
    Table()->viewport()->update();
}

bool TCustomGrid::CellEditable(int col, int row) const {
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && !IsFixed(col, row) &&
           ColumnEditor(col).Style != esToggle;
}

bool TCustomGrid::ToggleCell(int col, int row) {
    TColumnEditor ed = ColumnEditor(col);
    if (ed.Style != esToggle || ed.Items.empty() || !options_.Contains(goEditing) ||
        IsFixed(col, row))
        return false;
    std::string text = GetCellText(col, row);
    auto it = std::find(ed.Items.begin(), ed.Items.end(), text);
    // An empty or unknown value counts as the last one, so the next is the first ("on").
    size_t next = it == ed.Items.end() ? 0 : (it - ed.Items.begin() + 1) % ed.Items.size();
    SetEditText(col, row, ed.Items[next]);
    return true;
}

std::string TCustomGrid::EditTextFor(int col, int row) {
    return GetEditText(col, row);
}

void TCustomGrid::EditorTextChanged(int col, int row, const std::string& text) {
    Guard([&] { SetEditText(col, row, text); });
}

void TCustomGrid::EditButtonClicked() {
    Guard([&] {
        if (!Quiet() && OnEditButtonClick)
            OnEditButtonClick(this);
    });
}

std::string TCustomGrid::GetEditText(int col, int row) {
    std::string value = GetCellText(col, row);
    if (!Quiet() && OnGetEditText)
        OnGetEditText(this, col, row, value);
    return value;
}

void TCustomGrid::SetEditText(int col, int row, const std::string& value) {
    if (!Quiet() && OnSetEditText)
        OnSetEditText(this, col, row, value);
}

std::string TCustomGrid::GetCellText(int, int) const {
    return {};
}

void TCustomGrid::SetCellText(int, int, const std::string&) {}

bool TCustomGrid::WantsKey(WORD key, TShiftState shift) const {
    return key == VK_TAB && options_.Contains(goTabs) && !shift.Contains(ssCtrl);
}

bool TCustomGrid::DoKeyDown(WORD& key, TShiftState shift) {
    if (!TWinControl::DoKeyDown(key, shift))
        return false;
    if (key == VK_TAB && options_.Contains(goTabs) && !shift.Contains(ssCtrl)) {
        // The next (or previous) selectable cell, row by row.
        int cols = ColCount(), rows = RowCount();
        int step = shift.Contains(ssShift) ? -1 : 1;
        int pos = row_ * cols + col_;
        for (pos += step; pos >= 0 && pos < cols * rows; pos += step) {
            int c = pos % cols, r = pos / cols;
            if (!IsFixed(c, r) && FocusCell(c, r))
                break;
        }
        key = 0;
        return false;
    }
    if (key == VK_SPACE && !EditorMode() && ToggleCell(col_, row_)) {
        key = 0;
        return false;
    }
    if (key == VK_F2 && !EditorMode() && CellEditable(col_, row_)) {
        SetEditorMode(true);
        key = 0;
        return false;
    }
    return true;
}

bool TCustomGrid::DoKeyPress(char& key) {
    if (!TWinControl::DoKeyPress(key))
        return false;
    // A typed character opens the editor with that character, as typing over a cell does.
    if (!EditorMode() && static_cast<unsigned char>(key) >= 32 && key != ' ' &&
        CellEditable(col_, row_)) {
        auto* view = static_cast<TGridView*>(Table());
        SetEditorMode(true);
        if (auto* edit = qobject_cast<QLineEdit*>(view->editorInput.data())) {
            edit->setText(QString(QChar(key)));
            EditorTextChanged(col_, row_, std::string(1, key));
        }
        key = 0;
        return false;
    }
    return true;
}

void TCustomGrid::PaintCell(QPainter& p, int col, int row, const QRect& rect, bool) {
    bool fixed = IsFixed(col, row);
    bool current = col == col_ && row == row_;
    bool rowSelect = options_.Contains(goRowSelect);
    bool selected =
        !fixed && (rowSelect ? row == row_ : current && options_.Contains(goDrawFocusSelected));
    bool focused = Table()->hasFocus() || EditorMode();
    TGridDrawState state;
    if (fixed)
        state.Include(gdFixed);
    if (selected || (current && !rowSelect))
        state.Include(gdSelected);
    if (current && focused)
        state.Include(gdFocused);

    p.save();
    QColor back = ColorToQColor(fixed ? fixedColor_ : selected ? clHighlight : Color());
    p.fillRect(rect, back);
    // Grid lines on the right and bottom edges of each cell.
    bool vert = options_.Contains(fixed ? goFixedVertLine : goVertLine);
    bool horz = options_.Contains(fixed ? goFixedHorzLine : goHorzLine);
    if (gridLineWidth_ > 0) {
        p.setPen(ColorToQColor(fixed ? clBlack : clSilver));
        if (vert)
            p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
        if (horz)
            p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    }
    if (fixed) {
        // Raised edge inside the lines.
        p.setPen(ColorToQColor(clBtnHighlight));
        p.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
        p.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
    }
    QRect inner = rect.adjusted(0, 0, vert ? -1 : 0, horz ? -1 : 0);
    if (defaultDrawing_) {
        std::string text = GetCellText(col, row);
        if (!text.empty()) {
            p.setFont(Table()->font());
            p.setPen(ColorToQColor(selected ? clHighlightText : Font()->Color()));
            p.drawText(inner.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, Q(text));
        }
        if (current && focused && !rowSelect && !selected && !EditorMode()) {
            p.setPen(QPen(ColorToQColor(clWindowText), 1, Qt::DotLine));
            p.drawRect(inner.adjusted(0, 0, -1, -1));
        }
    }
    p.restore();
    if (OnDrawCell && !Quiet()) {
        canvas_.SetPainter(&p);
        canvas_.Font()->Assign(Font());
        canvas_.Brush()->SetColor(fixed ? fixedColor_ : selected ? clHighlight : Color());
        canvas_.Brush()->SetStyle(bsSolid);
        p.save();
        Guard([&] {
            OnDrawCell(this, col, row, Bounds(inner.x(), inner.y(), inner.width(), inner.height()),
                       state);
        });
        p.restore();
        canvas_.SetPainter(nullptr);
    }
}

// ---------------------------------------------------------------------------------------
// TStringGrid

namespace {

// A column or a row of a string grid as a list: as many lines as the grid has cells there.
class TGridLineStrings : public TStrings {
public:
    TGridLineStrings(TStringGrid* grid, int index, bool column)
        : grid_(grid), index_(index), column_(column) {}
    int Count() const override { return column_ ? grid_->RowCount() : grid_->ColCount(); }
    std::string Get(int i) const override {
        CheckIndex(i, Count());
        return column_ ? grid_->Cells(index_, i) : grid_->Cells(i, index_);
    }
    void Put(int i, const std::string& s) override {
        CheckIndex(i, Count());
        if (column_)
            grid_->SetCells(index_, i, s);
        else
            grid_->SetCells(i, index_, s);
    }
    TObject* GetObject(int i) const override {
        CheckIndex(i, Count());
        return column_ ? grid_->Objects(index_, i) : grid_->Objects(i, index_);
    }
    void PutObject(int i, TObject* o) override {
        CheckIndex(i, Count());
        if (column_)
            grid_->SetObjects(index_, i, o);
        else
            grid_->SetObjects(i, index_, o);
    }
    // The line has a fixed length: Add fills the first empty cell (-1 when none is left).
    int Add(const std::string& s) override {
        for (int i = 0; i < Count(); ++i)
            if (Get(i).empty()) {
                Put(i, s);
                return i;
            }
        return -1;
    }
    void Insert(int, const std::string&) override {
        throw EInvalidOperation("Cannot insert into a grid's row or column");
    }
    void Delete(int) override {
        throw EInvalidOperation("Cannot delete from a grid's row or column");
    }
    void Clear() override {
        for (int i = 0; i < Count(); ++i) {
            Put(i, "");
            PutObject(i, nullptr);
        }
    }

private:
    TStringGrid* grid_;
    int index_;
    bool column_;
};

} // namespace

STEWARD_REGISTER_CLASS(TDrawGrid, [](auto&) {});
STEWARD_REGISTER_CLASS(TStringGrid, [](auto&) {});

TStringGrid::TStringGrid(TComponent* owner) : TDrawGrid(owner) {}

TStringGrid::~TStringGrid() = default;

std::string TStringGrid::GetCellText(int col, int row) const {
    const QTableWidgetItem* item = Table()->item(row, col);
    return item ? S(item->text()) : std::string();
}

void TStringGrid::SetCellText(int col, int row, const std::string& text) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        throw EInvalidOperation("Grid index out of range");
    QTableWidgetItem* item = Table()->item(row, col);
    if (!item) {
        if (text.empty())
            return;
        item = new QTableWidgetItem;
        Table()->setItem(row, col, item);
    }
    item->setText(Q(text));
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
    SetCellText(col, row, text);
    // An editor open on the cell shows the new text.
    if (col == Col() && row == Row() && EditorMode())
        Table()->itemDelegate()->setEditorData(InplaceEditor(), Table()->model()->index(row, col));
}

void TStringGrid::SetEditText(int col, int row, const std::string& value) {
    SetCellText(col, row, value);
    TDrawGrid::SetEditText(col, row, value);
}

TObject* TStringGrid::Objects(int col, int row) const {
    const QTableWidgetItem* item = Table()->item(row, col);
    return item ? static_cast<TObject*>(item->data(kObjectRole).value<void*>()) : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* obj) {
    if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
        throw EInvalidOperation("Grid index out of range");
    QTableWidgetItem* item = Table()->item(row, col);
    if (!item) {
        if (!obj)
            return;
        item = new QTableWidgetItem;
        Table()->setItem(row, col, item);
    }
    item->setData(kObjectRole, QVariant::fromValue(static_cast<void*>(obj)));
}

TStrings* TStringGrid::Cols(int col) {
    if (col < 0 || col >= ColCount())
        throw EInvalidOperation("Grid index out of range");
    if (colLists_.size() <= static_cast<size_t>(col))
        colLists_.resize(static_cast<size_t>(col) + 1);
    auto& list = colLists_[static_cast<size_t>(col)];
    if (!list)
        list = std::make_unique<TGridLineStrings>(this, col, true);
    return list.get();
}

TStrings* TStringGrid::Rows(int row) {
    if (row < 0 || row >= RowCount())
        throw EInvalidOperation("Grid index out of range");
    if (rowLists_.size() <= static_cast<size_t>(row))
        rowLists_.resize(static_cast<size_t>(row) + 1);
    auto& list = rowLists_[static_cast<size_t>(row)];
    if (!list)
        list = std::make_unique<TGridLineStrings>(this, row, false);
    return list.get();
}
