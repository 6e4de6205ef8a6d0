#include "ComCtrls.h"

#include "ExtCtrls.h"
#include "TypInfo.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMetaProperty>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cmath>

static QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
static std::string S(const QString& s) {
    return s.toStdString();
}

namespace {
Qt::Alignment QtAlignment(TAlignment a) {
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}
// Captions compare as users read them: without regard to case, in the user's locale.
int CompareCaptions(const std::string& a, const std::string& b) {
    int r = QString::localeAwareCompare(Q(a).toLower(), Q(b).toLower());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}
QIcon ImageIcon(const TImageList* list, int index) {
    if (!list || index < 0 || index >= list->Count())
        return {};
    return QIcon(list->Pixmap(index));
}
} // namespace

// =======================================================================================
// List view: model, selection and views

class TListViewModel : public QAbstractTableModel {
public:
    explicit TListViewModel(TCustomListView* lv) : lv_(lv) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : lv_->items_->RawCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : std::max(1, lv_->columns_->Count());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        TListItem* item = lv_->ItemAt(index);
        if (!item)
            return {};
        int col = index.column();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (col == 0)
                return Q(item->caption_);
            if (col - 1 < item->subItems_->Count())
                return Q(item->subItems_->Get(col - 1));
            return QString();
        case Qt::DecorationRole:
            if (col == 0)
                return ImageIcon(lv_->viewStyle_ == vsIcon ? lv_->largeImages_ : lv_->smallImages_,
                                 item->imageIndex_);
            return {};
        case Qt::TextAlignmentRole:
            if (lv_->viewStyle_ == vsReport && col < lv_->columns_->Count())
                return static_cast<int>(QtAlignment(lv_->Column(col)->Alignment()));
            if (lv_->viewStyle_ == vsIcon)
                return static_cast<int>(Qt::AlignHCenter | Qt::AlignTop);
            return {};
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || section >= lv_->columns_->Count())
            return {};
        if (role == Qt::DisplayRole)
            return Q(lv_->Column(section)->Caption());
        if (role == Qt::TextAlignmentRole)
            return static_cast<int>(QtAlignment(lv_->Column(section)->Alignment()));
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (index.column() == 0 && !lv_->readOnly_)
            f |= Qt::ItemIsEditable;
        return f;
    }
    // The in-place editor finished: the list view decides what the caption becomes.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        TListItem* item = lv_->ItemAt(index);
        if (!item || role != Qt::EditRole || index.column() != 0)
            return false;
        lv_->Guard([&] { lv_->Edit(item, S(value.toString())); });
        return true;
    }

    void BeginInsert(int row, int count = 1) { beginInsertRows({}, row, row + count - 1); }
    void EndInsert() { endInsertRows(); }
    void BeginRemove(int row) { beginRemoveRows({}, row, row); }
    void EndRemove() { endRemoveRows(); }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); }
    void AllChanged() {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
    // Keeps the column count in step with the columns collection.
    void SyncColumns(int& applied) {
        int want = columnCount();
        if (want > applied) {
            beginInsertColumns({}, applied, want - 1);
            applied = want;
            endInsertColumns();
        } else if (want < applied) {
            beginRemoveColumns({}, want, applied - 1);
            applied = want;
            endRemoveColumns();
        }
        emit headerDataChanged(Qt::Horizontal, 0, want - 1);
        AllChanged();
    }
    void Reorder(const std::function<void()>& sort) {
        emit layoutAboutToBeChanged();
        QModelIndexList before = persistentIndexList();
        std::vector<TListItem*> held;
        held.reserve(static_cast<size_t>(before.size()));
        for (const QModelIndex& i : before)
            held.push_back(lv_->ItemAt(i));
        sort();
        QModelIndexList after;
        for (qsizetype k = 0; k < before.size(); ++k) {
            TListItem* it = held[static_cast<size_t>(k)];
            int row = it ? lv_->items_->Find(it) : -1;
            after << (row >= 0 ? index(row, before[k].column()) : QModelIndex());
        }
        changePersistentIndexList(before, after);
        emit layoutChanged();
    }

private:
    TCustomListView* lv_;
};

// Selection by rows. Changes pass OnChanging (ctState) row by row; a refused row keeps its
// state. The events for what really changed follow, deselections first.
class TListViewSelection : public QItemSelectionModel {
public:
    TListViewSelection(TListViewModel* model, TCustomListView* lv)
        : QItemSelectionModel(model), lv_(lv) {
        connect(this, &QItemSelectionModel::selectionChanged, this,
                [this](const QItemSelection& sel, const QItemSelection& desel) {
                    if (!inSelect_ && !suppress_)
                        lv_->SelectionChanged(sel, desel);
                });
    }
    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (inSelect_) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        QItemSelection sel = lv_->rowSelect_ ? selection : FirstColumn(selection);
        if (!lv_->rowSelect_)
            command &= ~QItemSelectionModel::Rows;
        std::vector<char> before = Rows();
        inSelect_ = true;
        QItemSelectionModel::select(sel, command);
        std::vector<char> after = Rows();
        // Deselections are asked first, as they happen first. A single-select list keeps
        // its one selected row: one refusal refuses the whole change.
        std::vector<size_t> refused;
        for (int pass = 0; pass < 2; ++pass)
            for (size_t r = 0; r < after.size(); ++r) {
                if (after[r] == before[r] || bool(before[r]) != (pass == 0))
                    continue;
                bool allowed = true;
                lv_->Guard([&] { allowed = lv_->CanChange(lv_->items_->At(int(r)), ctState); });
                if (!allowed)
                    refused.push_back(r);
            }
        if (!refused.empty() && !lv_->multiSelect_) {
            refused.clear();
            for (size_t r = 0; r < after.size(); ++r)
                if (after[r] != before[r])
                    refused.push_back(r);
        }
        QItemSelection reselect, undo;
        for (size_t r : refused) {
            QItemSelection& target = before[r] ? reselect : undo;
            target.select(model()->index(int(r), 0), model()->index(int(r), LastColumn()));
            after[r] = before[r];
        }
        if (!reselect.isEmpty())
            QItemSelectionModel::select(reselect, Select);
        if (!undo.isEmpty())
            QItemSelectionModel::select(undo, Deselect);
        inSelect_ = false;
        QItemSelection on, off;
        for (size_t r = 0; r < after.size(); ++r) {
            if (after[r] == before[r])
                continue;
            (after[r] ? on : off).select(model()->index(int(r), 0), model()->index(int(r), 0));
        }
        if (!on.isEmpty() || !off.isEmpty())
            lv_->SelectionChanged(on, off);
    }
    // Rows going away are not deselected by anyone: no events for them.
    bool suppress_ = false;

private:
    std::vector<char> Rows() const {
        std::vector<char> v(static_cast<size_t>(model()->rowCount()), 0);
        for (const QItemSelectionRange& r : selection())
            for (int row = r.top(); row <= r.bottom(); ++row)
                if (r.left() == 0 && row >= 0 && row < int(v.size()))
                    v[size_t(row)] = 1;
        return v;
    }
    int LastColumn() const { return lv_->rowSelect_ ? model()->columnCount() - 1 : 0; }
    QItemSelection FirstColumn(const QItemSelection& s) const {
        QItemSelection out;
        for (const QItemSelectionRange& r : s)
            out.select(model()->index(r.top(), 0), model()->index(r.bottom(), 0));
        return out;
    }
    TCustomListView* lv_;
    bool inSelect_ = false;
};

// The editing hooks both views share: OnEditing before an editor opens, access to the
// protected editing state.
template <class Base> class TListViewViewT : public Base {
public:
    explicit TListViewViewT(TCustomListView* lv) : lv_(lv) {}
    bool Editing() const { return this->state() == QAbstractItemView::EditingState; }
    void CancelEditing() {
        if (!Editing())
            return;
        if (QWidget* ed = this->indexWidget(editIndex_))
            this->closeEditor(ed, QAbstractItemDelegate::RevertModelCache);
    }

protected:
    bool edit(const QModelIndex& index, QAbstractItemView::EditTrigger trigger,
              QEvent* event) override {
        bool opens =
            index.isValid() && !Editing() && (index.flags() & Qt::ItemIsEditable) &&
            trigger != QAbstractItemView::SelectedClicked &&
            (trigger == QAbstractItemView::AllEditTriggers || (trigger & this->editTriggers()));
        if (opens) {
            bool allow = true;
            lv_->Guard([&] { allow = lv_->CanEdit(lv_->ItemAt(index)); });
            if (!allow)
                return false;
            editIndex_ = index;
        }
        return Base::edit(index, trigger, event);
    }

private:
    TCustomListView* lv_;
    QPersistentModelIndex editIndex_;
};

class TListViewIconView : public TListViewViewT<QListView> {
public:
    using TListViewViewT::TListViewViewT;
};
class TListViewReportView : public TListViewViewT<QTreeView> {
public:
    using TListViewViewT::TListViewViewT;
};

namespace {
bool ViewEditing(QAbstractItemView* v) {
    if (auto* iv = dynamic_cast<TListViewIconView*>(v))
        return iv->Editing();
    if (auto* rv = dynamic_cast<TListViewReportView*>(v))
        return rv->Editing();
    return false;
}
} // namespace

// =======================================================================================
// TListColumn, TListColumns

