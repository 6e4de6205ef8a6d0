// Common controls: list view (sorting, view styles, in-place editing, selection events,
// indexes, bulk insertion, rows held for a bulk hand-over),
// page control with hidden tabs, tool buttons, status bar, tree view, animation.
#include "ComCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "TypInfo.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// The in-place editor on show (closed ones linger until deleted later).
QLineEdit* OpenEditor(QWidget* viewport) {
    for (QLineEdit* e : viewport->findChildren<QLineEdit*>())
        if (!e->isHidden())
            return e;
    return nullptr;
}

std::vector<std::string> Captions(TCustomListView* lv) {
    std::vector<std::string> v;
    for (int i = 0; i < lv->Items()->Count(); ++i)
        v.push_back(lv->Items()->Item(i)->Caption());
    return v;
}

TImageList* MakeImages(TComponent* owner, int size, int count) {
    auto* images = new TImageList(owner);
    images->SetWidth(size);
    images->SetHeight(size);
    TBitmap strip(size * count, size);
    strip.Canvas()->Brush()->SetColor(clBlue);
    strip.Canvas()->FillRect(Rect(0, 0, size * count, size));
    images->Add(&strip);
    return images;
}

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        lv = new TListView(form);
        lv->SetParent(form);
        lv->SetBounds(0, 0, 380, 250);
    }
    void TearDown() override { form->Free(); }
    TListItem* Add(const std::string& caption, const std::string& sub = "") {
        TListItem* i = lv->Items()->Add();
        i->SetCaption(caption);
        if (!sub.empty())
            i->SubItems()->Add(sub);
        return i;
    }
    // A left click on an item, as the user makes it in the view on show.
    void ClickItem(TListItem* item) {
        QAbstractItemView* v = lv->ActiveView();
        QRect r = v->visualRect(v->model()->index(item->Index(), 0));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, r.center());
    }
    TForm* form = nullptr;
    TListView* lv = nullptr;
};

TEST_F(ListViewTest, TextSortKeepsItemsOrderedAndSelectionFollowsTheItem) {
    TListItem* beta = Add("beta");
    Add("Alpha");
    Add("gamma");
    beta->SetSelected(true);
    SetPropText(lv, "SortType", "stText");
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

    // A renamed or added item moves to its place; the selection stays on its item.
    lv->Items()->Item(2)->SetCaption("Aardvark");
    Add("delta");
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"Aardvark", "Alpha", "beta", "delta"}));
    EXPECT_EQ(lv->Selected(), beta);
    EXPECT_TRUE(
        lv->ReportView()->selectionModel()->isSelected(lv->ReportView()->model()->index(2, 0)));

    // Many additions sort once, at the end of the update.
    lv->Items()->BeginUpdate();
    Add("zeta");
    Add("epsilon");
    EXPECT_EQ(lv->Items()->Item(4)->Caption(), "zeta");
    lv->Items()->EndUpdate();
    EXPECT_EQ(lv->Items()->Item(4)->Caption(), "epsilon");

    // Switching sorting off keeps the order and no longer moves items.
    lv->SetSortType(stNone);
    Add("0");
    EXPECT_EQ(lv->Items()->Item(lv->Items()->Count() - 1)->Caption(), "0");
}