STEWARD_REGISTER_CLASS(TListColumn, [](TPropertyBuilder<TListColumn>& b) {
    b.Str("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
    b.Int("Width", &TListColumn::Width, &TListColumn::SetWidth);
    b.Ord("Alignment", TypeInfoAlignment(), &TListColumn::Alignment, &TListColumn::SetAlignment);
    b.Bool("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize);
    b.Int("MinWidth", &TListColumn::MinWidth, &TListColumn::SetMinWidth);
    b.Int("MaxWidth", &TListColumn::MaxWidth, &TListColumn::SetMaxWidth);
});

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

TCustomListView* TListColumn::View() const {
    auto* cols = dynamic_cast<TListColumns*>(Collection());
    return cols ? cols->Owner() : nullptr;
}

void TListColumn::SetCaption(const std::string& s) {
    if (s == caption_)
        return;
    caption_ = s;
    if (TCustomListView* lv = View())
        lv->ApplyColumn(Index());
}

int TListColumn::Width() const {
    TCustomListView* lv = View();
    int i = Index();
    if (lv && i >= 0 && i < lv->treeView_->header()->count() &&
        !lv->treeView_->header()->isSectionHidden(i))
        return lv->treeView_->header()->sectionSize(i);
    return width_;
}

void TListColumn::SetWidth(int w) {
    TCustomListView* lv = View();
    if (w < 0 && lv) {
        // Sized to the texts (and the header), as the list shows them now.
        int i = Index();
        if (i >= 0 && i < lv->model_->columnCount()) {
            QTreeView* tv = lv->treeView_;
            int size = std::max(static_cast<QAbstractItemView*>(tv)->sizeHintForColumn(i), 8);
            if (w == ColumnHeaderWidth)
                size = std::max(size, tv->header()->sectionSizeHint(i));
            w = size;
        } else {
            w = 50;
        }
    }
    width_ = std::max(0, w);
    if (lv)
        lv->ApplyColumn(Index());
}

void TListColumn::SetAlignment(TAlignment a) {
    alignment_ = a;
    if (TCustomListView* lv = View())
        lv->ApplyColumn(Index());
}

void TListColumn::SetAutoSize(bool v) {
    autoSize_ = v;
    if (TCustomListView* lv = View())
        lv->ApplyColumn(Index());
}

void TListColumn::Assign(TPersistent* source) {
    if (auto* c = dyn<TListColumn>(source)) {
        caption_ = c->caption_;
        width_ = c->Width();
        alignment_ = c->alignment_;
        autoSize_ = c->autoSize_;
        minWidth_ = c->minWidth_;
        maxWidth_ = c->maxWidth_;
        tag_ = c->tag_;
        if (TCustomListView* lv = View())
            lv->ApplyColumn(Index());
        return;
    }
    TCollectionItem::Assign(source);
}

STEWARD_REGISTER_CLASS(TListColumns, [](auto&) {});

TListColumns::TListColumns(TCustomListView* owner)
    : TCollection([](TCollection* c) { return new TListColumn(c); }), owner_(owner) {}

TListColumn* TListColumns::Add() {
    return static_cast<TListColumn*>(TCollection::Add());
}

TListColumn* TListColumns::Items(int index) const {
    return static_cast<TListColumn*>(TCollection::Items(index));
}

void TListColumns::Update(TCollectionItem*) {
    if (owner_)
        owner_->ColumnsChanged();
}

// =======================================================================================
// TListItem, TListItems

STEWARD_REGISTER_CLASS(TListItem, [](TPropertyBuilder<TListItem>& b) {
    b.Str("Caption", &TListItem::Caption, &TListItem::SetCaption);
    b.Int("ImageIndex", &TListItem::ImageIndex, &TListItem::SetImageIndex);
    b.Object("SubItems", &TListItem::SubItems, &TListItem::SetSubItems);
    b.Bool("Selected", &TListItem::Selected, &TListItem::SetSelected);
    b.Bool("Focused", &TListItem::Focused, &TListItem::SetFocused);
    b.Bool("Checked", &TListItem::Checked, &TListItem::SetChecked);
    b.Int("Index", &TListItem::Index, nullptr);
});

TListItem::TListItem(TListItems* owner)
    : owner_(owner), subItems_(std::make_unique<TStringList>()) {
    subItems_->OnChange = [this](TObject*) { SubItemsChanged(); };
}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const {
    return owner_ ? owner_->Owner() : nullptr;
}

int TListItem::Index() const {
    return owner_ ? owner_->IndexOf(this) : -1;
}

void TListItem::SetCaption(const std::string& s) {
    if (s == caption_)
        return;
    TCustomListView* lv = ListView();
    if (lv && Index() >= 0 && !lv->CanChange(this, ctText))
        return;
    caption_ = s;
    if (lv && Index() >= 0) {
        ++owner_->revision_;
        lv->ItemChanged(this, ctText);
    }
}

void TListItem::SetImageIndex(int v) {
    if (v == imageIndex_)
        return;
    TCustomListView* lv = ListView();
    if (lv && Index() >= 0 && !lv->CanChange(this, ctImage))
        return;
    imageIndex_ = v;
    if (lv && Index() >= 0)
        lv->ItemChanged(this, ctImage);
}

void TListItem::SetData(void* p) {
    data_ = p;
    if (TCustomListView* lv = ListView(); lv && Index() >= 0)
        lv->SortIfNeeded(ctImage); // the data is a sort key for stData / stBoth
}

void TListItem::SubItemsChanged() {
    TCustomListView* lv = ListView();
    int row = Index();
    if (lv && row >= 0) {
        ++owner_->revision_;
        lv->model_->RowChanged(row);
    }
}

bool TListItem::Selected() const {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    return i.isValid() && lv->selection_->isSelected(i);
}

void TListItem::SetSelected(bool v) {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    if (!i.isValid() || v == Selected())
        return;
    QItemSelectionModel::SelectionFlags f =
        !v ? QItemSelectionModel::Deselect
           : (lv->multiSelect_ ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    if (lv->rowSelect_)
        f |= QItemSelectionModel::Rows;
    lv->selection_->select(i, f);
}

bool TListItem::Focused() const {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    return i.isValid() && lv->selection_->currentIndex().row() == i.row();
}

void TListItem::SetFocused(bool v) {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    if (!i.isValid())
        return;
    if (v)
        lv->selection_->setCurrentIndex(i, QItemSelectionModel::NoUpdate);
    else if (Focused())
        lv->selection_->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
}

void TListItem::Delete() {
    if (owner_)
        owner_->Delete(Index());
}

void TListItem::MakeVisible(bool) {
    if (TCustomListView* lv = ListView())
        lv->ActiveView()->scrollTo(lv->IndexOf(this));
}

bool TListItem::EditCaption() {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    if (!i.isValid() || lv->readOnly_)
        return false;
    QAbstractItemView* view = lv->ActiveView();
    view->scrollTo(i);
    view->edit(i);
    return lv->IsEditing();
}

void TListItem::CancelEdit() {
    TCustomListView* lv = ListView();
    if (!lv)
        return;
    if (auto* iv = dynamic_cast<TListViewIconView*>(lv->ActiveView()))
        iv->CancelEditing();
    else if (auto* rv = dynamic_cast<TListViewReportView*>(lv->ActiveView()))
        rv->CancelEditing();
}

TRect TListItem::DisplayRect() const {
    TCustomListView* lv = ListView();
    QModelIndex i = lv ? lv->IndexOf(this) : QModelIndex();
    if (!i.isValid())
        return {};
    QAbstractItemView* view = lv->ActiveView();
    QRect r = view->visualRect(i);
    if (lv->viewStyle_ == vsReport)
        r = r.united(view->visualRect(i.siblingAtColumn(lv->model_->columnCount() - 1)));
    QPoint tl = view->viewport()->mapTo(lv->Widget(), r.topLeft());
    return Bounds(tl.x(), tl.y(), r.width(), r.height());
}

void TListItem::Update() {
    SubItemsChanged();
}

void TListItem::Assign(TPersistent* source) {
    if (auto* other = dyn<TListItem>(source)) {
        SetCaption(other->caption_);
        SetImageIndex(other->imageIndex_);
        subItems_->Assign(other->subItems_.get());
        data_ = other->data_;
        checked_ = other->checked_;
        return;
    }
    TPersistent::Assign(source);
}

STEWARD_REGISTER_CLASS(TListItems, [](TPropertyBuilder<TListItems>& b) {
    b.Int("Count", &TListItems::Count, nullptr);
});

TListItems::TListItems(TCustomListView* owner) : owner_(owner) {}

TListItems::~TListItems() = default;

TListItem* TListItems::Item(int index) const {
    Settle();
    if (index < 0 || index >= RawCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)].get();
}

TListItem* TListItems::Add() {
    return Insert(Count());
}

TListItem* TListItems::Insert(int index) {
    if (index < 0 || index > Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    auto item = std::make_unique<TListItem>(this);
    TListItem* p = item.get();
    owner_->model_->BeginInsert(index);
    items_.insert(items_.begin() + index, std::move(item));
    p->indexHint_ = index;
    Shifted(index);
    if (hintsValid_ == index)
        hintsValid_ = index + 1;
    owner_->model_->EndInsert();
    if (!owner_->Quiet() && owner_->OnInsert)
        owner_->Guard([&] { owner_->OnInsert(owner_, p); });
    return p;
}

void TListItems::Delete(int index) {
    TListItem* p = Item(index);
    owner_->ItemRemoving(p);
    index = IndexOf(p); // a handler may have moved it
    if (index < 0)
        return;
    owner_->selection_->suppress_ = true;
    owner_->model_->BeginRemove(index);
    std::unique_ptr<TListItem> gone = std::move(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
    gone->indexHint_ = -1;
    Shifted(index);
    owner_->model_->EndRemove();
    owner_->selection_->suppress_ = false;
}

void TListItems::InsertItems(const std::vector<int>& at,
                             std::vector<std::unique_ptr<TListItem>> items) {
    Settle();
    const int n = RawCount();
    const int k = static_cast<int>(items.size());
    if (static_cast<int>(at.size()) != k)
        throw EListError("InsertItems: one place per item");
    for (int j = 0; j < k; ++j) {
        if (at[static_cast<size_t>(j)] < 0 || at[static_cast<size_t>(j)] > n ||
            (j > 0 && at[static_cast<size_t>(j)] < at[static_cast<size_t>(j - 1)]))
            throw EListError("List index out of bounds (" +
                             std::to_string(at[static_cast<size_t>(j)]) + ")");
        const TListItem* item = items[static_cast<size_t>(j)].get();
        if (!item || item->owner_ != this || item->indexHint_ >= 0)
            throw EListError("InsertItems: an item that is not a new item of this list");
    }
    if (k == 0)
        return;
    std::vector<TListItem*> added;
    added.reserve(static_cast<size_t>(k));
    for (auto& i : items)
        added.push_back(i.get());

    // Runs of items that go to the same place.
    std::vector<std::pair<int, int>> runs; // (place, first item)
    for (int j = 0; j < k; ++j)
        if (j == 0 || at[static_cast<size_t>(j)] != at[static_cast<size_t>(j - 1)])
            runs.emplace_back(at[static_cast<size_t>(j)], j);
    // A handful of places costs a handful of shifts; beyond that one pass and a reset is
    // cheaper, for the list and for the views.
    constexpr size_t kFewPlaces = 8;
    TListViewModel* model = owner_->model_;
    if (runs.size() <= kFewPlaces) {
        // From the last place back, so that the places ahead stay where they were.
        for (size_t r = runs.size(); r-- > 0;) {
            int place = runs[r].first, first = runs[r].second;
            int last = r + 1 < runs.size() ? runs[r + 1].second : k;
            model->BeginInsert(place, last - first);
            items_.insert(items_.begin() + place, std::make_move_iterator(items.begin() + first),
                          std::make_move_iterator(items.begin() + last));
            for (int j = first; j < last; ++j)
                added[static_cast<size_t>(j)]->indexHint_ = place + (j - first);
            hintsValid_ = std::min(hintsValid_, place);
            model->EndInsert();
        }
        ++revision_;
    } else {
        // The selection and the focus belong to items, not rows: carry them over the reset.
        TListViewSelection* selection = owner_->selection_;
        std::vector<TListItem*> selected;
        for (const QItemSelectionRange& range : selection->selection())
            if (range.left() == 0)
                for (int row = range.top(); row <= range.bottom(); ++row)
                    if (row >= 0 && row < n)
                        selected.push_back(At(row));
        TListItem* current = owner_->ItemAt(selection->currentIndex());

        selection->suppress_ = true;
        model->BeginReset();
        std::vector<std::unique_ptr<TListItem>> merged;
        merged.reserve(static_cast<size_t>(n + k));
        int j = 0;
        for (int i = 0; i <= n; ++i) {
            for (; j < k && at[static_cast<size_t>(j)] == i; ++j)
                merged.push_back(std::move(items[static_cast<size_t>(j)]));
            if (i < n)
                merged.push_back(std::move(items_[static_cast<size_t>(i)]));
        }
        items_.swap(merged);
        for (int i = 0; i < n + k; ++i)
            items_[static_cast<size_t>(i)]->indexHint_ = i;
        hintsValid_ = n + k;
        ++revision_;
        model->EndReset();

        std::vector<int> rows;
        rows.reserve(selected.size());
        for (TListItem* item : selected)
            rows.push_back(item->indexHint_);
        std::sort(rows.begin(), rows.end());
        int lastColumn = owner_->rowSelect_ ? model->columnCount() - 1 : 0;
        QItemSelection keep;
        for (size_t a = 0; a < rows.size();) {
            size_t b = a + 1;
            while (b < rows.size() && rows[b] == rows[b - 1] + 1)
                ++b;
            keep.select(model->index(rows[a], 0), model->index(rows[b - 1], lastColumn));
            a = b;
        }
        if (!keep.isEmpty())
            selection->QItemSelectionModel::select(keep, QItemSelectionModel::Select);
        if (current)
            selection->setCurrentIndex(model->index(current->indexHint_, 0),
                                       QItemSelectionModel::NoUpdate);
        selection->suppress_ = false;
    }

    if (!owner_->Quiet() && owner_->OnInsert)
        for (TListItem* p : added)
            owner_->Guard([&] { owner_->OnInsert(owner_, p); });
    if (owner_->sortType_ != stNone)
        owner_->SortNow();
}

void TListItems::Clear() {
    if (Count() == 0)
        return;
    BeginUpdate();
    for (auto& i : items_)
        owner_->ItemRemoving(i.get());
    owner_->model_->BeginReset();
    std::vector<std::unique_ptr<TListItem>> gone;
    gone.swap(items_);
    for (auto& i : gone)
        i->indexHint_ = -1;
    Shifted(0);
    owner_->model_->EndReset();
    EndUpdate();
}

int TListItems::IndexOf(const TListItem* item) const {
    Settle();
    return Find(item);
}

int TListItems::Find(const TListItem* item) const {
    if (!item || item->owner_ != this || item->indexHint_ < 0)
        return -1;
    int hint = item->indexHint_;
    if (hint < RawCount() && items_[static_cast<size_t>(hint)].get() == item)
        return hint;
    // Renumber from the end of the known prefix up to the item; what is renumbered stays
    // known until the next insertion or deletion in front of it.
    for (int i = hintsValid_; i < RawCount(); ++i) {
        TListItem* p = items_[static_cast<size_t>(i)].get();
        p->indexHint_ = i;
        hintsValid_ = i + 1;
        if (p == item)
            return i;
    }
    return -1;
}

void TListItems::Release() const {
    held_ = false;
    if (!owner_->IsDestroying())
        owner_->ReleaseHeldRows();
}

void TListItems::BeginUpdate() {
    if (updateCount_++ == 0)
        owner_->Container()->setUpdatesEnabled(false);
}

void TListItems::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0) {
        owner_->Container()->setUpdatesEnabled(true);
        if (owner_->sortType_ != stNone)
            owner_->SortNow();
    }
}

void TListItems::Assign(TPersistent* source) {
    if (auto* other = dyn<TListItems>(source)) {
        other->Settle();
        BeginUpdate();
        Clear();
        for (auto& i : other->items_)
            Add()->Assign(i.get());
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

// =======================================================================================
// TIconOptions

STEWARD_REGISTER_CLASS(TIconOptions, [](TPropertyBuilder<TIconOptions>& b) {
    static const TTypeInfo& arrangement =
        b.Own(MakeEnumType("TIconArrangement", {"iaTop", "iaLeft"}));
    b.Ord("Arrangement", arrangement, &TIconOptions::Arrangement, &TIconOptions::SetArrangement);
    b.Bool("AutoArrange", &TIconOptions::AutoArrange, &TIconOptions::SetAutoArrange);
    b.Bool("WrapText", &TIconOptions::WrapText, &TIconOptions::SetWrapText);
});

void TIconOptions::SetArrangement(TIconArrangement v) {
    arrangement_ = v;
    owner_->ApplyViewStyle();
}

void TIconOptions::SetAutoArrange(bool v) {
    autoArrange_ = v;
    owner_->ApplyViewStyle();
}

void TIconOptions::SetWrapText(bool v) {
    wrapText_ = v;
    owner_->ApplyViewStyle();
}

void TIconOptions::Assign(TPersistent* source) {
    if (auto* o = dyn<TIconOptions>(source)) {
        arrangement_ = o->arrangement_;
        autoArrange_ = o->autoArrange_;
        wrapText_ = o->wrapText_;
        owner_->ApplyViewStyle();
        return;
    }
    TPersistent::Assign(source);
}

// =======================================================================================
// TCustomListView

STEWARD_REGISTER_CLASS(TCustomListView, [](TPropertyBuilder<TCustomListView>& b) {
    static const TTypeInfo& viewStyle =
        b.Own(MakeEnumType("TViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}));
    static const TTypeInfo& sortType =
        b.Own(MakeEnumType("TSortType", {"stNone", "stData", "stText", "stBoth"}));
    b.Object("Columns", &TCustomListView::Columns, &TCustomListView::SetColumns);
    b.Object("Items", &TCustomListView::Items, &TCustomListView::SetItems);
    b.Object("IconOptions", &TCustomListView::IconOptions, &TCustomListView::SetIconOptions);
    b.Ord("ViewStyle", viewStyle, &TCustomListView::ViewStyle, &TCustomListView::SetViewStyle);
    b.Bool("MultiSelect", &TCustomListView::MultiSelect, &TCustomListView::SetMultiSelect);
    b.Bool("RowSelect", &TCustomListView::RowSelect, &TCustomListView::SetRowSelect);
    b.Bool("ReadOnly", &TCustomListView::ReadOnly, &TCustomListView::SetReadOnly);
    b.Bool("ShowColumnHeaders", &TCustomListView::ShowColumnHeaders,
           &TCustomListView::SetShowColumnHeaders);
    b.Bool("HideSelection", &TCustomListView::HideSelection, &TCustomListView::SetHideSelection);
    b.Bool("ColumnClick", &TCustomListView::ColumnClick, &TCustomListView::SetColumnClick);
    b.Bool("GridLines", &TCustomListView::GridLines, &TCustomListView::SetGridLines);
    b.Ord("SortType", sortType, &TCustomListView::SortType, &TCustomListView::SetSortType);
    b.Ord("BorderStyle", TypeInfoBorderStyle(), &TCustomListView::BorderStyle,
          &TCustomListView::SetBorderStyle);
    b.Object("LargeImages", &TCustomListView::LargeImages, &TCustomListView::SetLargeImages);
    b.Object("SmallImages", &TCustomListView::SmallImages, &TCustomListView::SetSmallImages);
    b.Event("OnChange", "TLVChangeEvent", &TCustomListView::OnChange);
    b.Event("OnChanging", "TLVChangingEvent", &TCustomListView::OnChanging);
    b.Event("OnSelectItem", "TLVSelectItemEvent", &TCustomListView::OnSelectItem);
    b.Event("OnEditing", "TLVEditingEvent", &TCustomListView::OnEditing);
    b.Event("OnEdited", "TLVEditedEvent", &TCustomListView::OnEdited);
    b.Event("OnColumnClick", "TLVColumnClickEvent", &TCustomListView::OnColumnClick);
    b.Event("OnCompare", "TLVCompareEvent", &TCustomListView::OnCompare);
    b.Event("OnDeletion", "TLVDeletedEvent", &TCustomListView::OnDeletion);
    b.Event("OnInsert", "TLVDeletedEvent", &TCustomListView::OnInsert);
});
STEWARD_REGISTER_CLASS(TListView, [](auto&) {});

TCustomListView::TCustomListView(TComponent* owner) : TWinControl(owner, new QStackedWidget) {
    columns_ = std::make_unique<TListColumns>(this);
    items_ = std::make_unique<TListItems>(this);
    iconOptions_ = std::make_unique<TIconOptions>(this);
    model_ = new TListViewModel(this);
    model_->setParent(Widget());
    selection_ = new TListViewSelection(model_, this);
    appliedColumns_ = model_->columnCount();

    auto* iconView = new TListViewIconView(this);
    auto* reportView = new TListViewReportView(this);
    listView_ = iconView;
    treeView_ = reportView;
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(listView_), static_cast<QAbstractItemView*>(treeView_)}) {
        v->setModel(model_);
        v->setSelectionModel(selection_);
        v->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
        v->setTextElideMode(Qt::ElideRight);
        Container()->addWidget(v);
        WatchWidget(v);
        WatchWidget(v->viewport());
    }
    treeView_->setRootIsDecorated(false);
    treeView_->setItemsExpandable(false);
    treeView_->setUniformRowHeights(true);
    treeView_->setAllColumnsShowFocus(false);
    treeView_->header()->setStretchLastSection(false);
    treeView_->header()->setSectionsMovable(false);
    treeView_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QObject::connect(treeView_->header(), &QHeaderView::sectionClicked, Widget(), [this](int s) {
        if (s >= 0 && s < columns_->Count() && !Quiet())
            Guard([&] { ColClick(Column(s)); });
    });
    listView_->setUniformItemSizes(false);
    clickOnMouseUp_ = true;
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 250, 150);
    ColumnsChanged();
    ApplyViewStyle();
    ApplySelectionLook();
    SetMultiSelect(false);
    SetRowSelect(false);
    SetColumnClick(true);
}

TCustomListView::~TCustomListView() {
    Destroying();
    if (largeImages_)
        largeImages_->RemoveFreeNotification(this);
    if (smallImages_)
        smallImages_->RemoveFreeNotification(this);
    // Nothing may reach the items once they start going.
    selection_->suppress_ = true;
    items_->items_.clear();
    columns_.reset();
}

QStackedWidget* TCustomListView::Container() const {
    return static_cast<QStackedWidget*>(Widget());
}

QAbstractItemView* TCustomListView::ActiveView() const {
    items_->Settle();
    return ShownView();
}

QAbstractItemView* TCustomListView::ShownView() const {
    if (viewStyle_ == vsReport)
        return treeView_;
    return listView_;
}

QWidget* TCustomListView::FocusWidget() const {
    return ShownView();
}

void TCustomListView::HoldRows() {
    if (items_->held_)
        return;
    items_->held_ = true;
    QMetaObject::invokeMethod(
        Widget(), [this] { Guard([&] { items_->Settle(); }); }, Qt::QueuedConnection);
}

bool TCustomListView::WidgetEvent(QObject* watched, QEvent* event) {
    if (items_->held_ && !IsDestroying()) {
        switch (event->type()) {
        case QEvent::Paint:
        case QEvent::Show:
        case QEvent::FocusIn:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            Guard([&] { items_->Settle(); });
            break;
        default:
            break;
        }
    }
    return TWinControl::WidgetEvent(watched, event);
}

int TCustomListView::ColorRole() const {
    return QPalette::Base;
}

QModelIndex TCustomListView::IndexOf(const TListItem* item, int column) const {
    int row = items_->IndexOf(item);
    return row < 0 ? QModelIndex() : model_->index(row, column);
}

TListItem* TCustomListView::ItemAt(const QModelIndex& index) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= items_->RawCount())
        return nullptr;
    return items_->At(index.row());
}

void TCustomListView::ItemChanged(TListItem* item, TItemChange change) {
    int row = items_->Find(item);
    if (row < 0)
        return;
    model_->RowChanged(row);
    Change(item, change);
    SortIfNeeded(change);
}

void TCustomListView::ItemRemoving(TListItem* item) {
    if (!Quiet() && OnDeletion)
        Guard([&] { OnDeletion(this, item); });
}

void TCustomListView::ColumnsChanged() {
    if (!columns_ || !model_)
        return;
    model_->SyncColumns(appliedColumns_);
    for (int i = 0; i < columns_->Count(); ++i)
        ApplyColumn(i);
    // Without columns a report shows nothing, as the system list does.
    treeView_->setColumnHidden(0, columns_->Count() == 0);
}

void TCustomListView::ApplyColumn(int index) {
    if (index < 0 || index >= columns_->Count() || index >= model_->columnCount())
        return;
    TListColumn* c = Column(index);
    QHeaderView* h = treeView_->header();
    if (c->autoSize_) {
        h->setSectionResizeMode(index, QHeaderView::Stretch);
    } else {
        h->setSectionResizeMode(index, QHeaderView::Interactive);
        h->resizeSection(index, c->width_);
    }
    emit model_->headerDataChanged(Qt::Horizontal, index, index);
    model_->AllChanged();
}

void TCustomListView::SetViewStyle(TViewStyle v) {
    if (v == viewStyle_)
        return;
    bool hadFocus = ShownView()->hasFocus();
    viewStyle_ = v;
    ApplyViewStyle();
    if (hadFocus)
        ShownView()->setFocus();
}

void TCustomListView::ApplyViewStyle() {
    if (!listView_)
        return;
    Container()->setCurrentWidget(viewStyle_ == vsReport ? static_cast<QWidget*>(treeView_)
                                                         : static_cast<QWidget*>(listView_));
    QFontMetrics fm(Widget()->font());
    auto size = [](TImageList* l, int fallback) {
        return l ? QSize(l->Width(), l->Height()) : QSize(fallback, fallback);
    };
    switch (viewStyle_) {
    case vsIcon: {
        listView_->setViewMode(QListView::IconMode);
        listView_->setMovement(QListView::Static);
        listView_->setFlow(iconOptions_->Arrangement() == iaLeft ? QListView::TopToBottom
                                                                 : QListView::LeftToRight);
        listView_->setWrapping(true);
        listView_->setWordWrap(iconOptions_->WrapText());
        QSize icon = size(largeImages_, 32);
        listView_->setIconSize(icon);
        int cell = std::max(icon.width() + 40, 76);
        listView_->setGridSize(QSize(cell, icon.height() + 2 * fm.height() + 12));
        listView_->setSpacing(0);
        break;
    }
    case vsSmallIcon:
    case vsList:
        listView_->setViewMode(QListView::ListMode);
        listView_->setMovement(QListView::Static);
        listView_->setFlow(viewStyle_ == vsList ? QListView::TopToBottom : QListView::LeftToRight);
        listView_->setWrapping(true);
        listView_->setWordWrap(false);
        listView_->setIconSize(size(smallImages_, 16));
        listView_->setGridSize(QSize());
        listView_->setSpacing(2);
        break;
    case vsReport:
        treeView_->setIconSize(size(smallImages_, 16));
        break;
    }
    listView_->setResizeMode(QListView::Adjust);
    model_->AllChanged(); // large or small images
}

void TCustomListView::Arrange(TListArrangement) {
    listView_->doItemsLayout();
}

bool TCustomListView::IsEditing() const {
    return ViewEditing(ShownView());
}

TListItem* TCustomListView::Selected() const {
    for (int r = 0; r < items_->Count(); ++r)
        if (selection_->isSelected(model_->index(r, 0)))
            return items_->Item(r);
    return nullptr;
}

void TCustomListView::SetSelected(TListItem* item) {
    if (!item)
        ClearSelection();
    else
        item->SetSelected(true);
}

TListItem* TCustomListView::ItemFocused() const {
    items_->Settle();
    return ItemAt(selection_->currentIndex());
}

void TCustomListView::SetItemFocused(TListItem* item) {
    if (item)
        item->SetFocused(true);
    else
        selection_->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
}

int TCustomListView::ItemIndex() const {
    TListItem* s = Selected();
    return s ? s->Index() : -1;
}

void TCustomListView::SetItemIndex(int index) {
    if (index < 0 || index >= items_->Count()) {
        ClearSelection();
        return;
    }
    TListItem* item = items_->Item(index);
    item->SetSelected(true);
    item->SetFocused(true);
}

int TCustomListView::SelCount() const {
    int n = 0;
    for (int r = 0; r < items_->Count(); ++r)
        if (selection_->isSelected(model_->index(r, 0)))
            ++n;
    return n;
}

void TCustomListView::ClearSelection() {
    selection_->select(QItemSelection(), QItemSelectionModel::Clear);
}

void TCustomListView::SelectAll() {
    if (!multiSelect_ || items_->Count() == 0)
        return;
    QItemSelection all(
        model_->index(0, 0),
        model_->index(items_->Count() - 1, rowSelect_ ? model_->columnCount() - 1 : 0));
    selection_->select(all, QItemSelectionModel::Select);
}

void TCustomListView::SetMultiSelect(bool v) {
    multiSelect_ = v;
    auto mode = v ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    listView_->setSelectionMode(mode);
    treeView_->setSelectionMode(mode);
    if (!v && SelCount() > 1) {
        TListItem* keep = Selected();
        ClearSelection();
        if (keep)
            keep->SetSelected(true);
    }
}

void TCustomListView::SetRowSelect(bool v) {
    rowSelect_ = v;
    treeView_->setSelectionBehavior(v ? QAbstractItemView::SelectRows
                                      : QAbstractItemView::SelectItems);
    treeView_->setAllColumnsShowFocus(v);
    // Re-state the selection in the new shape.
    QItemSelection sel;
    for (int r = 0; r < items_->Count(); ++r)
        if (selection_->isSelected(model_->index(r, 0)))
            sel.select(model_->index(r, 0), model_->index(r, v ? model_->columnCount() - 1 : 0));
    selection_->suppress_ = true;
    selection_->QItemSelectionModel::select(sel, QItemSelectionModel::ClearAndSelect);
    selection_->suppress_ = false;
}

void TCustomListView::SetReadOnly(bool v) {
    readOnly_ = v;
    model_->AllChanged(); // editable flags
}

void TCustomListView::SetShowColumnHeaders(bool v) {
    showColumnHeaders_ = v;
    treeView_->header()->setVisible(v);
}

void TCustomListView::SetHideSelection(bool v) {
    hideSelection_ = v;
    ApplySelectionLook();
}

void TCustomListView::ApplySelectionLook() {
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(listView_), static_cast<QAbstractItemView*>(treeView_)}) {
        QPalette pal = view->palette();
        if (hideSelection_) {
            pal.setColor(QPalette::Inactive, QPalette::Highlight,
                         pal.color(QPalette::Inactive, QPalette::Base));
            pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         pal.color(QPalette::Inactive, QPalette::Text));
        } else {
            pal.setColor(QPalette::Inactive, QPalette::Highlight, ColorToQColor(clBtnFace));
            pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         ColorToQColor(clWindowText));
        }
        view->setPalette(pal);
    }
}

void TCustomListView::SetColumnClick(bool v) {
    columnClick_ = v;
    treeView_->header()->setSectionsClickable(v);
    treeView_->header()->setHighlightSections(false);
}

void TCustomListView::SetGridLines(bool v) {
    gridLines_ = v;
    treeView_->setStyleSheet(v ? "QTreeView::item { border-right: 1px solid #d0d0d0; "
                                 "border-bottom: 1px solid #d0d0d0; }"
                               : QString());
}

void TCustomListView::SetBorderStyle(TBorderStyle v) {
    borderStyle_ = v;
    auto shape = v == bsNone ? QFrame::NoFrame : QFrame::StyledPanel;
    listView_->setFrameShape(shape);
    treeView_->setFrameShape(shape);
}

void TCustomListView::SetLargeImages(TImageList* v) {
    if (v == largeImages_)
        return;
    if (largeImages_)
        largeImages_->RemoveFreeNotification(this);
    largeImages_ = v;
    if (v)
        v->FreeNotification(this);
    ApplyViewStyle();
}

void TCustomListView::SetSmallImages(TImageList* v) {
    if (v == smallImages_)
        return;
    if (smallImages_)
        smallImages_->RemoveFreeNotification(this);
    smallImages_ = v;
    if (v)
        v->FreeNotification(this);
    ApplyViewStyle();
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == largeImages_) {
        largeImages_ = nullptr;
        if (!IsDestroying())
            ApplyViewStyle();
    }
    if (component == smallImages_) {
        smallImages_ = nullptr;
        if (!IsDestroying())
            ApplyViewStyle();
    }
}