TEST_F(ListViewTest, CustomCompareSortsAndTogglesDirection) {
    // A column sort as the condition panel does it: by the sub-item, reversed on request.
    Add("a", "10");
    Add("b", "9");
    Add("c", "100");
    bool ascending = true;
    std::vector<int> dataSeen;
    lv->OnCompare = [&](TObject*, TListItem* x, TListItem* y, int data, int& result) {
        dataSeen.push_back(data);
        int vx = std::stoi(x->SubItems()->Get(0)), vy = std::stoi(y->SubItems()->Get(0));
        result = (vx < vy ? -1 : vx > vy ? 1 : 0) * (ascending ? 1 : -1);
    };
    lv->AlphaSort();
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"b", "a", "c"}));
    ascending = false;
    dataSeen.clear();
    lv->CustomSort(nullptr, 7);
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"c", "a", "b"}));
    ASSERT_FALSE(dataSeen.empty());
    EXPECT_EQ(dataSeen.front(), 7);

    // A sort procedure replaces OnCompare.
    lv->CustomSort(
        [](TListItem* x, TListItem* y, int) { return CompareIdent(x->Caption(), y->Caption()); },
        0);
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ListViewTest, ViewStylesSwitchTheQtViewAndImageSize) {
    lv->SetLargeImages(MakeImages(form, 24, 2));
    lv->SetSmallImages(MakeImages(form, 18, 2));
    lv->Columns()->Add()->SetCaption("Name");
    TListItem* item = Add("one");
    item->SetImageIndex(1);
    struct Case {
        const char* style;
        QWidget* shown;
        QListView::ViewMode mode;
        QListView::Flow flow;
        int iconSize;
    };
    const Case cases[] = {
        {"vsIcon", lv->IconView(), QListView::IconMode, QListView::LeftToRight, 24},
        {"vsSmallIcon", lv->IconView(), QListView::ListMode, QListView::LeftToRight, 18},
        {"vsList", lv->IconView(), QListView::ListMode, QListView::TopToBottom, 18},
        {"vsReport", lv->ReportView(), QListView::ListMode, QListView::TopToBottom, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        SetPropText(lv, "ViewStyle", c.style);
        EXPECT_EQ(GetPropText(lv, "ViewStyle"), c.style);
        EXPECT_EQ(lv->Container()->currentWidget(), c.shown);
        EXPECT_EQ(lv->ActiveView(), c.shown);
        if (c.shown == lv->IconView()) {
            EXPECT_EQ(lv->IconView()->viewMode(), c.mode);
            EXPECT_EQ(lv->IconView()->flow(), c.flow);
        }
        auto icon = lv->ActiveView()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
        ASSERT_FALSE(icon.availableSizes().isEmpty());
        EXPECT_EQ(icon.availableSizes().front(), QSize(c.iconSize, c.iconSize));
        EXPECT_EQ(lv->ActiveView()->iconSize(), QSize(c.iconSize, c.iconSize));
    }
    EXPECT_THROW(SetPropText(lv, "ViewStyle", "vsTiles"), EPropertyError);
}

TEST_F(ListViewTest, InPlaceEditGoesThroughOnEdited) {
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetCaption("Name");
    TListItem* item = Add("Old");
    form->Show();
    // Empty names are refused (the old caption stays), others are trimmed.
    lv->OnEdited = [](TObject*, TListItem* it, std::string& s) {
        if (s.find_first_not_of(' ') == std::string::npos)
            s = it->Caption();
        else
            s = s.substr(s.find_first_not_of(' '));
    };
    struct Case {
        const char* typed;
        const char* caption;
    } cases[] = {{"   ", "Old"}, {"  New", "New"}, {"Newer", "Newer"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(item->EditCaption());
        EXPECT_TRUE(lv->IsEditing());
        auto* editor = OpenEditor(lv->ReportView()->viewport());
        ASSERT_NE(editor, nullptr);
        editor->setText(c.typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_FALSE(lv->IsEditing());
        EXPECT_EQ(item->Caption(), c.caption);
    }
    // A handler that fails keeps the old caption too.
    lv->OnEdited = [](TObject*, TListItem*, std::string&) { throw EAbort("no"); };
    ASSERT_TRUE(item->EditCaption());
    auto* editor = OpenEditor(lv->ReportView()->viewport());
    ASSERT_NE(editor, nullptr);
    editor->setText("Other");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits from the event queue
    EXPECT_FALSE(lv->IsEditing());
    EXPECT_EQ(item->Caption(), "Newer");
}

TEST_F(ListViewTest, EditingIsRefusedByOnEditingAndReadOnly) {
    TListItem* item = Add("Old");
    form->Show();
    bool allow = false;
    lv->OnEditing = [&](TObject*, TListItem*, bool& a) { a = allow; };
    EXPECT_FALSE(item->EditCaption());
    EXPECT_FALSE(lv->IsEditing());
    allow = true;
    lv->SetReadOnly(true);
    EXPECT_FALSE(item->EditCaption());
    lv->SetReadOnly(false);
    EXPECT_TRUE(item->EditCaption());
    item->CancelEdit();
    EXPECT_FALSE(lv->IsEditing());
    EXPECT_EQ(item->Caption(), "Old");
}

TEST_F(ListViewTest, SelectionEventsForClicksAndCodeAndRefusals) {
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetCaption("Name");
    lv->Columns()->Add()->SetCaption("Date");
    lv->SetRowSelect(true);
    TListItem* a = Add("A", "1");
    TListItem* b = Add("B", "2");
    TListItem* locked = Add("Locked", "3");
    form->Show();
    std::vector<std::string> log;
    lv->OnSelectItem = [&](TObject*, TListItem* i, bool sel) {
        log.push_back(i->Caption() + (sel ? "+" : "-"));
    };
    lv->OnChanging = [&](TObject*, TListItem* i, TItemChange change, bool& allow) {
        if (change == ctState && i == locked)
            allow = false;
    };
    ClickItem(a);
    ClickItem(b);
    EXPECT_EQ(log, (std::vector<std::string>{"A+", "A-", "B+"}));
    EXPECT_EQ(lv->Selected(), b);
    EXPECT_EQ(lv->ItemIndex(), 1);

    log.clear();
    ClickItem(locked); // refused: B stays selected, nothing is reported
    EXPECT_EQ(lv->Selected(), b);
    EXPECT_FALSE(locked->Selected());
    EXPECT_TRUE(log.empty());

    log.clear();
    lv->SetSelected(a); // code selects as a single-select list does
    EXPECT_EQ(log, (std::vector<std::string>{"B-", "A+"}));
    EXPECT_EQ(lv->SelCount(), 1);

    // Multi-select adds; deleting a selected item reports its deletion, not a deselection.
    lv->SetMultiSelect(true);
    b->SetSelected(true);
    EXPECT_EQ(lv->SelCount(), 2);
    log.clear();
    std::vector<std::string> deleted;
    lv->OnDeletion = [&](TObject*, TListItem* i) { deleted.push_back(i->Caption()); };
    a->Delete();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(deleted, (std::vector<std::string>{"A"}));
    EXPECT_EQ(lv->Selected(), b);
}

TEST_F(ListViewTest, ColumnsAndItemsByName) {
    lv->SetViewStyle(vsReport);
    auto* cols = dyn<TListColumns>(GetObjectProp(lv, "Columns"));
    ASSERT_NE(cols, nullptr);
    TListColumn* name = cols->Add();
    TListColumn* date = cols->Add();
    SetPropText(name, "Caption", "方案名称");
    SetPropText(date, "Alignment", "taRightJustify");
    QAbstractItemModel* m = lv->ReportView()->model();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString().toStdString(), "方案名称");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    // Width is the header's: set either side, read the other.
    SetPropText(name, "Width", "80");
    EXPECT_EQ(lv->ReportView()->header()->sectionSize(0), 80);
    lv->ReportView()->header()->resizeSection(0, 120);
    EXPECT_EQ(name->Width(), 120);
    name->SetWidth(ColumnHeaderWidth);
    EXPECT_GE(name->Width(), QFontMetrics(lv->ReportView()->header()->font())
                                 .horizontalAdvance(QString::fromStdString("方案名称")));

    auto* items = dyn<TListItems>(GetObjectProp(lv, "Items"));
    ASSERT_NE(items, nullptr);
    TListItem* item = items->Add();
    SetPropText(item, "Caption", "本月");
    item->SubItems()->Add("2024/01/31");
    EXPECT_EQ(m->index(0, 0).data().toString().toStdString(), "本月");
    EXPECT_EQ(m->index(0, 1).data().toString().toStdString(), "2024/01/31");
    item->SubItems()->Put(0, "2024/02/01"); // sub-item edits reach the view
    EXPECT_EQ(m->index(0, 1).data().toString().toStdString(), "2024/02/01");

    std::vector<std::string> clicked;
    lv->OnColumnClick = [&](TObject*, TListColumn* c) { clicked.push_back(c->Caption()); };
    emit lv->ReportView()->header()->sectionClicked(0);
    EXPECT_EQ(clicked, (std::vector<std::string>{"方案名称"}));
}

TEST_F(ListViewTest, ColumnsAreCopiedFromAnotherListView) {
    // given a second list view with two columns
    auto* other = new TListView(form);
    TListColumn* name = other->Columns()->Add();
    name->SetCaption("方案名称");
    name->SetAlignment(taRightJustify);
    other->Columns()->Add()->SetCaption("创建时间");
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetCaption("old");

    // when its columns are assigned, this view's columns are replaced by copies
    lv->SetColumns(other->Columns());
    ASSERT_EQ(lv->Columns()->Count(), 2);
    EXPECT_EQ(lv->Columns()->Items(0)->Caption(), "方案名称");
    EXPECT_EQ(lv->Columns()->Items(0)->Alignment(), taRightJustify);
    EXPECT_NE(lv->Columns()->Items(0), name);
    EXPECT_EQ(lv->ReportView()->model()->headerData(1, Qt::Horizontal).toString().toStdString(),
              "创建时间");

    // assigning a collection to itself keeps it, and a non-collection is refused
    lv->Columns()->Assign(lv->Columns());
    EXPECT_EQ(lv->Columns()->Count(), 2);
    EXPECT_THROW(lv->Columns()->Assign(lv->Items()), EConvertError);
}

// Index() stays right through every kind of change, whatever order the items are asked in,
// and the Qt model shows the same rows.
TEST_F(ListViewTest, ItemIndexesFollowInsertsDeletesSortsAndBulkInserts) {
    TListItems* items = lv->Items();
    std::vector<TListItem*> ref;
    std::mt19937 rng(11);
    int made = 0;
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 400; ++step) {
        int op = pick(10);
        int n = static_cast<int>(ref.size());
        if (op < 4 || n == 0) {
            int at = pick(n + 1);
            TListItem* item = items->Insert(at);
            item->SetCaption("r" + std::to_string(made++));
            ref.insert(ref.begin() + at, item);
        } else if (op < 6) {
            int at = pick(n);
            items->Delete(at);
            ref.erase(ref.begin() + at);
        } else if (op < 8) {
            // A bulk insertion at a few places or at many (more than the model's shifts).
            int k = 1 + pick(op == 6 ? 3 : 20);
            std::vector<int> at;
            std::vector<std::unique_ptr<TListItem>> fresh;
            for (int j = 0; j < k; ++j)
                at.push_back(pick(n + 1));
            std::sort(at.begin(), at.end());
            std::vector<TListItem*> merged;
            int j = 0;
            for (int i = 0; i <= n; ++i) {
                for (; j < k && at[static_cast<size_t>(j)] == i; ++j) {
                    fresh.push_back(std::make_unique<TListItem>(items));
                    fresh.back()->SetCaption("r" + std::to_string(made++));
                    merged.push_back(fresh.back().get());
                }
                if (i < n)
                    merged.push_back(ref[static_cast<size_t>(i)]);
            }
            items->InsertItems(at, std::move(fresh));
            ref = merged;
        } else if (op == 8) {
            bool up = pick(2) == 0;
            auto cmp = [up](TListItem* a, TListItem* b, int) {
                int r = CompareIdent(a->Caption(), b->Caption());
                return up ? r : -r;
            };
            lv->CustomSort(cmp, 0);
            std::stable_sort(ref.begin(), ref.end(),
                             [&](TListItem* a, TListItem* b) { return cmp(a, b, 0) < 0; });
        } else if (pick(8) == 0) {
            items->Clear();
            ref.clear();
        }
        ASSERT_EQ(items->Count(), static_cast<int>(ref.size())) << "step " << step;
        // Ask from a random start so that late items are asked before early ones.
        int start = ref.empty() ? 0 : pick(static_cast<int>(ref.size()));
        for (size_t k = 0; k < ref.size(); ++k) {
            size_t i = (static_cast<size_t>(start) + k) % ref.size();
            ASSERT_EQ(ref[i]->Index(), static_cast<int>(i)) << "step " << step;
        }
    }
    QAbstractItemModel* m = lv->ReportView()->model();
    ASSERT_EQ(m->rowCount(), static_cast<int>(ref.size()));
    for (size_t i = 0; i < ref.size(); ++i)
        EXPECT_EQ(m->index(static_cast<int>(i), 0).data().toString().toStdString(),
                  ref[i]->Caption());

    // Items that are in no list, or in another, have no index here.
    TListItem unlisted(items);
    auto* other = new TListView(form);
    TListItem* foreign = other->Items()->Add();
    EXPECT_EQ(unlisted.Index(), -1);
    EXPECT_EQ(items->IndexOf(&unlisted), -1);
    EXPECT_EQ(items->IndexOf(foreign), -1);
    EXPECT_EQ(items->IndexOf(nullptr), -1);
    EXPECT_EQ(foreign->Index(), 0);
}

// One bulk insertion: at one place, at a few, at many (where the views are reset). The
// selection and the focus stay on their items and raise no events; OnInsert comes once per
// new item, in list order, with the list complete.
TEST_F(ListViewTest, BulkInsertKeepsSelectionAndFocusAndReportsEachItem) {
    struct Case {
        const char* name;
        std::vector<int> at;
    };
    const Case cases[] = {
        {"appended", {20, 20, 20}},
        {"a few places", {0, 5, 5, 19}},
        {"many places", {0, 1, 2, 3, 4, 6, 8, 10, 12, 14, 16, 18, 20}},
    };
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetCaption("Name");
    lv->Columns()->Add()->SetCaption("Value");
    lv->SetMultiSelect(true);
    lv->SetRowSelect(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lv->Clear();
        for (int i = 0; i < 20; ++i)
            Add("old" + std::to_string(i));
        TListItem* three = lv->Items()->Item(3);
        TListItem* ten = lv->Items()->Item(10);
        three->SetSelected(true);
        ten->SetSelected(true);
        ten->SetFocused(true);
        std::vector<std::string> selections, inserted;
        lv->OnSelectItem = [&](TObject*, TListItem* i, bool) {
            selections.push_back(i->Caption());
        };
        lv->OnInsert = [&](TObject*, TListItem* i) {
            EXPECT_EQ(lv->Items()->Count(), 20 + static_cast<int>(c.at.size()));
            inserted.push_back(i->Caption() + "@" + std::to_string(i->Index()));
        };
        std::vector<std::unique_ptr<TListItem>> fresh;
        std::vector<std::string> want, wantInserted;
        for (size_t j = 0; j < c.at.size(); ++j) {
            fresh.push_back(std::make_unique<TListItem>(lv->Items()));
            fresh.back()->SetCaption("new" + std::to_string(j));
            fresh.back()->SubItems()->Add("x");
        }
        for (int i = 0, j = 0; i <= 20; ++i) {
            for (; j < static_cast<int>(c.at.size()) && c.at[static_cast<size_t>(j)] == i; ++j) {
                wantInserted.push_back("new" + std::to_string(j) + "@" +
                                       std::to_string(want.size()));
                want.push_back("new" + std::to_string(j));
            }
            if (i < 20)
                want.push_back("old" + std::to_string(i));
        }
        std::uint64_t before = lv->Items()->Revision();
        lv->Items()->InsertItems(c.at, std::move(fresh));
        EXPECT_EQ(lv->Items()->Revision(), before + 1);
        EXPECT_EQ(Captions(lv), want);
        EXPECT_EQ(inserted, wantInserted);
        EXPECT_TRUE(selections.empty());
        EXPECT_TRUE(three->Selected());
        EXPECT_TRUE(ten->Selected());
        EXPECT_EQ(lv->SelCount(), 2);
        EXPECT_EQ(lv->ItemFocused(), ten);
        QAbstractItemModel* m = lv->ReportView()->model();
        int row = ten->Index();
        EXPECT_TRUE(lv->ReportView()->selectionModel()->isSelected(m->index(row, 1)));
        EXPECT_EQ(m->index(row, 0).data().toString().toStdString(), "old10");
        lv->OnSelectItem = nullptr;
        lv->OnInsert = nullptr;
    }

    // What cannot be placed is refused before anything changes.
    std::vector<std::string> before = Captions(lv);
    auto one = [&] {
        std::vector<std::unique_ptr<TListItem>> v;
        v.push_back(std::make_unique<TListItem>(lv->Items()));
        return v;
    };
    EXPECT_THROW(lv->Items()->InsertItems({lv->Items()->Count() + 1}, one()), EListError);
    EXPECT_THROW(lv->Items()->InsertItems({-1}, one()), EListError);
    EXPECT_THROW(lv->Items()->InsertItems({0, 0}, one()), EListError);
    auto* other = new TListView(form);
    std::vector<std::unique_ptr<TListItem>> foreign;
    foreign.push_back(std::make_unique<TListItem>(other->Items()));
    EXPECT_THROW(lv->Items()->InsertItems({0}, std::move(foreign)), EListError);
    EXPECT_EQ(Captions(lv), before);
}

// A list that gathers rows and hands them over when they are first needed.
class THoldingListView : public TListView {
public:
    THoldingListView(TComponent* owner, int& releases) : TListView(owner), releases_(releases) {}
    void Hold(const std::string& caption) {
        held_.push_back(caption);
        HoldRows();
    }

protected:
    void ReleaseHeldRows() override {
        ++releases_;
        std::vector<int> at;
        std::vector<std::unique_ptr<TListItem>> fresh;
        for (const std::string& caption : held_) {
            fresh.push_back(std::make_unique<TListItem>(Items()));
            fresh.back()->SetCaption(caption);
            at.push_back(Items()->Count());
        }
        held_.clear();
        Items()->InsertItems(at, std::move(fresh));
    }

private:
    int& releases_;
    std::vector<std::string> held_;
};

TEST(ListViewHoldTest, HeldRowsAreHandedOverOnceBeforeTheyAreNeeded) {
    struct Case {
        const char* name;
        std::function<void(THoldingListView*, QAbstractItemView*)> look;
    };
    const Case cases[] = {
        {"Count", [](THoldingListView* v, QAbstractItemView*) { v->Items()->Count(); }},
        {"Item", [](THoldingListView* v, QAbstractItemView*) { v->Items()->Item(0); }},
        {"Add", [](THoldingListView* v, QAbstractItemView*) { v->Items()->Add(); }},
        {"Selected", [](THoldingListView* v, QAbstractItemView*) { v->Selected(); }},
        {"ItemFocused", [](THoldingListView* v, QAbstractItemView*) { v->ItemFocused(); }},
        {"ReportView", [](THoldingListView* v, QAbstractItemView*) { v->ReportView(); }},
        {"event loop",
         [](THoldingListView*, QAbstractItemView*) { QApplication::processEvents(); }},
        {"key press",
         [](THoldingListView*, QAbstractItemView* view) { QTest::keyClick(view, Qt::Key_Home); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* form = Create<TForm>(nullptr);
        int releases = 0;
        auto* lv = new THoldingListView(form, releases);
        lv->SetParent(form);
        lv->SetViewStyle(vsReport);
        lv->Columns()->Add();
        form->Show();
        QAbstractItemView* view = lv->ActiveView();
        QApplication::processEvents();
        lv->Hold("a");
        lv->Hold("b");
        c.look(lv, view);
        EXPECT_EQ(releases, 1);
        EXPECT_GE(view->model()->rowCount(), 2);
        EXPECT_EQ(lv->Items()->Item(1)->Caption(), "b");
        lv->Items()->Count();
        QApplication::processEvents();
        EXPECT_EQ(releases, 1);
        form->Free();
    }
    // Rows still held when the list goes are dropped, not handed to a list being destroyed.
    auto* form = Create<TForm>(nullptr);
    int releases = 0;
    auto* lv = new THoldingListView(form, releases);
    lv->Hold("a");
    form->Free();
    EXPECT_EQ(releases, 0);
}

TEST_F(ListViewTest, RevisionGrowsWithChangesOfNumberOrderAndTexts) {
    TListItem* a = Add("a", "1");
    Add("b");
    struct Case {
        const char* name;
        std::function<void()> act;
        bool counts;
    };
    const Case cases[] = {
        {"same caption", [&] { a->SetCaption("a"); }, false},
        {"new caption", [&] { a->SetCaption("c"); }, true},
        {"sub-item", [&] { a->SubItems()->Put(0, "2"); }, true},
        {"selection", [&] { a->SetSelected(true); }, false},
        {"image", [&] { a->SetImageIndex(3); }, false},
        {"sort", [&] { lv->AlphaSort(); }, true},
        {"insert", [&] { lv->Items()->Insert(0); }, true},
        {"delete", [&] { lv->Items()->Delete(0); }, true},
        {"clear", [&] { lv->Items()->Clear(); }, true},
    };
    for (const Case& c : cases) {
        std::uint64_t before = lv->Items()->Revision();
        c.act();
        EXPECT_EQ(lv->Items()->Revision() != before, c.counts) << c.name;
    }
}

// ---------------------------------------------------------------------------------------

class PageControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
        pc = new TPageControl(form);
        pc->SetParent(form);
        pc->SetBounds(0, 0, 300, 200);
        for (const char* name : {"A", "B", "C"}) {
            auto* sheet = new TTabSheet(form);
            sheet->SetPageControl(pc);
            sheet->SetCaption(name);
            sheets.push_back(sheet);
        }
        a = sheets[0];
        b = sheets[1];
        c = sheets[2];
        SetPropText(b, "TabVisible", "False");
    }
    void TearDown() override { form->Free(); }
    std::vector<std::string> TabTexts() const {
        std::vector<std::string> v;
        for (int i = 0; i < pc->TabBar()->count(); ++i)
            v.push_back(pc->TabBar()->tabText(i).toStdString());
        return v;
    }
    TForm* form = nullptr;
    TPageControl* pc = nullptr;
    std::vector<TTabSheet*> sheets;
    TTabSheet *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(PageControlTest, HiddenTabsAreSkipped) {
    EXPECT_EQ(TabTexts(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(pc->ActivePage(), a);
    EXPECT_EQ(c->TabIndex(), 1);
    EXPECT_EQ(b->TabIndex(), -1);
    EXPECT_EQ(c->PageIndex(), 2);
    EXPECT_EQ(pc->PageForTab(1), c);

    pc->SetTabIndex(1);
    EXPECT_EQ(pc->ActivePage(), c);
    EXPECT_TRUE(c->Visible());
    EXPECT_FALSE(a->Visible());

    // Next page skips the hidden tab, around the end.
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), a);

    // Sheet captions are the tab texts; showing B's tab puts it in its place.
    c->SetCaption("Cc");
    b->SetTabVisible(true);
    EXPECT_EQ(TabTexts(), (std::vector<std::string>{"A", "B", "Cc"}));
    EXPECT_EQ(c->TabIndex(), 2);
}

TEST_F(PageControlTest, HidingTheActiveTabActivatesTheTabInItsPlace) {
    pc->SetActivePage(c);
    c->SetTabVisible(false); // C was tab 1 of 2: the last tab, A, takes over
    EXPECT_EQ(pc->ActivePage(), a);
    EXPECT_EQ(pc->TabIndex(), 0);
    a->SetTabVisible(false); // nothing left
    EXPECT_EQ(pc->ActivePage(), nullptr);
    EXPECT_EQ(pc->TabCount(), 0);

    // A page whose tab is hidden can still be shown by code.
    pc->SetActivePage(b);
    EXPECT_EQ(pc->ActivePage(), b);
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(dyn<TTabSheet>(GetObjectProp(pc, "ActivePage")), b);
}

TEST_F(PageControlTest, UserTabPicksAskOnChanging) {
    int changes = 0;
    bool allow = false;
    pc->OnChange = [&](TObject*) { ++changes; };
    pc->OnChanging = [&](TObject*, bool& ok) { ok = allow; };
    pc->TabBar()->setCurrentIndex(1); // as a click on the tab
    EXPECT_EQ(pc->ActivePage(), a);
    EXPECT_EQ(pc->TabBar()->currentIndex(), 0);
    EXPECT_EQ(changes, 0);

    allow = true;
    pc->TabBar()->setCurrentIndex(1);
    EXPECT_EQ(pc->ActivePage(), c);
    EXPECT_EQ(pc->TabIndex(), 1);
    EXPECT_EQ(changes, 1);

    // Code changes raise nothing.
    pc->SetActivePage(a);
    pc->SetActivePageIndex(2);
    EXPECT_EQ(pc->ActivePage(), c);
    EXPECT_EQ(changes, 1);
}

TEST_F(PageControlTest, OwnerDrawnTabsCountShownTabsOnly) {
    struct Drawn {
        int index;
        std::string caption;
        bool active;
        TRect rect;
    };
    std::vector<Drawn> drawn;
    pc->SetOwnerDraw(true);
    pc->OnDrawTab = [&](TCustomTabControl* ctl, int index, const TRect& r, bool active) {
        auto* page = dyn<TPageControl>(ctl);
        drawn.push_back({index, page->PageForTab(index)->Caption(), active, r});
        ctl->Canvas()->Brush()->SetColor(active ? clActiveCaption : clInactiveCaption);
        ctl->Canvas()->FillRect(r);
    };
    pc->SetActivePage(c);
    form->Show();
    QImage shot = pc->Widget()->grab().toImage();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].caption, "A");
    EXPECT_FALSE(drawn[0].active);
    EXPECT_EQ(drawn[1].caption, "C");
    EXPECT_TRUE(drawn[1].active);
    EXPECT_EQ(drawn[1].rect, pc->TabRect(1));
    // What the handler paints is what the tab shows.
    TRect r = drawn[1].rect;
    QPoint mid((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    EXPECT_EQ(QColorToColor(shot.pixelColor(mid)), ColorToRGB(clActiveCaption));
}

// ---------------------------------------------------------------------------------------

TEST(ToolBarTest, DropDownButtonClicksOnItsFaceAndDropsItsMenu) {
    TForm* form = Create<TForm>(nullptr);
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetImages(MakeImages(form, 18, 5));
    auto* menu = new TPopupMenu(form);
    auto* save = new TToolButton(form);
    save->SetParent(bar);
    auto* sep = new TToolButton(form);
    sep->SetParent(bar);
    sep->SetStyle(tbsSeparator);
    auto* view = new TToolButton(form);
    view->SetParent(bar);
    SetPropText(view, "Style", "tbsDropDown");
    view->SetDropdownMenu(menu);
    view->SetImageIndex(4);

    EXPECT_EQ(view->Button()->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(view->Button()->menu(), menu->Menu());
    EXPECT_FALSE(view->Button()->icon().isNull());
    // Laid out in a row; the separator keeps its narrow width.
    EXPECT_EQ(sep->Left(), save->Left() + save->Width());
    EXPECT_EQ(sep->Width(), 8);
    EXPECT_EQ(view->Left(), sep->Left() + 8);
    EXPECT_GT(view->Width(), save->Width());

    int clicks = 0, popups = 0;
    view->OnClick = [&](TObject*) { ++clicks; };
    menu->OnPopup = [&](TObject*) { ++popups; };
    ClickControl(view);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(popups, 0);
    EXPECT_TRUE(view->CheckMenuDropdown());
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(menu->PopupComponent(), view);
    menu->Menu()->hide();

    // The menu going away leaves the button without one.
    menu->Free();
    EXPECT_EQ(view->DropdownMenu(), nullptr);
    EXPECT_EQ(view->Button()->menu(), nullptr);
    form->Free();
}

TEST(ToolBarTest, GroupedCheckButtonsReleaseEachOther) {
    TForm* form = Create<TForm>(nullptr);
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    std::vector<TToolButton*> buttons;
    for (int i = 0; i < 3; ++i) {
        auto* b = new TToolButton(form);
        b->SetParent(bar);
        b->SetStyle(tbsCheck);
        b->SetGrouped(true);
        buttons.push_back(b);
    }
    ClickControl(buttons[0]);
    EXPECT_TRUE(buttons[0]->Down());
    ClickControl(buttons[2]);
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_TRUE(buttons[2]->Down());
    ClickControl(buttons[2]); // without AllowAllUp one stays down
    EXPECT_TRUE(buttons[2]->Down());
    form->Free();
}

TEST(StatusBarTest, PanelsArePublishedAndTheLastReachesTheEdge) {
    TForm* form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 200);
    auto* sb = new TStatusBar(form);
    sb->SetParent(form);
    const TPropInfo* info = GetPropInfo(sb, "Panels");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->PropType->Name, "TStatusPanels");
    auto* panels = dyn<TStatusPanels>(GetObjectProp(sb, "Panels"));
    ASSERT_NE(panels, nullptr);
    panels->Add()->SetWidth(100);
    SetPropText(panels->Add(), "Text", "就绪");
    EXPECT_EQ(panels->Items(1)->Text(), "就绪");
    EXPECT_EQ(sb->Align(), alBottom);
    EXPECT_EQ(sb->PanelRect(1).Right, sb->ClientWidth());
    EXPECT_EQ(sb->PanelRect(1).Left, 102);
    form->Free();
}

TEST(TreeViewTest, NodesAddDeleteAndEdit) {
    TForm* form = Create<TForm>(nullptr);
    auto* tv = new TTreeView(form);
    tv->SetParent(form);
    TTreeNodes* nodes = tv->Items();
    TTreeNode* root = nodes->Add(nullptr, "费用");
    TTreeNode* child = nodes->AddChild(root, "差旅");
    nodes->AddChild(child, "机票");
    TTreeNode* second = nodes->Add(root, "收入");
    EXPECT_EQ(nodes->Count(), 4);
    EXPECT_EQ(nodes->Item(2)->Text(), "机票");
    EXPECT_EQ(nodes->Item(3), second);
    EXPECT_EQ(second->AbsoluteIndex(), 3);
    EXPECT_EQ(child->Parent(), root);
    EXPECT_EQ(root->GetNextSibling(), second);
    EXPECT_EQ(tv->TreeWidget()->topLevelItemCount(), 2);

    SetPropText(nodes->Item(1), "Text", "出差");
    EXPECT_EQ(child->TreeItem()->text(0).toStdString(), "出差");

    child->Delete(); // with its child
    EXPECT_EQ(nodes->Count(), 2);
    EXPECT_EQ(root->Count(), 0);

    form->Show();
    tv->OnEdited = [](TObject*, TTreeNode*, std::string& s) { s += "*"; };
    ASSERT_TRUE(second->EditText());
    auto* editor = OpenEditor(tv->TreeWidget()->viewport());
    ASSERT_NE(editor, nullptr);
    editor->setText("其他");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(second->Text(), "其他*");
    form->Free();
}

TEST(AnimateTest, FileSearchPlaysItsFramesAndStops) {
    TForm* form = Create<TForm>(nullptr);
    auto* anim = new TAnimate(form);
    anim->SetParent(form);
    anim->SetBounds(0, 0, 16, 16);
    SetPropText(anim, "CommonAVI", "aviFindFile");
    EXPECT_EQ(anim->FrameCount(), 8);
    EXPECT_FALSE(anim->Active());
    int starts = 0, stops = 0;
    anim->OnStart = [&](TObject*) { ++starts; };
    anim->OnStop = [&](TObject*) { ++stops; };
    anim->SetActive(true);
    EXPECT_TRUE(anim->Active());
    EXPECT_TRUE(QTest::qWaitFor([&] { return anim->CurrentFrame() > 1; }, 2000));
    anim->SetActive(false);
    EXPECT_FALSE(anim->Active());
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);

    // A counted play stops by itself.
    anim->Play(1, 3, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !anim->Active(); }, 3000));
    EXPECT_EQ(anim->CurrentFrame(), 3);
    EXPECT_EQ(stops, 2);
    form->Free();
}

} // namespace