void TCustomListView::SetSortType(TSortType v) {
    sortType_ = v;
    if (v != stNone && !IsLoading())
        SortNow();
}

void TCustomListView::Loaded() {
    TWinControl::Loaded();
    if (sortType_ != stNone)
        SortNow();
}

int TCustomListView::CompareItems(TListItem* a, TListItem* b, int data) {
    if (OnCompare) {
        int result = 0;
        OnCompare(this, a, b, data, result);
        return result;
    }
    auto byData = [](TListItem* x, TListItem* y) {
        auto px = reinterpret_cast<std::uintptr_t>(x->Data());
        auto py = reinterpret_cast<std::uintptr_t>(y->Data());
        return px < py ? -1 : px > py ? 1 : 0;
    };
    if (sortType_ == stData)
        return byData(a, b);
    int r = CompareCaptions(a->Caption(), b->Caption());
    if (r == 0 && sortType_ == stBoth)
        r = byData(a, b);
    return r;
}

void TCustomListView::SortWith(const std::function<int(TListItem*, TListItem*)>& cmp) {
    if (sorting_ || items_->Count() < 2)
        return;
    sorting_ = true;
    try {
        model_->Reorder([&] {
            auto& v = items_->items_;
            std::stable_sort(
                v.begin(), v.end(),
                [&](const std::unique_ptr<TListItem>& a, const std::unique_ptr<TListItem>& b) {
                    return cmp(a.get(), b.get()) < 0;
                });
            items_->Shifted(0);
        });
    } catch (...) {
        sorting_ = false;
        throw;
    }
    sorting_ = false;
}

bool TCustomListView::AlphaSort() {
    SortWith([this](TListItem* a, TListItem* b) { return CompareItems(a, b, 0); });
    return true;
}

bool TCustomListView::CustomSort(const TLVCustomSortProc& proc, int data) {
    if (proc)
        SortWith([&](TListItem* a, TListItem* b) { return proc(a, b, data); });
    else
        SortWith([&](TListItem* a, TListItem* b) { return CompareItems(a, b, data); });
    return true;
}

void TCustomListView::SortNow() {
    if (items_->Updating() || IsLoading())
        return;
    AlphaSort();
}

void TCustomListView::SortIfNeeded(TItemChange change) {
    if (sortType_ == stNone || sorting_)
        return;
    bool byText = sortType_ == stText || sortType_ == stBoth;
    bool byData = sortType_ == stData || sortType_ == stBoth;
    // A handler that compares may look at anything; with OnCompare every change counts.
    if ((change == ctText && byText) || (change == ctImage && byData) || OnCompare)
        SortNow();
}

bool TCustomListView::CanChange(TListItem* item, TItemChange change) {
    bool allow = true;
    if (!Quiet() && OnChanging)
        OnChanging(this, item, change, allow);
    return allow;
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
    if (!Quiet() && OnChange)
        Guard([&] { OnChange(this, item, change); });
}

bool TCustomListView::CanEdit(TListItem* item) {
    bool allow = !readOnly_;
    if (allow && !Quiet() && OnEditing)
        OnEditing(this, item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem* item, const std::string& text) {
    std::string s = text;
    if (!Quiet() && OnEdited)
        OnEdited(this, item, s); // an error keeps the old caption
    if (items_->Find(item) >= 0)
        item->SetCaption(s);
}

void TCustomListView::ColClick(TListColumn* column) {
    if (OnColumnClick)
        OnColumnClick(this, column);
}

void TCustomListView::DoSelectItem(TListItem* item, bool selected) {
    if (!Quiet() && OnSelectItem)
        Guard([&] { OnSelectItem(this, item, selected); });
}

void TCustomListView::SelectionChanged(const QItemSelection& selected,
                                       const QItemSelection& deselected) {
    auto rows = [&](const QItemSelection& s) {
        std::vector<int> v;
        for (const QItemSelectionRange& r : s)
            for (int row = r.top(); row <= r.bottom(); ++row)
                if (r.left() == 0 && row >= 0 && row < items_->RawCount())
                    v.push_back(row);
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
        return v;
    };
    std::vector<TListItem*> off, on;
    for (int r : rows(deselected))
        off.push_back(items_->At(r));
    for (int r : rows(selected))
        on.push_back(items_->At(r));
    for (TListItem* i : off) {
        Change(i, ctState);
        DoSelectItem(i, false);
    }
    for (TListItem* i : on) {
        Change(i, ctState);
        DoSelectItem(i, true);
    }
}

TListItem* TCustomListView::GetItemAt(int x, int y) const {
    QAbstractItemView* v = ActiveView();
    QPoint p = v->viewport()->mapFrom(Widget(), QPoint(x, y));
    return ItemAt(v->indexAt(p));
}

TListItem* TCustomListView::TopItem() const {
    items_->Settle();
    if (viewStyle_ != vsReport)
        return nullptr;
    return ItemAt(treeView_->indexAt(QPoint(1, 1)));
}

TListItem* TCustomListView::GetNextItem(TListItem* start, TSearchDirection,
                                        TItemStates states) const {
    int from = start ? items_->IndexOf(start) + 1 : 0;
    for (int r = from; r < items_->Count(); ++r) {
        TListItem* i = items_->Item(r);
        if (states.Contains(isSelected) && !i->Selected())
            continue;
        if (states.Contains(isFocused) && !i->Focused())
            continue;
        return i;
    }
    return nullptr;
}

TListItem* TCustomListView::FindCaption(int startIndex, const std::string& value, bool partial,
                                        bool inclusive, bool wrap) const {
    int n = items_->Count();
    if (n == 0)
        return nullptr;
    int first = std::clamp(startIndex + (inclusive ? 0 : 1), 0, n);
    QString want = Q(value);
    for (int k = 0; k < n; ++k) {
        int r = first + k;
        if (r >= n) {
            if (!wrap)
                break;
            r -= n;
        }
        QString c = Q(items_->Item(r)->Caption());
        if (partial ? c.startsWith(want, Qt::CaseInsensitive)
                    : c.compare(want, Qt::CaseInsensitive) == 0)
            return items_->Item(r);
    }
    return nullptr;
}

TListItem* TCustomListView::FindData(int startIndex, void* value, bool inclusive, bool wrap) const {
    int n = items_->Count();
    int first = std::clamp(startIndex + (inclusive ? 0 : 1), 0, n);
    for (int k = 0; k < n; ++k) {
        int r = first + k;
        if (r >= n) {
            if (!wrap)
                break;
            r -= n;
        }
        if (items_->Item(r)->Data() == value)
            return items_->Item(r);
    }
    return nullptr;
}

// =======================================================================================
// Tab controls

// The tab row: fixed tab sizes when asked, owner drawing, and the user's picks handed to
// the control (which may refuse them).
class TTabBarWidget : public QTabBar {
public:
    explicit TTabBarWidget(TCustomTabControl* owner) : owner_(owner) {
        setDrawBase(true);
        setExpanding(false);
        setUsesScrollButtons(true);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    QSize tabSizeHint(int index) const override {
        QSize s = QTabBar::tabSizeHint(index);
        if (owner_->tabWidth_ > 0)
            s.setWidth(owner_->tabWidth_);
        if (owner_->tabHeight_ > 0)
            s.setHeight(owner_->tabHeight_);
        return s;
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* e) override {
        if (!owner_->ownerDraw_) {
            QTabBar::paintEvent(e);
            return;
        }
        QPainter p(this);
        // The tab shapes come from the style; what is inside them is the owner's.
        for (int i = 0; i < count(); ++i) {
            QStyleOptionTab opt;
            initStyleOption(&opt, i);
            opt.text.clear();
            opt.icon = QIcon();
            style()->drawControl(QStyle::CE_TabBarTabShape, &opt, &p, this);
        }
        QPoint at = mapTo(owner_->Widget(), QPoint(0, 0));
        p.translate(-at);
        TCanvas* c = owner_->Canvas();
        c->SetPainter(&p);
        for (int i = 0; i < count(); ++i) {
            QRect r = tabRect(i).translated(at);
            c->Font()->Assign(owner_->Font());
            c->Brush()->SetColor(clBtnFace);
            c->Brush()->SetStyle(bsSolid);
            c->Pen()->SetColor(clBlack);
            p.save();
            p.setClipRect(r);
            owner_->Guard([&] {
                owner_->DrawTab(i, Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1),
                                i == currentIndex());
            });
            p.restore();
        }
        c->SetPainter(nullptr);
    }

private:
    TCustomTabControl* owner_;
};

namespace {
// The client area of a tab control: the tab row above, a frame around the pages.
class TTabFrameWidget : public QWidget {
public:
    explicit TTabFrameWidget(TCustomTabControl* owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QStyleOptionTabWidgetFrame opt;
        opt.initFrom(this);
        TRect r = owner_->ClientRect();
        QTabBar* bar = owner_->TabBar();
        int barH = bar->isVisible() || !bar->isHidden() ? bar->height() : 0;
        int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
        if (owner_->TabPosition() == tpBottom)
            opt.rect = QRect(0, 0, r.Width(), std::max(0, r.Height() - barH + overlap));
        else
            opt.rect = QRect(0, std::max(0, barH - overlap), r.Width(),
                             std::max(0, r.Height() - barH + overlap));
        opt.shape =
            owner_->TabPosition() == tpBottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth;
        opt.tabBarSize = bar->size();
        opt.lineWidth = 1;
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &opt, &p, this);
    }

private:
    TCustomTabControl* owner_;
};

const TTypeInfo& TabPositionType() {
    static const TTypeInfo t =
        MakeEnumType("TTabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"});
    return t;
}
const TTypeInfo& TabStyleType() {
    static const TTypeInfo t = MakeEnumType("TTabStyle", {"tsTabs", "tsButtons", "tsFlatButtons"});
    return t;
}
} // namespace

STEWARD_REGISTER_CLASS(TCustomTabControl, [](TPropertyBuilder<TCustomTabControl>& b) {
    b.Bool("OwnerDraw", &TCustomTabControl::OwnerDraw, &TCustomTabControl::SetOwnerDraw);
    b.Object("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages);
    b.Int("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight);
    b.Int("TabWidth", &TCustomTabControl::TabWidth, &TCustomTabControl::SetTabWidth);
    b.Bool("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack);
    b.Bool("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine);
    b.Ord("TabPosition", TabPositionType(), &TCustomTabControl::TabPosition,
          &TCustomTabControl::SetTabPosition);
    b.Ord("Style", TabStyleType(), &TCustomTabControl::Style, &TCustomTabControl::SetStyle);
    b.Event("OnChange", "TNotifyEvent", &TCustomTabControl::OnChange);
    b.Event("OnChanging", "TTabChangingEvent", &TCustomTabControl::OnChanging);
    b.Event("OnDrawTab", "TDrawTabEvent", &TCustomTabControl::OnDrawTab);
});

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner, new TTabFrameWidget(this)) {
    bar_ = new TTabBarWidget(this);
    bar_->setParent(Widget());
    WatchWidget(bar_);
    QObject::connect(bar_, &QTabBar::currentChanged, Widget(), [this](int i) { UserPicked(i); });
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
    LayoutTabs();
}

TCustomTabControl::~TCustomTabControl() {
    Destroying();
    if (images_)
        images_->RemoveFreeNotification(this);
}

QTabBar* TCustomTabControl::TabBar() const {
    return bar_;
}

int TCustomTabControl::TabIndex() const {
    return current_;
}

void TCustomTabControl::SetTabIndex(int index) {
    if (index < -1 || index >= bar_->count() || index == current_)
        return;
    settingTabs_ = true;
    if (index >= 0)
        bar_->setCurrentIndex(index);
    settingTabs_ = false;
    current_ = index;
    TabSelected(index);
    bar_->update();
}

int TCustomTabControl::TabCount() const {
    return bar_->count();
}

TRect TCustomTabControl::TabRect(int index) const {
    if (index < 0 || index >= bar_->count())
        return {};
    QRect r = bar_->tabRect(index).translated(bar_->mapTo(Widget(), QPoint(0, 0)));
    return Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

int TCustomTabControl::IndexOfTabAt(int x, int y) const {
    return bar_->tabAt(bar_->mapFrom(Widget(), QPoint(x, y)));
}

void TCustomTabControl::SetOwnerDraw(bool v) {
    ownerDraw_ = v;
    bar_->update();
}

void TCustomTabControl::SetImages(TImageList* v) {
    if (v == images_)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = v;
    if (v) {
        v->FreeNotification(this);
        bar_->setIconSize(QSize(v->Width(), v->Height()));
    }
    for (int i = 0; i < bar_->count(); ++i)
        bar_->setTabIcon(i, ImageIcon(images_, icons_.size() > size_t(i) ? icons_[size_t(i)] : -1));
    LayoutTabs();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        if (!IsDestroying())
            for (int i = 0; i < bar_->count(); ++i)
                bar_->setTabIcon(i, QIcon());
    }
}

void TCustomTabControl::SetTabHeight(int v) {
    tabHeight_ = std::max(0, v);
    LayoutTabs();
}

void TCustomTabControl::SetTabWidth(int v) {
    tabWidth_ = std::max(0, v);
    LayoutTabs();
}

void TCustomTabControl::SetTabPosition(TTabPosition v) {
    tabPosition_ = v;
    bar_->setShape(v == tpBottom ? QTabBar::RoundedSouth : QTabBar::RoundedNorth);
    LayoutTabs();
}

void TCustomTabControl::SetStyle(TTabStyle v) {
    style_ = v;
    bar_->setDrawBase(v == tsTabs);
    bar_->update();
}

void TCustomTabControl::SetTabs(const std::vector<TabInfo>& tabs, int current) {
    settingTabs_ = true;
    while (bar_->count() > int(tabs.size()))
        bar_->removeTab(bar_->count() - 1);
    icons_.clear();
    for (size_t i = 0; i < tabs.size(); ++i) {
        int idx = int(i);
        if (idx >= bar_->count())
            bar_->addTab(Q(tabs[i].Caption));
        else
            bar_->setTabText(idx, Q(tabs[i].Caption));
        bar_->setTabIcon(idx, ImageIcon(images_, tabs[i].ImageIndex));
        icons_.push_back(tabs[i].ImageIndex);
    }
    if (current >= 0 && current < bar_->count())
        bar_->setCurrentIndex(current);
    current_ = current < bar_->count() ? current : -1;
    settingTabs_ = false;
    bar_->update();
    LayoutTabs();
}

void TCustomTabControl::UserPicked(int index) {
    if (settingTabs_ || index == current_ || IsDestroying())
        return;
    Guard([&] {
        if (!CanChange()) {
            settingTabs_ = true;
            if (current_ >= 0)
                bar_->setCurrentIndex(current_);
            settingTabs_ = false;
            return;
        }
        current_ = index;
        TabSelected(index);
        Change();
    });
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (!Quiet() && OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    if (!Quiet() && OnChange)
        OnChange(this);
}

void TCustomTabControl::TabSelected(int) {}

void TCustomTabControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
    if (OnDrawTab) {
        OnDrawTab(this, tabIndex, rect, active);
        return;
    }
    TCanvas* c = Canvas();
    std::string text = S(bar_->tabText(tabIndex));
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '&' || (i + 1 < text.size() && text[i + 1] == '&' && ++i))
            plain += text[i];
    TPoint ext = c->TextExtent(plain);
    int x = rect.Left + (rect.Width() - ext.X) / 2;
    int iconIndex = size_t(tabIndex) < icons_.size() ? icons_[size_t(tabIndex)] : -1;
    if (images_ && iconIndex >= 0) {
        x += (images_->Width() + 4) / 2;
        images_->Draw(c, x - images_->Width() - 4,
                      rect.Top + (rect.Height() - images_->Height()) / 2, iconIndex);
    }
    c->Brush()->SetStyle(bsClear);
    c->TextOut(x, rect.Top + (rect.Height() - ext.Y) / 2, plain);
}

void TCustomTabControl::AdjustClientRect(TRect& rect) const {
    int barH = bar_->height();
    if (tabPosition_ == tpBottom)
        rect = Rect(rect.Left + 4, rect.Top + 4, rect.Right - 4, rect.Bottom - barH - 2);
    else
        rect = Rect(rect.Left + 4, rect.Top + barH + 2, rect.Right - 4, rect.Bottom - 4);
}

void TCustomTabControl::LayoutTabs() {
    int h = bar_->sizeHint().height();
    if (bar_->count() == 0)
        h = std::max(h, QFontMetrics(bar_->font()).height() + 8);
    int w = std::max(0, Width() - 4);
    if (tabPosition_ == tpBottom)
        bar_->setGeometry(2, std::max(0, Height() - h), w, h);
    else
        bar_->setGeometry(2, 0, w, h);
    Widget()->update();
}

void TCustomTabControl::Resized() {
    LayoutTabs();
    TWinControl::Resized();
}

void TCustomTabControl::FontChanged() {
    TWinControl::FontChanged();
    LayoutTabs();
}

// ---------------------------------------------------------------------------------------
// TTabSheet

STEWARD_REGISTER_CLASS(TTabSheet, [](TPropertyBuilder<TTabSheet>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Int("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex);
    b.Bool("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible);
    b.Int("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex);
    b.Bool("Highlighted", &TTabSheet::Highlighted, &TTabSheet::SetHighlighted);
    b.Event("OnShow", "TNotifyEvent", &TTabSheet::OnShow);
    b.Event("OnHide", "TNotifyEvent", &TTabSheet::OnHide);
});

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    Widget()->setAutoFillBackground(true);
    SetBounds(0, 0, 281, 165);
}

TTabSheet::~TTabSheet() {
    Destroying();
    if (pageControl_)
        SetParent(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    SetParent(pc);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_)
        return -1;
    auto& v = pageControl_->pages_;
    return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TTabSheet::SetPageIndex(int index) {
    if (!pageControl_)
        return;
    auto& v = pageControl_->pages_;
    index = std::clamp(index, 0, int(v.size()) - 1);
    v.erase(std::find(v.begin(), v.end(), this));
    v.insert(v.begin() + index, this);
    pageControl_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
    if (!pageControl_ || !tabVisible_)
        return -1;
    int t = 0;
    for (TTabSheet* p : pageControl_->pages_) {
        if (p == this)
            return t;
        if (p->tabVisible_)
            ++t;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == tabVisible_)
        return;
    int oldTab = TabIndex();
    tabVisible_ = v;
    TPageControl* pc = pageControl_;
    if (!pc)
        return;
    if (!v && pc->activePage_ == this) {
        // The tab at the same place takes over (or the last one; none when no tab is left).
        pc->UpdateTabs();
        int n = pc->TabCount();
        pc->ChangeActivePage(n == 0 ? nullptr : pc->PageForTab(std::min(oldTab, n - 1)));
    }
    pc->UpdateTabs();
}

void TTabSheet::SetImageIndex(int v) {
    imageIndex_ = v;
    if (pageControl_)
        pageControl_->UpdateTabs();
}

void TTabSheet::TextChanged() {
    if (pageControl_)
        pageControl_->UpdateTabs();
}

// ---------------------------------------------------------------------------------------
// TPageControl

STEWARD_REGISTER_CLASS(TPageControl, [](TPropertyBuilder<TPageControl>& b) {
    b.Object("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
});

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
    Destroying();
    for (TTabSheet* p : pages_)
        p->pageControl_ = nullptr;
    pages_.clear();
    activePage_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return pages_[size_t(index)];
}

void TPageControl::InsertControl(TControl* control) {
    TCustomTabControl::InsertControl(control);
    auto* sheet = dyn<TTabSheet>(control);
    if (!sheet)
        return;
    pages_.push_back(sheet);
    sheet->pageControl_ = this;
    TRect r = ClientRect();
    AdjustClientRect(r);
    sheet->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    sheet->SetVisible(false);
    UpdateTabs();
    if (!activePage_ && sheet->TabVisible())
        ChangeActivePage(sheet);
}

void TPageControl::RemoveControl(TControl* control) {
    auto* sheet = dyn<TTabSheet>(control);
    if (sheet && sheet->pageControl_ == this) {
        int oldTab = sheet->TabIndex();
        pages_.erase(std::find(pages_.begin(), pages_.end(), sheet));
        sheet->pageControl_ = nullptr;
        if (activePage_ == sheet) {
            activePage_ = nullptr;
            if (!IsDestroying()) {
                UpdateTabs();
                int n = TabCount();
                if (n > 0)
                    ChangeActivePage(PageForTab(std::clamp(oldTab, 0, n - 1)));
            }
        }
        if (!IsDestroying())
            UpdateTabs();
    }
    TCustomTabControl::RemoveControl(control);
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
    if (tabIndex < 0)
        return nullptr;
    for (TTabSheet* p : pages_)
        if (p->tabVisible_ && tabIndex-- == 0)
            return p;
    return nullptr;
}

void TPageControl::UpdateTabs() {
    std::vector<TabInfo> tabs;
    for (TTabSheet* p : pages_)
        if (p->tabVisible_)
            tabs.push_back({p->Caption(), p->ImageIndex()});
    SetTabs(tabs, activePage_ ? activePage_->TabIndex() : -1);
}

void TPageControl::LayoutTabs() {
    TCustomTabControl::LayoutTabs();
    TRect r = ClientRect();
    AdjustClientRect(r);
    for (TTabSheet* p : pages_)
        p->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
}

void TPageControl::ChangeActivePage(TTabSheet* page) {
    if (page == activePage_)
        return;
    TTabSheet* old = activePage_;
    activePage_ = page;
    if (page) {
        page->BringToFront();
        page->SetVisible(true);
    }
    if (old)
        old->SetVisible(false);
    UpdateTabs();
    if (!Quiet()) {
        if (old && old->OnHide)
            Guard([&] { old->OnHide(old); });
        if (page && page->OnShow)
            Guard([&] { page->OnShow(page); });
    }
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this)
        return;
    ChangeActivePage(page);
}

int TPageControl::ActivePageIndex() const {
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[size_t(index)] : nullptr);
}

void TPageControl::TabSelected(int index) {
    ChangeActivePage(PageForTab(index));
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward,
                                      bool checkTabVisible) const {
    int n = PageCount();
    if (n == 0)
        return nullptr;
    auto it = std::find(pages_.begin(), pages_.end(), current);
    int start = it == pages_.end() ? (goForward ? n - 1 : 0) : int(it - pages_.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = goForward ? (i + 1) % n : (i + n - 1) % n;
        if (!checkTabVisible || pages_[size_t(i)]->tabVisible_)
            return pages_[size_t(i)];
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
    TTabSheet* page = FindNextPage(activePage_, goForward, checkTabVisible);
    if (!page || page == activePage_ || !CanChange())
        return;
    ChangeActivePage(page);
    Change();
}

// ---------------------------------------------------------------------------------------
// TTabControl

STEWARD_REGISTER_CLASS(TTabControl, [](TPropertyBuilder<TTabControl>& b) {
    b.Object("Tabs", &TTabControl::Tabs, &TTabControl::SetTabsProp);
    b.Int("TabIndex", &TCustomTabControl::TabIndex, &TCustomTabControl::SetTabIndex);
});

TTabControl::TTabControl(TComponent* owner) : TCustomTabControl(owner) {
    tabs_ = std::make_unique<TStringList>();
    tabs_->OnChange = [this](TObject*) { TabsChanged(); };
}

TTabControl::~TTabControl() = default;

void TTabControl::TabsChanged() {
    std::vector<TabInfo> tabs;
    for (int i = 0; i < tabs_->Count(); ++i)
        tabs.push_back({tabs_->Get(i), i});
    int current = TabIndex();
    if (current < 0 && !tabs.empty())
        current = 0;
    SetTabs(tabs, std::min(current, int(tabs.size()) - 1));
}

void TTabControl::TabSelected(int) {}

// ---------------------------------------------------------------------------------------
// TTabSet

STEWARD_REGISTER_CLASS(TTabSet, [](TPropertyBuilder<TTabSet>& b) {
    b.Object("Tabs", &TTabSet::Tabs, &TTabSet::SetTabsProp);
    b.Int("TabIndex", &TTabSet::TabIndex, &TTabSet::SetTabIndex);
    b.Event("OnChange", "TTabChangeEvent", &TTabSet::OnChange);
});

TTabSet::TTabSet(TComponent* owner) : TWinControl(owner, new QTabBar) {
    tabs_ = std::make_unique<TStringList>();
    tabs_->OnChange = [this](TObject*) { TabsChanged(); };
    TabBar()->setShape(QTabBar::RoundedSouth);
    TabBar()->setExpanding(false);
    TabBar()->setDrawBase(true);
    QObject::connect(TabBar(), &QTabBar::currentChanged, Widget(), [this](int i) {
        if (!programmatic_)
            UserPicked(i);
    });
    clickOnMouseUp_ = false;
    SetBounds(0, 0, 185, 21);
}

TTabSet::~TTabSet() {
    Destroying();
}

QTabBar* TTabSet::TabBar() const {
    return static_cast<QTabBar*>(Widget());
}

int TTabSet::TabIndex() const {
    return current_;
}

void TTabSet::TabsChanged() {
    programmatic_ = true;
    QTabBar* bar = TabBar();
    while (bar->count() > tabs_->Count())
        bar->removeTab(bar->count() - 1);
    for (int i = 0; i < tabs_->Count(); ++i) {
        if (i < bar->count())
            bar->setTabText(i, Q(tabs_->Get(i)));
        else
            bar->addTab(Q(tabs_->Get(i)));
    }
    if (current_ >= bar->count())
        current_ = bar->count() - 1;
    if (current_ < 0 && bar->count() > 0)
        current_ = 0;
    if (current_ >= 0)
        bar->setCurrentIndex(current_);
    programmatic_ = false;
}

void TTabSet::SetTabIndex(int index) {
    if (index < -1 || index >= tabs_->Count() || index == current_)
        return;
    bool allow = true;
    if (!Quiet() && OnChange)
        OnChange(this, index, allow);
    if (!allow)
        return;
    current_ = index;
    programmatic_ = true;
    if (index >= 0)
        TabBar()->setCurrentIndex(index);
    programmatic_ = false;
}

void TTabSet::UserPicked(int index) {
    if (index == current_)
        return;
    Guard([&] {
        int before = current_;
        SetTabIndex(index);
        if (current_ != index) {
            programmatic_ = true;
            if (before >= 0)
                TabBar()->setCurrentIndex(before);
            programmatic_ = false;
            return;
        }
        Click();
    });
}

// =======================================================================================
// Tool bar

namespace {
// A tool button that draws separators and dividers as a gap with an etched line.
class TToolButtonWidget : public QToolButton {
public:
    explicit TToolButtonWidget(TToolButton* owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent* e) override {
        TToolButtonStyle s = owner_->Style();
        if (s != tbsSeparator && s != tbsDivider) {
            QToolButton::paintEvent(e);
            return;
        }
        QPainter p(this);
        int x = width() / 2 - 1;
        p.setPen(ColorToQColor(clBtnShadow));
        p.drawLine(x, 2, x, height() - 3);
        p.setPen(ColorToQColor(clBtnHighlight));
        p.drawLine(x + 1, 2, x + 1, height() - 3);
    }

private:
    TToolButton* owner_;
};

std::string StripAccel(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&')
                out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}
} // namespace

STEWARD_REGISTER_CLASS(TToolButton, [](TPropertyBuilder<TToolButton>& b) {
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TToolButtonStyle",
                           {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"}));
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Ord("Style", style, &TToolButton::Style, &TToolButton::SetStyle);
    b.Int("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex);
    b.Object("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
    b.Bool("Down", &TToolButton::Down, &TToolButton::SetDown);
    b.Bool("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
    b.Bool("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp);
    b.Bool("Indeterminate", &TToolButton::Indeterminate, &TToolButton::SetIndeterminate);
});

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner, new TToolButtonWidget(this)) {
    clickOnMouseUp_ = false;
    Button()->setFocusPolicy(Qt::NoFocus);
    QObject::connect(Button(), &QToolButton::clicked, Widget(), [this] {
        if (setting_)
            return;
        Guard([&] {
            if (style_ == tbsCheck && grouped_ && Button()->isChecked())
                if (TToolBar* bar = ToolBar())
                    for (TToolButton* b : bar->buttons_)
                        if (b != this && b->style_ == tbsCheck && b->grouped_)
                            b->SetDown(false);
            if (style_ == tbsCheck && grouped_ && !allowAllUp_ && !Button()->isChecked())
                SetDown(true);
            Click();
        });
    });
    SetBounds(0, 0, 23, 22);
    UpdateButton();
}

TToolButton::~TToolButton() {
    Destroying();
    if (dropdownMenu_)
        dropdownMenu_->RemoveFreeNotification(this);
}

QToolButton* TToolButton::Button() const {
    return static_cast<QToolButton*>(Widget());
}

TToolBar* TToolButton::ToolBar() const {
    return dyn<TToolBar>(Parent());
}

int TToolButton::Index() const {
    TToolBar* bar = ToolBar();
    if (!bar)
        return -1;
    auto it = std::find(bar->buttons_.begin(), bar->buttons_.end(), this);
    return it == bar->buttons_.end() ? -1 : int(it - bar->buttons_.begin());
}

void TToolButton::SetStyle(TToolButtonStyle v) {
    if (v == style_)
        return;
    bool wasGap = style_ == tbsSeparator || style_ == tbsDivider;
    style_ = v;
    bool gap = v == tbsSeparator || v == tbsDivider;
    if (gap && !wasGap)
        SetWidth(8);
    UpdateButton();
    if (TToolBar* bar = ToolBar())
        bar->ArrangeButtons();
}

void TToolButton::SetImageIndex(int v) {
    imageIndex_ = v;
    UpdateButton();
}

void TToolButton::SetDropdownMenu(TPopupMenu* m) {
    if (m == dropdownMenu_)
        return;
    if (dropdownMenu_)
        dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = m;
    if (m)
        m->FreeNotification(this);
    UpdateButton();
    if (TToolBar* bar = ToolBar())
        bar->ArrangeButtons();
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == dropdownMenu_) {
        dropdownMenu_ = nullptr;
        if (!IsDestroying())
            UpdateButton();
    }
}

bool TToolButton::Down() const {
    return Button()->isChecked() || Button()->isDown();
}

void TToolButton::SetDown(bool v) {
    setting_ = true;
    if (Button()->isCheckable())
        Button()->setChecked(v);
    else
        Button()->setDown(v);
    setting_ = false;
}

void TToolButton::SetIndeterminate(bool v) {
    indeterminate_ = v;
    Button()->setEnabled(Enabled() && !v);
}

void TToolButton::SetText(const std::string& s) {
    TGraphicControl::SetText(s);
    UpdateButton();
    if (TToolBar* bar = ToolBar())
        bar->ArrangeButtons();
}

void TToolButton::UpdateButton() {
    QToolButton* b = Button();
    TToolBar* bar = ToolBar();
    bool gap = style_ == tbsSeparator || style_ == tbsDivider;
    b->setCheckable(style_ == tbsCheck);
    b->setAutoRaise(!bar || bar->flat_);
    if (gap) {
        b->setText({});
        b->setIcon({});
        b->setMenu(nullptr);
        b->setEnabled(false);
        return;
    }
    b->setEnabled(Enabled() && !indeterminate_);
    b->setText(Q(Caption()));
    TImageList* images = bar ? bar->images_ : nullptr;
    b->setIcon(ImageIcon(images, imageIndex_));
    if (images)
        b->setIconSize(QSize(images->Width(), images->Height()));
    bool captions = bar && bar->showCaptions_;
    if (!captions)
        b->setToolButtonStyle(images ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    else if (!images)
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    else
        b->setToolButtonStyle(bar->list_ ? Qt::ToolButtonTextBesideIcon
                                         : Qt::ToolButtonTextUnderIcon);
    b->setMenu(dropdownMenu_ ? dropdownMenu_->Menu() : nullptr);
    // A drop-down button clicks on its face and drops the menu from its arrow; a plain
    // button with a menu drops it on any press.
    b->setPopupMode(style_ == tbsDropDown ? QToolButton::MenuButtonPopup
                                          : QToolButton::InstantPopup);
}

bool TToolButton::CheckMenuDropdown() {
    if (!dropdownMenu_)
        return false;
    QPoint g = Button()->mapToGlobal(QPoint(0, Button()->height()));
    dropdownMenu_->SetPopupComponent(this);
    dropdownMenu_->Popup(g.x(), g.y());
    return true;
}

void TToolButton::Click() {
    TGraphicControl::Click();
}

void TToolButton::WndProc(TMessage& m) {
    // Mouse messages press the real button, so checking and grouping behave as for a user.
    if (m.Msg == WM_LBUTTONUP && Button()->isEnabled()) {
        Button()->click();
        return;
    }
    if (m.Msg == WM_LBUTTONDOWN)
        return;
    TGraphicControl::WndProc(m);
}

STEWARD_REGISTER_CLASS(TToolBar, [](TPropertyBuilder<TToolBar>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Object("Images", &TToolBar::Images, &TToolBar::SetImages);
    b.Bool("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions);
    b.Bool("Flat", &TToolBar::Flat, &TToolBar::SetFlat);
    b.Bool("List", &TToolBar::List, &TToolBar::SetList);
    b.Int("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth);
    b.Int("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight);
    b.Int("Indent", &TToolBar::Indent, &TToolBar::SetIndent);
    b.Bool("AutoSize", &TToolBar::AutoSize, &TToolBar::SetAutoSize);
});

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
    Widget()->setAutoFillBackground(true);
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() {
    Destroying();
    if (images_)
        images_->RemoveFreeNotification(this);
    buttons_.clear();
}

TToolButton* TToolBar::Buttons(int index) const {
    if (index < 0 || index >= ButtonCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return buttons_[size_t(index)];
}

void TToolBar::InsertControl(TControl* control) {
    TWinControl::InsertControl(control);
    if (auto* b = dyn<TToolButton>(control)) {
        buttons_.push_back(b);
        b->UpdateButton();
        ArrangeButtons();
    }
}

void TToolBar::RemoveControl(TControl* control) {
    if (auto* b = dyn<TToolButton>(control)) {
        buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), b), buttons_.end());
        if (!IsDestroying())
            ArrangeButtons();
    }
    TWinControl::RemoveControl(control);
}

void TToolBar::SetImages(TImageList* v) {
    if (v == images_)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = v;
    if (v)
        v->FreeNotification(this);
    for (TToolButton* b : buttons_)
        b->UpdateButton();
    ArrangeButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        if (!IsDestroying()) {
            for (TToolButton* b : buttons_)
                b->UpdateButton();
            ArrangeButtons();
        }
    }
}

void TToolBar::SetShowCaptions(bool v) {
    showCaptions_ = v;
    for (TToolButton* b : buttons_)
        b->UpdateButton();
    ArrangeButtons();
}

void TToolBar::SetFlat(bool v) {
    flat_ = v;
    for (TToolButton* b : buttons_)
        b->UpdateButton();
}

void TToolBar::SetList(bool v) {
    list_ = v;
    for (TToolButton* b : buttons_)
        b->UpdateButton();
    ArrangeButtons();
}

void TToolBar::SetButtonWidth(int v) {
    buttonWidth_ = v;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int v) {
    buttonHeight_ = v;
    ArrangeButtons();
}

void TToolBar::SetIndent(int v) {
    indent_ = v;
    ArrangeButtons();
}

void TToolBar::SetAutoSize(bool v) {
    autoSize_ = v;
    ArrangeButtons();
}

void TToolBar::Loaded() {
    TWinControl::Loaded();
    for (TToolButton* b : buttons_)
        b->UpdateButton();
    ArrangeButtons();
}

void TToolBar::Resized() {
    TWinControl::Resized();
    ArrangeButtons();
}

void TToolBar::FontChanged() {
    TWinControl::FontChanged();
    ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
    if (arranging_ || IsLoading() || IsDestroying())
        return;
    arranging_ = true;
    // Every button of a bar is as large as the largest needs; separators keep their width.
    QFontMetrics fm(Font()->ToQFont());
    int iw = images_ ? images_->Width() : 0, ih = images_ ? images_->Height() : 0;
    int w = buttonWidth_, h = buttonHeight_;
    for (TToolButton* b : buttons_) {
        if (b->style_ == tbsSeparator || b->style_ == tbsDivider || !b->Visible())
            continue;
        int tw = 0, th = 0;
        if (showCaptions_ && !b->Caption().empty()) {
            tw = fm.horizontalAdvance(Q(StripAccel(b->Caption())));
            th = fm.height();
        }
        if (!showCaptions_ || tw == 0) {
            w = std::max(w, iw + 7);
            h = std::max(h, ih + 6);
        } else if (list_ || !images_) {
            w = std::max(w, iw + tw + (images_ ? 4 : 0) + 12);
            h = std::max(h, std::max(ih, th) + 8);
        } else {
            w = std::max(w, std::max(iw, tw) + 10);
            h = std::max(h, ih + th + 9);
        }
    }
    int x = indent_, y = 2;
    for (TToolButton* b : buttons_) {
        if (!b->Visible())
            continue;
        int bw = w;
        if (b->style_ == tbsSeparator || b->style_ == tbsDivider)
            bw = b->Width();
        else if (b->style_ == tbsDropDown)
            bw = w + 14;
        b->SetBounds(x, y, bw, h);
        x += bw;
    }
    if (autoSize_ || Height() < h + 4)
        SetHeight(h + 4 + (autoSize_ ? 0 : 3));
    arranging_ = false;
}

// =======================================================================================
// Status bar

STEWARD_REGISTER_CLASS(TStatusPanel, [](TPropertyBuilder<TStatusPanel>& b) {
    static const TTypeInfo& bevel =
        b.Own(MakeEnumType("TStatusPanelBevel", {"pbNone", "pbLowered", "pbRaised"}));
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TStatusPanelStyle", {"psText", "psOwnerDraw"}));
    b.Str("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
    b.Int("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
    b.Ord("Alignment", TypeInfoAlignment(), &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
    b.Ord("Bevel", bevel, &TStatusPanel::Bevel, &TStatusPanel::SetBevel);
    b.Ord("Style", style, &TStatusPanel::Style, &TStatusPanel::SetStyle);
});

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::Changed() {
    if (auto* panels = dynamic_cast<TStatusPanels*>(Collection()))
        if (panels->Owner())
            panels->Owner()->Invalidate();
}

void TStatusPanel::SetText(const std::string& s) {
    text_ = s;
    Changed();
}
void TStatusPanel::SetWidth(int v) {
    width_ = v;
    Changed();
}
void TStatusPanel::SetAlignment(TAlignment v) {
    alignment_ = v;
    Changed();
}
void TStatusPanel::SetBevel(TStatusPanelBevel v) {
    bevel_ = v;
    Changed();
}
void TStatusPanel::SetStyle(TStatusPanelStyle v) {
    style_ = v;
    Changed();
}

void TStatusPanel::Assign(TPersistent* source) {
    if (auto* p = dyn<TStatusPanel>(source)) {
        text_ = p->text_;
        width_ = p->width_;
        alignment_ = p->alignment_;
        bevel_ = p->bevel_;
        style_ = p->style_;
        Changed();
        return;
    }
    TCollectionItem::Assign(source);
}

STEWARD_REGISTER_CLASS(TStatusPanels, [](auto&) {});

TStatusPanels::TStatusPanels(TStatusBar* owner)
    : TCollection([](TCollection* c) { return new TStatusPanel(c); }), owner_(owner) {}

TStatusPanel* TStatusPanels::Add() {
    return static_cast<TStatusPanel*>(TCollection::Add());
}

TStatusPanel* TStatusPanels::Items(int index) const {
    return static_cast<TStatusPanel*>(TCollection::Items(index));
}

void TStatusPanels::Update(TCollectionItem*) {
    if (owner_)
        owner_->Invalidate();
}

STEWARD_REGISTER_CLASS(TStatusBar, [](TPropertyBuilder<TStatusBar>& b) {
    b.Object("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels);
    b.Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel);
    b.Str("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
    b.Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
    b.Event("OnDrawPanel", "TDrawPanelEvent", &TStatusBar::OnDrawPanel);
});

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner) {
    panels_ = std::make_unique<TStatusPanels>(this);
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    Destroying();
}

void TStatusBar::SetSimplePanel(bool v) {
    simplePanel_ = v;
    Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& s) {
    simpleText_ = s;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool v) {
    sizeGrip_ = v;
    Invalidate();
}

TRect TStatusBar::PanelRect(int index) const {
    if (index < 0 || index >= panels_->Count())
        return {};
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += panels_->Items(i)->Width() + 2;
    int right = index == panels_->Count() - 1 ? ClientWidth() : x + panels_->Items(index)->Width();
    return Rect(x, 2, std::max(x, right), ClientHeight());
}

void TStatusBar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());
    auto drawText = [&](TRect r, const std::string& text, TAlignment a) {
        c->Brush()->SetStyle(bsClear);
        TPoint ext = c->TextExtent(text);
        int x = a == taRightJustify ? r.Right - ext.X - 3
                : a == taCenter     ? r.Left + (r.Width() - ext.X) / 2
                                    : r.Left + 3;
        c->TextRect(r, x, r.Top + (r.Height() - ext.Y) / 2, text);
    };
    int gripRoom = sizeGrip_ ? 14 : 0;
    if (simplePanel_ || panels_->Count() == 0) {
        TRect r = Rect(0, 2, ClientWidth() - gripRoom, ClientHeight());
        if (simplePanel_)
            drawText(r, simpleText_, taLeftJustify);
    } else {
        for (int i = 0; i < panels_->Count(); ++i) {
            TStatusPanel* p = panels_->Items(i);
            TRect r = PanelRect(i);
            if (i == panels_->Count() - 1)
                r.Right = std::max(r.Left, r.Right - gripRoom);
            TRect inner = r;
            if (p->Bevel() != pbNone) {
                bool lowered = p->Bevel() == pbLowered;
                Frame3D(c, inner, lowered ? clBtnShadow : clBtnHighlight,
                        lowered ? clBtnHighlight : clBtnShadow, 1);
            }
            if (p->Style() == psOwnerDraw) {
                if (OnDrawPanel)
                    Guard([&] { OnDrawPanel(this, p, inner); });
            } else {
                drawText(inner, p->Text(), p->Alignment());
            }
        }
    }
    if (sizeGrip_) {
        int w = ClientWidth(), h = ClientHeight();
        for (int k = 0; k < 3; ++k) {
            int d = 4 + k * 4;
            c->Pen()->SetColor(clBtnHighlight);
            c->MoveTo(w - d, h - 1);
            c->LineTo(w, h - d - 1);
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(w - d + 1, h - 1);
            c->LineTo(w, h - d);
        }
    }
}

// =======================================================================================
// Tree view

namespace {
constexpr int kNodeRole = Qt::UserRole + 7;
}

class TTreeViewWidget : public QTreeWidget {
public:
    explicit TTreeViewWidget(TCustomTreeView* owner) : owner_(owner) {}
    bool Editing() const { return state() == EditingState; }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        bool opens = index.isValid() && !Editing() && !owner_->readOnly_ &&
                     trigger != SelectedClicked &&
                     (trigger == AllEditTriggers || (trigger & editTriggers()));
        if (opens) {
            bool allow = true;
            owner_->Guard(
                [&] { allow = owner_->CanEdit(owner_->items_->NodeOf(itemFromIndex(index))); });
            if (!allow)
                return false;
        }
        return QTreeWidget::edit(index, trigger, event);
    }

private:
    TCustomTreeView* owner_;
};

// The edited text goes through OnEdited before it reaches the node.
class TTreeViewDelegate : public QStyledItemDelegate {
public:
    TTreeViewDelegate(TCustomTreeView* owner, QObject* parent)
        : QStyledItemDelegate(parent), owner_(owner) {}
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        auto* tree = owner_->TreeWidget();
        TTreeNode* node =
            owner_->items_->NodeOf(static_cast<TTreeViewWidget*>(tree)->itemFromIndex(index));
        QByteArray prop = editor->metaObject()->userProperty().name();
        QString text = editor->property(prop.isEmpty() ? "text" : prop.constData()).toString();
        if (node)
            owner_->Guard([&] { owner_->Edited(node, S(text)); });
    }

private:
    TCustomTreeView* owner_;
};

STEWARD_REGISTER_CLASS(TTreeNode, [](TPropertyBuilder<TTreeNode>& b) {
    b.Str("Text", &TTreeNode::Text, &TTreeNode::SetText);
    b.Int("ImageIndex", &TTreeNode::ImageIndex, &TTreeNode::SetImageIndex);
    b.Int("SelectedIndex", &TTreeNode::SelectedIndex, &TTreeNode::SetSelectedIndex);
    b.Bool("Expanded", &TTreeNode::Expanded, &TTreeNode::SetExpanded);
    b.Bool("Selected", &TTreeNode::Selected, &TTreeNode::SetSelected);
});

TTreeNode::TTreeNode(TTreeNodes* owner, QTreeWidgetItem* item) : owner_(owner), item_(item) {
    item_->setData(0, kNodeRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(this)));
    item_->setFlags(item_->flags() | Qt::ItemIsEditable);
}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const {
    return owner_ ? owner_->Owner() : nullptr;
}

std::string TTreeNode::Text() const {
    return S(item_->text(0));
}

void TTreeNode::SetText(const std::string& s) {
    item_->setText(0, Q(s));
}

void TTreeNode::SetImageIndex(int v) {
    imageIndex_ = v;
    if (TCustomTreeView* tv = TreeView())
        tv->NodeImageChanged(this);
}

TTreeNode* TTreeNode::Parent() const {
    return owner_->NodeOf(item_->parent());
}

int TTreeNode::Level() const {
    int n = 0;
    for (QTreeWidgetItem* p = item_->parent(); p; p = p->parent())
        ++n;
    return n;
}

int TTreeNode::Count() const {
    return item_->childCount();
}

TTreeNode* TTreeNode::Item(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return owner_->NodeOf(item_->child(index));
}

int TTreeNode::Index() const {
    if (QTreeWidgetItem* p = item_->parent())
        return p->indexOfChild(item_);
    QTreeWidget* tw = item_->treeWidget();
    return tw ? tw->indexOfTopLevelItem(item_) : -1;
}

int TTreeNode::AbsoluteIndex() const {
    int n = 0;
    for (QTreeWidgetItemIterator it(owner_->Owner()->TreeWidget()); *it; ++it, ++n)
        if (*it == item_)
            return n;
    return -1;
}

TTreeNode* TTreeNode::GetFirstChild() const {
    return Count() ? Item(0) : nullptr;
}

TTreeNode* TTreeNode::GetLastChild() const {
    return Count() ? Item(Count() - 1) : nullptr;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    QTreeWidgetItem* p = item_->parent();
    int i = Index() + 1;
    if (p)
        return i < p->childCount() ? owner_->NodeOf(p->child(i)) : nullptr;
    QTreeWidget* tw = item_->treeWidget();
    return tw && i < tw->topLevelItemCount() ? owner_->NodeOf(tw->topLevelItem(i)) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    QTreeWidgetItem* p = item_->parent();
    int i = Index() - 1;
    if (i < 0)
        return nullptr;
    if (p)
        return owner_->NodeOf(p->child(i));
    QTreeWidget* tw = item_->treeWidget();
    return tw ? owner_->NodeOf(tw->topLevelItem(i)) : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    QTreeWidgetItemIterator it(item_);
    ++it;
    return *it ? owner_->NodeOf(*it) : nullptr;
}

bool TTreeNode::Expanded() const {
    return item_->isExpanded();
}

void TTreeNode::SetExpanded(bool v) {
    item_->setExpanded(v);
}

void TTreeNode::Expand(bool recurse) {
    item_->setExpanded(true);
    if (recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    item_->setExpanded(false);
    if (recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Collapse(true);
}

bool TTreeNode::Selected() const {
    return item_->isSelected();
}

void TTreeNode::SetSelected(bool v) {
    if (v)
        TreeView()->SetSelected(this);
    else
        item_->setSelected(false);
}

bool TTreeNode::Focused() const {
    QTreeWidget* tw = item_->treeWidget();
    return tw && tw->currentItem() == item_;
}

void TTreeNode::Delete() {
    owner_->Delete(this);
}

void TTreeNode::DeleteChildren() {
    while (Count() > 0)
        owner_->Delete(Item(Count() - 1));
}

void TTreeNode::MakeVisible() {
    if (QTreeWidget* tw = item_->treeWidget())
        tw->scrollToItem(item_);
}

bool TTreeNode::EditText() {
    QTreeWidget* tw = item_->treeWidget();
    if (!tw)
        return false;
    tw->editItem(item_, 0);
    return static_cast<TTreeViewWidget*>(tw)->Editing();
}

void TTreeNode::Assign(TPersistent* source) {
    if (auto* n = dyn<TTreeNode>(source)) {
        SetText(n->Text());
        SetImageIndex(n->imageIndex_);
        selectedIndex_ = n->selectedIndex_;
        data_ = n->data_;
        return;
    }
    TPersistent::Assign(source);
}

STEWARD_REGISTER_CLASS(TTreeNodes, [](TPropertyBuilder<TTreeNodes>& b) {
    b.Int("Count", &TTreeNodes::Count, nullptr);
});

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : owner_(owner) {}

TTreeNodes::~TTreeNodes() = default;

int TTreeNodes::Count() const {
    return int(nodes_.size());
}

TTreeNode* TTreeNodes::Item(int index) const {
    int n = 0;
    for (QTreeWidgetItemIterator it(owner_->TreeWidget()); *it; ++it, ++n)
        if (n == index)
            return NodeOf(*it);
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TTreeNode* TTreeNodes::GetFirstNode() const {
    QTreeWidget* tw = owner_->TreeWidget();
    return tw->topLevelItemCount() ? NodeOf(tw->topLevelItem(0)) : nullptr;
}

TTreeNode* TTreeNodes::NodeOf(const QTreeWidgetItem* item) const {
    if (!item)
        return nullptr;
    return reinterpret_cast<TTreeNode*>(item->data(0, kNodeRole).value<quintptr>());
}

TTreeNode* TTreeNodes::Attach(TTreeNode* relative, const std::string& text, TNodeAttachMode mode) {
    QTreeWidget* tw = owner_->TreeWidget();
    auto* item = new QTreeWidgetItem(QStringList{Q(text)});
    auto node = std::make_unique<TTreeNode>(this, item);
    TTreeNode* p = node.get();
    nodes_.push_back(std::move(node));
    QTreeWidgetItem* parent = nullptr;
    int at = -1;
    switch (mode) {
    case naAdd:
    case naAddFirst:
        parent = relative ? relative->item_->parent() : nullptr;
        at = mode == naAddFirst ? 0 : -1;
        break;
    case naAddChild:
    case naAddChildFirst:
        parent = relative ? relative->item_ : nullptr;
        at = mode == naAddChildFirst ? 0 : -1;
        break;
    case naInsert:
        parent = relative ? relative->item_->parent() : nullptr;
        at = relative ? relative->Index() : -1;
        break;
    }
    owner_->programmatic_ = true;
    if (parent) {
        if (at < 0)
            parent->addChild(item);
        else
            parent->insertChild(at, item);
    } else {
        if (at < 0)
            tw->addTopLevelItem(item);
        else
            tw->insertTopLevelItem(at, item);
    }
    owner_->programmatic_ = false;
    return p;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
    return Attach(sibling, text, naAdd);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const std::string& text) {
    return Attach(sibling, text, naAddFirst);
}
TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    return Attach(parent, text, naAddChild);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text) {
    return Attach(parent, text, naAddChildFirst);
}
TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const std::string& text, void* data) {
    TTreeNode* n = Add(sibling, text);
    n->SetData(data);
    return n;
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
    TTreeNode* n = AddChild(parent, text);
    n->SetData(data);
    return n;
}
TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const std::string& text) {
    return Attach(sibling, text, naInsert);
}

void TTreeNodes::Forget(TTreeNode* node) {
    nodes_.erase(
        std::remove_if(nodes_.begin(), nodes_.end(),
                       [node](const std::unique_ptr<TTreeNode>& n) { return n.get() == node; }),
        nodes_.end());
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node || node->owner_ != this)
        return;
    std::vector<TTreeNode*> doomed;
    for (QTreeWidgetItemIterator it(node->item_); *it; ++it) {
        TTreeNode* n = NodeOf(*it);
        // The iterator walks on past the subtree; stop at the first node outside it.
        bool inside = false;
        for (QTreeWidgetItem* p = *it; p; p = p->parent())
            if (p == node->item_)
                inside = true;
        if (!inside)
            break;
        doomed.push_back(n);
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        if (!owner_->Quiet() && owner_->OnDeletion)
            owner_->Guard([&] { owner_->OnDeletion(owner_, *it); });
    owner_->programmatic_ = true;
    delete node->item_;
    owner_->programmatic_ = false;
    for (TTreeNode* n : doomed)
        Forget(n);
}

void TTreeNodes::Clear() {
    if (!owner_->Quiet() && owner_->OnDeletion)
        for (QTreeWidgetItemIterator it(owner_->TreeWidget()); *it; ++it)
            owner_->Guard([&] { owner_->OnDeletion(owner_, NodeOf(*it)); });
    owner_->programmatic_ = true;
    owner_->TreeWidget()->clear();
    owner_->programmatic_ = false;
    nodes_.clear();
}

void TTreeNodes::BeginUpdate() {
    if (updateCount_++ == 0)
        owner_->TreeWidget()->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        owner_->TreeWidget()->setUpdatesEnabled(true);
}

void TTreeNodes::Assign(TPersistent* source) {
    if (auto* other = dyn<TTreeNodes>(source)) {
        BeginUpdate();
        Clear();
        std::function<void(TTreeNode*, TTreeNode*)> copy = [&](TTreeNode* from, TTreeNode* under) {
            TTreeNode* n = AddChild(under, from->Text());
            n->Assign(from);
            for (int i = 0; i < from->Count(); ++i)
                copy(from->Item(i), n);
        };
        QTreeWidget* tw = other->owner_->TreeWidget();
        for (int i = 0; i < tw->topLevelItemCount(); ++i)
            copy(other->NodeOf(tw->topLevelItem(i)), nullptr);
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

STEWARD_REGISTER_CLASS(TCustomTreeView, [](TPropertyBuilder<TCustomTreeView>& b) {
    b.Object("Items", &TCustomTreeView::Items, &TCustomTreeView::SetItems);
    b.Object("Images", &TCustomTreeView::Images, &TCustomTreeView::SetImages);
    b.Bool("ReadOnly", &TCustomTreeView::ReadOnly, &TCustomTreeView::SetReadOnly);
    b.Bool("ShowLines", &TCustomTreeView::ShowLines, &TCustomTreeView::SetShowLines);
    b.Bool("ShowRoot", &TCustomTreeView::ShowRoot, &TCustomTreeView::SetShowRoot);
    b.Bool("ShowButtons", &TCustomTreeView::ShowButtons, &TCustomTreeView::SetShowButtons);
    b.Bool("HideSelection", &TCustomTreeView::HideSelection, &TCustomTreeView::SetHideSelection);
    b.Bool("RowSelect", &TCustomTreeView::RowSelect, &TCustomTreeView::SetRowSelect);
    b.Bool("AutoExpand", &TCustomTreeView::AutoExpand, &TCustomTreeView::SetAutoExpand);
    b.Event("OnChange", "TTVChangedEvent", &TCustomTreeView::OnChange);
    b.Event("OnChanging", "TTVChangingEvent", &TCustomTreeView::OnChanging);
    b.Event("OnEditing", "TTVEditingEvent", &TCustomTreeView::OnEditing);
    b.Event("OnEdited", "TTVEditedEvent", &TCustomTreeView::OnEdited);
    b.Event("OnExpanding", "TTVExpandingEvent", &TCustomTreeView::OnExpanding);
    b.Event("OnCollapsing", "TTVCollapsingEvent", &TCustomTreeView::OnCollapsing);
    b.Event("OnExpanded", "TTVExpandedEvent", &TCustomTreeView::OnExpanded);
    b.Event("OnCollapsed", "TTVExpandedEvent", &TCustomTreeView::OnCollapsed);
    b.Event("OnDeletion", "TTVExpandedEvent", &TCustomTreeView::OnDeletion);
});
STEWARD_REGISTER_CLASS(TTreeView, [](auto&) {});

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TWinControl(owner, new TTreeViewWidget(this)) {
    items_ = std::make_unique<TTreeNodes>(this);
    QTreeWidget* tw = TreeWidget();
    tw->setHeaderHidden(true);
    tw->setColumnCount(1);
    tw->setItemDelegate(new TTreeViewDelegate(this, tw));
    tw->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    WatchWidget(tw->viewport());
    QObject::connect(tw, &QTreeWidget::currentItemChanged, tw,
                     [this](QTreeWidgetItem* now, QTreeWidgetItem* before) {
                         if (programmatic_ || Quiet())
                             return;
                         Guard([&] {
                             bool allow = true;
                             if (OnChanging)
                                 OnChanging(this, items_->NodeOf(now), allow);
                             if (!allow) {
                                 programmatic_ = true;
                                 TreeWidget()->setCurrentItem(before);
                                 programmatic_ = false;
                                 return;
                             }
                             if (OnChange)
                                 OnChange(this, items_->NodeOf(now));
                         });
                     });
    QObject::connect(tw, &QTreeWidget::itemExpanded, tw, [this](QTreeWidgetItem* i) {
        if (!Quiet() && OnExpanded)
            Guard([&] { OnExpanded(this, items_->NodeOf(i)); });
    });
    QObject::connect(tw, &QTreeWidget::itemCollapsed, tw, [this](QTreeWidgetItem* i) {
        if (!Quiet() && OnCollapsed)
            Guard([&] { OnCollapsed(this, items_->NodeOf(i)); });
    });
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    SetHideSelection(true);
}

TCustomTreeView::~TCustomTreeView() {
    Destroying();
    if (images_)
        images_->RemoveFreeNotification(this);
    programmatic_ = true;
    TreeWidget()->clear();
    items_.reset();
}

QTreeWidget* TCustomTreeView::TreeWidget() const {
    return static_cast<QTreeWidget*>(Widget());
}

int TCustomTreeView::ColorRole() const {
    return QPalette::Base;
}

TTreeNode* TCustomTreeView::Selected() const {
    return items_->NodeOf(TreeWidget()->currentItem());
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
    programmatic_ = true;
    TreeWidget()->setCurrentItem(node ? node->TreeItem() : nullptr);
    programmatic_ = false;
    if (!Quiet() && OnChange)
        Guard([&] { OnChange(this, node); });
}

void TCustomTreeView::SetImages(TImageList* v) {
    if (v == images_)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = v;
    if (v)
        v->FreeNotification(this);
    ApplyImages();
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        if (!IsDestroying())
            ApplyImages();
    }
}

void TCustomTreeView::ApplyImages() {
    if (images_)
        TreeWidget()->setIconSize(QSize(images_->Width(), images_->Height()));
    for (QTreeWidgetItemIterator it(TreeWidget()); *it; ++it)
        NodeImageChanged(items_->NodeOf(*it));
}

void TCustomTreeView::NodeImageChanged(TTreeNode* node) {
    if (node)
        node->TreeItem()->setIcon(0, ImageIcon(images_, node->ImageIndex()));
}

void TCustomTreeView::SetReadOnly(bool v) {
    readOnly_ = v;
}

void TCustomTreeView::SetShowLines(bool v) {
    showLines_ = v;
}

void TCustomTreeView::SetShowRoot(bool v) {
    showRoot_ = v;
    TreeWidget()->setRootIsDecorated(v && showButtons_);
}

void TCustomTreeView::SetShowButtons(bool v) {
    showButtons_ = v;
    TreeWidget()->setRootIsDecorated(v && showRoot_);
}

void TCustomTreeView::SetHideSelection(bool v) {
    hideSelection_ = v;
    QPalette pal = TreeWidget()->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 v ? pal.color(QPalette::Inactive, QPalette::Base) : ColorToQColor(clBtnFace));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 v ? pal.color(QPalette::Inactive, QPalette::Text) : ColorToQColor(clWindowText));
    TreeWidget()->setPalette(pal);
}

void TCustomTreeView::FullExpand() {
    TreeWidget()->expandAll();
}

void TCustomTreeView::FullCollapse() {
    TreeWidget()->collapseAll();
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const {
    QPoint p = TreeWidget()->viewport()->mapFrom(Widget(), QPoint(x, y));
    return items_->NodeOf(TreeWidget()->itemAt(p));
}

bool TCustomTreeView::IsEditing() const {
    return static_cast<TTreeViewWidget*>(TreeWidget())->Editing();
}

bool TCustomTreeView::CanEdit(TTreeNode* node) {
    bool allow = !readOnly_;
    if (allow && !Quiet() && OnEditing)
        OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::Edited(TTreeNode* node, const std::string& text) {
    std::string s = text;
    if (!Quiet() && OnEdited)
        OnEdited(this, node, s);
    node->SetText(s);
}

// =======================================================================================
// Animation

class TAnimateWidget : public QWidget {
public:
    explicit TAnimateWidget(TAnimate* owner) : owner_(owner) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!owner_->transparent_)
            p.fillRect(rect(), palette().window());
        owner_->DrawFrame(p, rect());
    }

private:
    TAnimate* owner_;
};

namespace {
constexpr int kAnimFrameSize = 48;
int FramesOf(TCommonAVI avi) {
    return avi == aviNone                                                         ? 0
           : avi == aviFindFile || avi == aviFindFolder || avi == aviFindComputer ? 8
                                                                                  : 12;
}
} // namespace

STEWARD_REGISTER_CLASS(TAnimate, [](TPropertyBuilder<TAnimate>& b) {
    static const TTypeInfo& avi = b.Own(MakeEnumType(
        "TCommonAVI", {"aviNone", "aviFindFolder", "aviFindFile", "aviFindComputer", "aviCopyFiles",
                       "aviCopyFile", "aviRecycleFile", "aviEmptyRecycle", "aviDeleteFile"}));
    b.Ord("CommonAVI", avi, &TAnimate::CommonAVI, &TAnimate::SetCommonAVI);
    b.Bool("Active", &TAnimate::Active, &TAnimate::SetActive);
    b.Int("StartFrame", &TAnimate::StartFrame, &TAnimate::SetStartFrame);
    b.Int("StopFrame", &TAnimate::StopFrame, &TAnimate::SetStopFrame);
    b.Int("Repetitions", &TAnimate::Repetitions, &TAnimate::SetRepetitions);
    b.Bool("Center", &TAnimate::Center, &TAnimate::SetCenter);
    b.Bool("Transparent", &TAnimate::Transparent, &TAnimate::SetTransparent);
    b.Int("FrameCount", &TAnimate::FrameCount, nullptr);
    b.Event("OnOpen", "TNotifyEvent", &TAnimate::OnOpen);
    b.Event("OnClose", "TNotifyEvent", &TAnimate::OnClose);
    b.Event("OnStart", "TNotifyEvent", &TAnimate::OnStart);
    b.Event("OnStop", "TNotifyEvent", &TAnimate::OnStop);
});

TAnimate::TAnimate(TComponent* owner) : TWinControl(owner, new TAnimateWidget(this)) {
    timer_ = new QTimer(Widget());
    timer_->setInterval(100);
    QObject::connect(timer_, &QTimer::timeout, Widget(), [this] { Guard([&] { NextFrame(); }); });
    SetBounds(0, 0, 100, 80);
}

TAnimate::~TAnimate() {
    Destroying();
    if (timer_)
        timer_->stop();
}

void TAnimate::SetCommonAVI(TCommonAVI v) {
    if (v == commonAVI_)
        return;
    bool was = Active();
    if (was)
        Stop();
    commonAVI_ = v;
    frame_ = 1;
    stopFrame_ = FrameCount();
    startFrame_ = std::min(startFrame_, std::max(1, stopFrame_));
    if (!Quiet() && v != aviNone && OnOpen)
        Guard([&] { OnOpen(this); });
    Widget()->update();
    if (was && v != aviNone)
        SetActive(true);
}

int TAnimate::FrameCount() const {
    return FramesOf(commonAVI_);
}

int TAnimate::FrameWidth() const {
    return commonAVI_ == aviNone ? 0 : kAnimFrameSize;
}

int TAnimate::FrameHeight() const {
    return FrameWidth();
}

bool TAnimate::Active() const {
    return timer_->isActive() || (IsLoading() && activeWanted_);
}

void TAnimate::SetActive(bool v) {
    activeWanted_ = v;
    if (IsLoading())
        return;
    if (v)
        Play(startFrame_, stopFrame_ > 0 ? stopFrame_ : FrameCount(), repetitions_);
    else if (timer_->isActive())
        Stop();
}

void TAnimate::SetStartFrame(int v) {
    startFrame_ = std::max(1, v);
}

void TAnimate::SetStopFrame(int v) {
    stopFrame_ = std::max(0, v);
}

void TAnimate::SetCenter(bool v) {
    center_ = v;
    Widget()->update();
}

void TAnimate::SetTransparent(bool v) {
    transparent_ = v;
    Widget()->update();
}

void TAnimate::Loaded() {
    TWinControl::Loaded();
    if (activeWanted_)
        SetActive(true);
}

void TAnimate::Play(int fromFrame, int toFrame, int count) {
    if (commonAVI_ == aviNone || FrameCount() == 0)
        return;
    startFrame_ = std::clamp(fromFrame, 1, FrameCount());
    stopFrame_ = std::clamp(toFrame, startFrame_, FrameCount());
    repetitions_ = std::max(0, count);
    played_ = 0;
    frame_ = startFrame_;
    Widget()->update();
    bool starting = !timer_->isActive();
    timer_->start();
    if (starting && !Quiet() && OnStart)
        OnStart(this);
}

void TAnimate::Stop() {
    bool was = timer_->isActive();
    timer_->stop();
    activeWanted_ = false;
    if (was && !Quiet() && OnStop)
        OnStop(this);
}

void TAnimate::Reset() {
    Stop();
    frame_ = 1;
    Widget()->update();
}

void TAnimate::Seek(int frame) {
    Stop();
    frame_ = std::clamp(frame, 1, std::max(1, FrameCount()));
    Widget()->update();
}

void TAnimate::NextFrame() {
    if (frame_ >= stopFrame_) {
        ++played_;
        if (repetitions_ > 0 && played_ >= repetitions_) {
            Stop();
            return;
        }
        frame_ = startFrame_;
    } else {
        ++frame_;
    }
    Widget()->update();
}

// Frames are drawn on a 48 x 48 design grid, scaled into the control (centred or at the
// top left): a sheet of paper (or folder, or screen), and a magnifier circling over it.
void TAnimate::DrawFrame(QPainter& p, const QRect& r) const {
    if (commonAVI_ == aviNone)
        return;
    int side = std::min(r.width(), r.height());
    if (side <= 0)
        return;
    p.save();
    double scale = side / double(kAnimFrameSize);
    QPointF origin =
        center_ ? QPointF(r.x() + (r.width() - side) / 2.0, r.y() + (r.height() - side) / 2.0)
                : QPointF(r.topLeft());
    p.translate(origin);
    p.scale(scale, scale);
    QPen outline(QColor(64, 64, 64), 1.5);
    // The backdrop.
    switch (commonAVI_) {
    case aviFindFolder:
        p.setPen(outline);
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(6, 14, 30, 22));
        p.drawRect(QRectF(6, 10, 12, 4));
        break;
    case aviFindComputer:
        p.setPen(outline);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(6, 8, 30, 22));
        p.setBrush(QColor(40, 90, 160));
        p.drawRect(QRectF(9, 11, 24, 16));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(12, 32, 18, 4));
        break;
    default:
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF(
            {QPointF(8, 4), QPointF(28, 4), QPointF(36, 12), QPointF(36, 42), QPointF(8, 42)}));
        p.setPen(QPen(QColor(150, 150, 150), 1));
        for (int y = 14; y <= 36; y += 5)
            p.drawLine(QPointF(12, y), QPointF(32, y));
        break;
    }
    int n = std::max(1, FrameCount());
    double angle = 2 * M_PI * (frame_ - 1) / n;
    bool searching =
        commonAVI_ == aviFindFile || commonAVI_ == aviFindFolder || commonAVI_ == aviFindComputer;
    if (searching) {
        QPointF c(24 + 8 * std::cos(angle), 22 + 8 * std::sin(angle));
        p.setPen(QPen(QColor(90, 60, 30), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(6, 6), c + QPointF(14, 14));
        p.setPen(QPen(QColor(30, 30, 30), 2));
        p.setBrush(QColor(170, 210, 255, 170));
        p.drawEllipse(c, 8, 8);
    } else {
        // Copying, recycling, deleting: a sheet flies from left to right.
        double t = (frame_ - 1) / double(n);
        p.setPen(outline);
        p.setBrush(QColor(255, 255, 220));
        p.drawRect(QRectF(4 + t * 30, 20 - 10 * std::sin(t * M_PI), 10, 12));
    }
    p.restore();
}
