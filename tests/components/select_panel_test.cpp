// The selection panel: styles and layout, range ordering, list operations, saved values,
// and use through the keyboard and mouse in a shown window.
#include "SelectPnl.h"
#include "TypInfo.h"
#include "components_test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <functional>
#include <random>

namespace {
TSelectPanel* NewPanel(TForm* form, TSelectStyle style) {
    auto* sp = new TSelectPanel(form);
    sp->SetParent(form);
    sp->SetBounds(10, 10, 353, 45);
    sp->SetStyle(style);
    return sp;
}

std::vector<std::string> Rows(const TSelectPanel* sp) {
    std::vector<std::string> rows;
    for (int i = 0; i < sp->Items()->Count(); ++i) {
        const TListItem* item = sp->Items()->Item(i);
        std::string row = item->Caption();
        for (int k = 0; k < item->SubItems()->Count(); ++k)
            row += "|" + item->SubItems()->Get(k);
        rows.push_back(row);
    }
    return rows;
}
} // namespace

TEST(SelectPanel, StyleChangesSwapTheSizeOnlyAcrossTheRangeStyle) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Range);
    std::vector<std::pair<TSelectStyle, TSelectStyle>> changes;
    sp->OnStyleChange = [&](TObject*, TSelectStyle o, TSelectStyle n) {
        changes.push_back({o, n});
    };
    struct Step {
        TSelectStyle style;
        int width, height;
        bool rangeVisible;
    };
    for (const Step& s : {Step{sp_Discrete, 200, 105, false}, Step{sp_UserChoice, 200, 105, true},
                          Step{sp_Range, 353, 45, true}}) {
        sp->SetStyle(s.style);
        EXPECT_EQ(sp->Width(), s.width) << s.style;
        EXPECT_EQ(sp->Height(), s.height) << s.style;
        EXPECT_EQ(sp->pnlRange->Visible(), s.rangeVisible);
        EXPECT_EQ(sp->pnlList->Visible(), !s.rangeVisible);
        EXPECT_EQ(sp->chkChoice->Visible(), s.style == sp_UserChoice);
    }
    EXPECT_EQ(changes.size(), 3u);
    sp->OnStyleChanging = [](TObject*, TSelectStyle, TSelectStyle&, bool& accept) {
        accept = false;
    };
    sp->SetStyle(sp_Discrete);
    EXPECT_EQ(sp->Style(), sp_Range);
    EXPECT_EQ(sp->Width(), 353);
    EXPECT_EQ(changes.size(), 3u);
}

TEST(SelectPanel, UserChoiceAndVerticalOnlyWhereAllowed) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Range);
    sp->SetUserChoice(false);
    EXPECT_TRUE(sp->UserChoice());
    EXPECT_TRUE(sp->IsRangeMode());
    sp->SetStyle(sp_UserChoice);
    sp->SetUseVertical(true);
    EXPECT_FALSE(sp->UseVertical());
    // Two rows although UseVertical is off: edFinal sits below edBegin, same left.
    EXPECT_EQ(sp->edFinal->Left(), sp->edBegin->Left());
    EXPECT_GT(sp->edFinal->Top(), sp->edBegin->Top());
    int typeClicks = 0;
    sp->OnTypeClick = [&](TObject*) { ++typeClicks; };
    ClickControl(sp->chkChoice);
    EXPECT_FALSE(sp->UserChoice());
    EXPECT_FALSE(sp->IsRangeMode());
    EXPECT_TRUE(sp->pnlList->Visible());
    EXPECT_EQ(typeClicks, 1);
    SetPropText(sp, "UserChoice", "True");
    EXPECT_TRUE(sp->pnlRange->Visible());
    EXPECT_EQ(typeClicks, 1);
}

TEST(SelectPanel, HorizontalAndListLayoutArithmetic) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Range);
    TPanel* r = sp->pnlRange;
    EXPECT_EQ(r->Left(), 2);
    EXPECT_EQ(r->Width(), 353 - 2 - 1 - 2);
    int t = (r->Height() - 24) / 2;
    int w = (r->Width() - 2 - sp->lblBegin->Width() - 23 - sp->lblFinal->Width() - 23 - 8) / 2 - 1;
    EXPECT_EQ(sp->edBegin->BoundsRect(), Bounds(2 + sp->lblBegin->Width() + 1, t, w, 24));
    EXPECT_EQ(sp->btnBegin->Left(), sp->edBegin->Left() + w + 2);
    EXPECT_EQ(sp->btnFinal->Left(), sp->edFinal->Left() + w + 2);
    EXPECT_EQ(sp->edFinal->Width(), w);
    sp->SetCanOpenWin(false);
    EXPECT_FALSE(sp->btnBegin->Visible());
    EXPECT_EQ(sp->lblFinal->Left(), sp->edBegin->Left() + sp->edBegin->Width() + 4);

    sp->SetStyle(sp_Discrete);
    // The list keeps the hidden btnOpenWin's room.
    EXPECT_EQ(sp->ListBox->Width(), sp->pnlList->Width() - 23 - 3);
    EXPECT_EQ(sp->btnDeleteOne->Top(), sp->btnOpenWin->Top() + 23);
    EXPECT_EQ(sp->btnDeleteAll->Top(), sp->btnDeleteOne->Top() + 23);
}

TEST(SelectPanel, HintsGlyphsMaskAndEnabled) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Range);
    EXPECT_EQ(sp->btnOpenWin->Hint(), "多选-信息开窗");
    sp->ChildHints()->Put(2, "开窗");
    EXPECT_EQ(sp->btnBegin->Hint(), "开窗");
    sp->SetGlyphIndex(9);
    EXPECT_EQ(sp->btnFinal->GlyphIndex(), 9);
    EXPECT_EQ(sp->btnOpenWin->GlyphIndex(), 9);
    sp->edBegin->SetText("2004");
    int changes = 0;
    sp->edBegin->OnChange = [&](TObject*) { ++changes; };
    sp->SetEditMask("9999/99/99;1;_");
    EXPECT_EQ(sp->EmptyMaskText(), "    /  /  ");
    EXPECT_EQ(changes, 0);
    sp->SetEnabled(false);
    EXPECT_FALSE(sp->edFinal->Enabled());
    EXPECT_FALSE(sp->btnDeleteAll->Enabled());
    EXPECT_FALSE(sp->lblBegin->Enabled());
}

TEST(SelectPanel, RangeOrderingRules) {
    using R = TSelectPanel::TRangeRule;
    auto rule = [](TValueType type, std::string emptyMask = "", bool useDiscard = false,
                   std::string discard = "", bool autoDate = true, TDateType dateType = dt_NoneCare,
                   std::string sign = "/") {
        return R{type,     std::move(emptyMask), useDiscard, std::move(discard), autoDate,
                 dateType, std::move(sign)};
    };
    R date = rule(vt_Date, "    /  /  ", false, "", true, dt_YYYYMMDD, "/");
    struct Case {
        const char* name;
        R rule;
        std::string begin, end, wantBegin, wantEnd;
    };
    const Case cases[] = {
        {"number", rule(vt_Number), "20", "3", "3", "20"},
        {"non-number reads 0", rule(vt_Number), "abc", "5", "abc", "5"},
        {"string bytes", rule(vt_String), "b", "a", "a", "b"},
        {"string mask exempt", rule(vt_String, "  -  "), "zz", "  -  ", "zz", "  -  "},
        {"discard exempt", rule(vt_String, "", true, "*"), "z", "*", "z", "*"},
        {"year-month is day 1", date, "2004/03", "2004/01/15", "2004/01/15", "2004/03"},
        {"mask literals only", date, "2004/03/01", "    /  /  ", "2004/03/01", "    /  /  "},
        {"no date is earliest", date, "2004/03/01", "junk", "junk", "2004/03/01"},
        {"minguo", rule(vt_Date, "", false, "", true, dt_YYYMMDD, "."), "093.05.01", "92.1.1",
         "92.1.1", "093.05.01"},
        {"dd/mm/yyyy", rule(vt_Date, "", false, "", true, dt_DDMMYYYY, "/"), "02/01/2004",
         "31/12/2003", "31/12/2003", "02/01/2004"},
        {"date order off", rule(vt_Date, "", false, "", false, dt_YYYYMMDD, "/"), "2005/01/01",
         "2004/01/01", "2005/01/01", "2004/01/01"},
        {"float canonical", rule(vt_Float), "1.50", "1e-1", "0.1", "1.5"},
        {"float not a number", rule(vt_Float), "x", "1", "x", "1"},
        {"other mask", rule(vt_OtherMask), "b", "a", "b", "a"},
    };
    for (const Case& c : cases) {
        std::string b = c.begin, e = c.end;
        TSelectPanel::OrderRange(b, e, c.rule);
        EXPECT_EQ(b, c.wantBegin) << c.name;
        EXPECT_EQ(e, c.wantEnd) << c.name;
    }
    EXPECT_EQ(TSelectPanel::ReadOrderingDate("02/2004", dt_MMDDYYYY, "/", ""),
              EncodeDate(2004, 2, 1));
    EXPECT_EQ(TSelectPanel::ReadOrderingDate("2004/02/30", dt_YYYYMMDD, "/", ""), 0);
}

TEST(SelectPanel, AddRowCreatesColumnsPadsAndSizesByBytes) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    EXPECT_TRUE(sp->AddRow({"A"}));
    EXPECT_TRUE(sp->AddRow({"中文", "x", "y"}));
    EXPECT_EQ(sp->ColumnCaptions()->Text(), "Data1\nData2\nData3\n");
    EXPECT_EQ(Rows(sp), (std::vector<std::string>{"A||", "中文|x|y"}));
    int w = QFontMetrics(sp->ListBox->Font()->ToQFont()).horizontalAdvance('W');
    EXPECT_EQ(sp->Columns()->Items(0)->Width(), w * 5); // "Data1" beats "中文" (4 bytes)
    sp->AddRow({"中文中文中文"});
    EXPECT_EQ(sp->Columns()->Items(0)->Width(), w * 12);
    EXPECT_FALSE(sp->AddRow({}));
}

TEST(SelectPanel, DuplicatesAndSorting) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    sp->SetCheckDuplicate(cd_CaseInsensitive);
    EXPECT_TRUE(sp->SortListBox());
    for (const char* s : {"b", "A", "a", "B", "c"})
        sp->AddRow({s});
    EXPECT_EQ(Rows(sp), (std::vector<std::string>{"A", "b", "c"}));
    sp->SetCheckDuplicate(cd_CheckCase);
    sp->AddRow({"a"});
    EXPECT_EQ(Rows(sp).size(), 4u);

    sp->ClearRows();
    sp->SetCheckDuplicate(cd_None);
    for (auto [a, b] : {std::pair{"2", "x"}, std::pair{"1", "z"}, std::pair{"3", "y"}})
        sp->AddRow({a, b});
    sp->ClickColumnHeader(1);
    EXPECT_EQ(Rows(sp), (std::vector<std::string>{"2|x", "3|y", "1|z"}));
    sp->ClickColumnHeader(1);
    EXPECT_EQ(Rows(sp), (std::vector<std::string>{"1|z", "3|y", "2|x"}));
    sp->ClickColumnHeader(1);
    EXPECT_FALSE(sp->SortAscending() == false);
    EXPECT_EQ(Rows(sp).front(), "2|x");
}

// The incremental AddRow must give what the designed rule gives: append, sort the whole
// list, then delete each row whose caption equals the one above it, from the bottom up.
TEST(SelectPanel, IncrementalAddRowMatchesTheFullRule) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    sp->SetCheckDuplicate(cd_CaseInsensitive);
    sp->ClickColumnHeader(1); // sort by the second column: equal captions need not be adjacent
    std::mt19937 rng(7);
    const char* letters[] = {"a", "B", "b", "c", "C"};
    std::vector<std::vector<std::string>> model;
    auto upper = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), ::toupper);
        return s;
    };
    auto cmpNoCase = [&](const std::string& a, const std::string& b) {
        std::string ua = upper(a), ub = upper(b);
        return ua < ub ? -1 : ua > ub ? 1 : 0;
    };
    for (int i = 0; i < 300; ++i) {
        std::vector<std::string> row{letters[rng() % 5], letters[rng() % 5]};
        ASSERT_TRUE(sp->AddRow(row));
        model.push_back(row);
        std::stable_sort(model.begin(), model.end(), [&](const auto& x, const auto& y) {
            int r = cmpNoCase(x[1], y[1]);
            if (r == 0)
                r = cmpNoCase(x[0], y[0]);
            return r < 0;
        });
        for (int k = static_cast<int>(model.size()) - 1; k >= 1; --k)
            if (upper(model[k][0]) == upper(model[k - 1][0]))
                model.erase(model.begin() + k);
        std::vector<std::string> want;
        for (const auto& m : model)
            want.push_back(m[0] + "|" + m[1]);
        ASSERT_EQ(Rows(sp), want) << "after row " << i;
    }
}

// The designed list rules applied in full after every change: append, pad, sort the whole
// list, delete from the bottom up each row whose caption equals the one above it.
class TListRules {
public:
    std::vector<std::vector<std::string>> rows;
    int subItems = 0;
    int sortColumn = 0;
    bool ascending = true;
    bool sorted = false;
    TCheckDuplicate duplicates = cd_None;

    void Add(std::vector<std::string> texts) {
        subItems = std::max(subItems, static_cast<int>(texts.size()) - 1);
        rows.push_back(std::move(texts));
        for (auto& row : rows)
            row.resize(static_cast<size_t>(subItems) + 1);
        if (sorted)
            Sort();
        if (duplicates != cd_None)
            Dedupe();
    }
    void Click(int column) {
        ascending = column == sortColumn ? !ascending : true;
        sortColumn = column;
        Sort();
    }
    void SetSorted(bool v) {
        if (v && !sorted) {
            sorted = true;
            Sort();
        }
        sorted = v;
    }
    void SetDuplicates(TCheckDuplicate v) {
        duplicates = v;
        if (v == cd_None)
            return;
        SetSorted(true);
        Dedupe();
    }
    void Clear() {
        rows.clear();
        subItems = 0;
    }
    std::vector<std::string> Joined() const {
        std::vector<std::string> out;
        for (const auto& row : rows) {
            std::string s = row[0];
            for (size_t k = 1; k < row.size(); ++k)
                s += "|" + row[k];
            out.push_back(s);
        }
        return out;
    }
    int WidestBytes(int column) const {
        int widest = 0;
        for (const auto& row : rows)
            widest = std::max(widest, InterfaceByteLength(Cell(row, column)));
        return widest;
    }

private:
    static std::string Cell(const std::vector<std::string>& row, int k) {
        return k < static_cast<int>(row.size()) ? row[static_cast<size_t>(k)] : std::string();
    }
    static int NoCase(const std::string& a, const std::string& b) {
        int r = QString::compare(QString::fromStdString(a), QString::fromStdString(b),
                                 Qt::CaseInsensitive);
        return r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    int Compare(const std::vector<std::string>& a, const std::vector<std::string>& b) const {
        int r = NoCase(Cell(a, sortColumn), Cell(b, sortColumn));
        if (r == 0 && sortColumn != 0)
            r = NoCase(a[0], b[0]);
        if (r == 0 && sortColumn != 1)
            r = NoCase(Cell(a, 1), Cell(b, 1));
        return ascending ? r : -r;
    }
    void Sort() {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const auto& a, const auto& b) { return Compare(a, b) < 0; });
    }
    bool Same(const std::string& a, const std::string& b) const {
        if (duplicates == cd_CheckCase)
            return a == b;
        return QString::fromStdString(a).toUpper() == QString::fromStdString(b).toUpper();
    }
    void Dedupe() {
        for (size_t k = rows.size(); k-- > 1;)
            if (Same(rows[k][0], rows[k - 1][0]))
                rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(k));
    }
};

// Rows added one by one with the list read only now and then, mixed with sorting, duplicate
// settings, deletions through the list, clearing and saved-value round trips, always give
// what the full rules give; the column widths follow the rows that stay.
TEST(SelectPanel, ListFollowsTheFullRulesThroughAnyMixOfChanges) {
    ShownForm f;
    int letter = QFontMetrics(NewPanel(f.form, sp_Discrete)->ListBox->Font()->ToQFont())
                     .horizontalAdvance('W');
    const char* pool[] = {"a", "A", "b", "B", "c", "é", "É", "中", "", "ab"};
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        auto* sp = NewPanel(f.form, sp_Discrete);
        TListRules rules;
        for (int step = 0; step < 1200; ++step) {
            int op = pick(100);
            if (op < 60) {
                std::vector<std::string> texts;
                for (int k = 0, n = 1 + pick(3); k < n; ++k)
                    texts.push_back(pool[pick(10)]);
                ASSERT_TRUE(sp->AddRow(texts));
                rules.Add(texts);
                if (pick(4) == 0) // the widths are set at once, rows or no rows handed over
                    for (int k = 0; k < sp->Columns()->Count(); ++k) {
                        TListColumn* column = sp->Columns()->Items(k);
                        int bytes =
                            std::max(rules.WidestBytes(k), InterfaceByteLength(column->Caption()));
                        ASSERT_EQ(column->Width(), letter * bytes) << "step " << step;
                    }
            } else if (op < 72) {
                ASSERT_EQ(Rows(sp), rules.Joined()) << "step " << step;
            } else if (op < 78) {
                int column = pick(3);
                sp->ClickColumnHeader(column);
                rules.Click(column);
            } else if (op < 84) {
                auto v = static_cast<TCheckDuplicate>(pick(3));
                sp->SetCheckDuplicate(v);
                rules.SetDuplicates(v);
            } else if (op < 89) {
                bool v = pick(2) == 0;
                sp->SetSortListBox(v);
                rules.SetSorted(v);
            } else if (op < 95) {
                if (sp->Items()->Count() > 0) {
                    int at = pick(sp->Items()->Count());
                    sp->Items()->Delete(at);
                    rules.rows.erase(rules.rows.begin() + at);
                }
            } else if (op < 97) {
                sp->ClearRows();
                rules.Clear();
            } else {
                sp->LoadSaveValue(sp->SaveValue());
                auto kept = rules.rows;
                rules.Clear();
                for (auto& row : kept)
                    rules.Add(row);
            }
        }
        ASSERT_EQ(Rows(sp), rules.Joined());
    }
}

// Rows AddRow has not handed to the list view yet are there for every reader of the list.
TEST(SelectPanel, RowsAddedAreThereForEveryReader) {
    struct Case {
        const char* name;
        std::function<void(TSelectPanel*, QAbstractItemView*)> read;
    };
    const Case cases[] = {
        {"Items", [](TSelectPanel* sp, QAbstractItemView*) { sp->Items()->Count(); }},
        {"saved value",
         [](TSelectPanel* sp, QAbstractItemView*) {
             EXPECT_EQ(sp->SaveValue(), "sp_Discrete\x03"
                                        "a\x01"
                                        "1\x04"
                                        "b\x01\x04"
                                        "c\x01"
                                        "3\x04");
         }},
        {"selection", [](TSelectPanel* sp, QAbstractItemView*) { sp->ListBox->SelCount(); }},
        {"event loop", [](TSelectPanel*, QAbstractItemView*) { QApplication::processEvents(); }},
        {"keyboard",
         [](TSelectPanel* sp, QAbstractItemView* view) {
             sp->ListBox->SetFocus();
             QTest::keyClick(view, Qt::Key_End);
             EXPECT_EQ(sp->ListBox->ItemFocused(), sp->Items()->Item(2));
         }},
    };
    ShownForm f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* sp = NewPanel(f.form, sp_Discrete);
        sp->SetCheckDuplicate(cd_CaseInsensitive);
        QAbstractItemView* view = sp->ListBox->ActiveView();
        QApplication::processEvents();
        for (auto row : {std::vector<std::string>{"c", "3"}, {"a", "1"}, {"b"}, {"A", "2"}})
            sp->AddRow(row);
        c.read(sp, view);
        EXPECT_EQ(view->model()->rowCount(), 3);
        EXPECT_EQ(view->model()->index(2, 1).data().toString().toStdString(), "3");
    }
    // A panel that goes with rows not handed over yet takes them along.
    auto* sp = NewPanel(f.form, sp_Discrete);
    sp->AddRow({"x"});
    sp->Free();
}

// Rows handed over at many places at once leave the user's selection on its row, quietly.
TEST(SelectPanel, SelectionStaysOnItsRowWhenRowsArriveAround) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    sp->SetSortListBox(true);
    for (int i = 0; i < 40; i += 2)
        sp->AddRow({"r" + std::to_string(100 + i)});
    TListItem* chosen = sp->Items()->Item(7);
    chosen->SetSelected(true);
    std::vector<int> events;
    sp->OnItemSelect = [&](TObject*, TListItem*, int index, bool) { events.push_back(index); };
    for (int i = 1; i < 40; i += 2)
        sp->AddRow({"r" + std::to_string(100 + i)});
    ASSERT_EQ(sp->Items()->Count(), 40);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(sp->ListBox->SelCount(), 1);
    EXPECT_EQ(sp->ListBox->Selected(), chosen);
    EXPECT_EQ(chosen->Index(), 14);
    EXPECT_EQ(chosen->Caption(), "r114");
    sp->Items()->Item(15)->SetSelected(true);
    EXPECT_EQ(events, std::vector<int>{15});
}

// A text is as long as its characters together in the interface code page, and the length
// follows a change of the code page.
TEST(SelectPanel, InterfaceLengthsMatchTheCodePage) {
    const std::string texts[] = {"abc",
                                 "中文",
                                 "中a文",
                                 "é",
                                 "€",
                                 "😀",
                                 "a\xff"
                                 "b",
                                 "名称12"};
    for (int codePage : {CodePageGB, CodePageEnglish, CodePageBig5, CodePageGB}) {
        SetSelectPanelCodePage(codePage);
        for (const std::string& t : texts) {
            std::u16string wide = QString::fromStdString(t).toStdU16String();
            EXPECT_EQ(InterfaceByteLength(t),
                      static_cast<int>(WideToCodePage(wide, codePage).size()))
                << t << " in " << codePage;
        }
    }
    SetSelectPanelCodePage(CodePageGB);
    EXPECT_EQ(InterfaceByteLength("中文x"), 5);
}

TEST(SelectPanel, SaveValueRoundTrips) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    EXPECT_EQ(sp->SaveValue(), "sp_Discrete\x03");
    sp->AddRow({"A"});
    sp->AddRow({"B", "x"});
    std::string saved = sp->SaveValue();
    EXPECT_EQ(saved, std::string("sp_Discrete\x03"
                                 "A\x01\x04"
                                 "B\x01x\x04"));
    auto* copy = NewPanel(f.form, sp_Discrete);
    copy->LoadSaveValue(saved);
    EXPECT_EQ(Rows(copy), Rows(sp));
    copy->LoadSaveValue("sp_Discrete\x03");
    EXPECT_TRUE(Rows(copy).empty());

    auto* choice = NewPanel(f.form, sp_UserChoice);
    choice->LoadSaveValue("sp_UserChoice\x03"
                          "False\x03"
                          "Z\x04");
    EXPECT_FALSE(choice->UserChoice());
    EXPECT_EQ(Rows(choice), std::vector<std::string>{"Z"});
    choice->LoadSaveValue("sp_UserChoice\x03True\x03"
                          "1\x03"
                          "9");
    EXPECT_EQ(choice->SaveValue(), "sp_UserChoice\x03True\x03"
                                   "1\x03"
                                   "9");

    auto* range = NewPanel(f.form, sp_Range);
    TSaveValueDates dates{"9999/99/99;1;_", dt_YYYYMMDD, "/"};
    range->LoadSaveValue("sp_Range\x03"
                         "20040301\x03"
                         "20040315",
                         &dates);
    EXPECT_EQ(range->edBegin->Text(), "2004/03/01");
    EXPECT_EQ(range->SaveValue(), "sp_Range\x03"
                                  "2004/03/01\x03"
                                  "2004/03/15");
    range->LoadSaveValue("sp_Other\x03x\x03y");
    EXPECT_EQ(range->edFinal->Text(), "2004/03/15");
}

TEST(SelectPanel, BadSavedValuesAreReadWithoutHarm) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    std::string big = "sp_Discrete\x03";
    for (int i = 0; i < 10000; ++i)
        big += "r" + std::to_string(i) +
               "\x01"
               "v\x04";
    const std::string inputs[] = {
        "",
        "sp_Discrete",
        "sp_Discrete\x03"
        "A\x01",
        "sp_Discrete\x03\x04\x04\x01\x04",
        std::string("sp_Discrete\x03"
                    "a\x02\x00"
                    "b\x05\x04",
                    14),
        "sp_UserChoice\x03True",
        "sp_UserChoice\x03"
        "False",
        "sp_Range\x03",
        big,
        big.substr(0, big.size() / 2 + 3),
    };
    for (const std::string& in : inputs)
        EXPECT_NO_THROW(sp->LoadSaveValue(in)) << in.size();
    EXPECT_GT(sp->Items()->Count(), 4000);
    sp->LoadSaveValue(big);
    EXPECT_EQ(sp->Items()->Count(), 10000);
    // A piece with only a sub-item mark is a row with an empty caption.
    sp->LoadSaveValue("sp_Discrete\x03\x01x\x04");
    EXPECT_EQ(Rows(sp), std::vector<std::string>{"|x"});
}

TEST(SelectPanel, TypingLookupAndLeavingInAShownWindow) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Range);
    sp->SetValueType(vt_Number);
    auto* other = new TEdit(f.form);
    other->SetParent(f.form);
    other->SetBounds(10, 100, 80, 21);
    std::vector<TObject*> opened;
    sp->OnOpenWinClick = [&](TObject* panel, TObject* part) {
        EXPECT_EQ(panel, sp);
        opened.push_back(part);
    };
    int exits = 0;
    sp->OnExit = [&](TObject* s) {
        EXPECT_EQ(s, sp);
        ++exits;
    };
    std::vector<TObject*> keySenders;
    sp->OnKeyDown = [&](TObject* s, WORD&, TShiftState) { keySenders.push_back(s); };

    sp->edBegin->SetFocus();
    QTest::keyClicks(sp->edBegin->LineEdit(), " 20 ");
    ClickControl(sp->btnFinal);
    ASSERT_EQ(f->Requests.size(), 1u);
    EXPECT_EQ(f->Requests[0], sp->edFinal);
    EXPECT_EQ(opened, std::vector<TObject*>{sp->edFinal});
    EXPECT_TRUE(sp->edFinal->Focused());
    QTest::keyClicks(sp->edFinal->LineEdit(), "3");
    EXPECT_FALSE(keySenders.empty());
    EXPECT_EQ(keySenders.back(), sp->edFinal);
    EXPECT_EQ(exits, 0);
    other->SetFocus();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(sp->edBegin->Text(), "3");
    EXPECT_EQ(sp->edFinal->Text(), "20");
}

TEST(SelectPanel, ListWorksWithKeyboardAndButtons) {
    ShownForm f;
    auto* sp = NewPanel(f.form, sp_Discrete);
    for (const char* s : {"a", "b", "c", "d"})
        sp->AddRow({s});
    std::vector<int> selected;
    sp->OnItemSelect = [&](TObject*, TListItem*, int index, bool on) {
        if (on)
            selected.push_back(index);
    };
    sp->SetFocus();
    EXPECT_TRUE(sp->ListBox->Focused());
    QWidget* view = sp->ListBox->ActiveView();
    QTest::keyClick(view, Qt::Key_Home);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(sp->ListBox->SelCount(), 2);
    EXPECT_FALSE(selected.empty());
    bool asked = false;
    sp->OnDeleteClick = [&](TObject* s, bool& accept) {
        EXPECT_EQ(s, sp->btnDeleteOne);
        accept = asked;
        asked = true;
    };
    ClickControl(sp->btnDeleteOne); // refused the first time
    EXPECT_EQ(Rows(sp).size(), 4u);
    ClickControl(sp->btnDeleteOne);
    EXPECT_EQ(Rows(sp), (std::vector<std::string>{"c", "d"}));
    ClickControl(sp->btnOpenWin);
    ASSERT_EQ(f->Requests.size(), 1u);
    EXPECT_EQ(f->Requests[0], sp->ListBox);
    int cleared = 0;
    sp->OnClearClick = [&](TObject* s) {
        EXPECT_EQ(s, sp->btnDeleteAll);
        ++cleared;
    };
    ClickControl(sp->btnDeleteAll);
    EXPECT_TRUE(Rows(sp).empty());
    EXPECT_EQ(cleared, 1);
}

namespace {
// The panel acts as one control for drag and drop: a drop on its list reaches the panel's
// own events with the panel as sender, in the panel's coordinates.
TEST(SelectPanel, DropOnThePartsReachesThePanelsEvents) {
    ShownForm f;
    TSelectPanel* sp = NewPanel(f.form, sp_Discrete);
    auto* source = new TEdit(f.form);
    source->SetName("edSource");
    source->SetParent(f.form);
    source->SetBounds(10, 80, 100, 21);
    QApplication::processEvents();

    TObject* endTarget = sp; // anything but what is expected
    source->OnEndDrag = [&](TObject*, TObject* target, int, int) { endTarget = target; };
    auto dropOnList = [&] {
        source->BeginDrag(true);
        TControl::DragTo(sp->ListBox->ClientToScreen({4, 6}));
        source->EndDrag(true);
    };

    // Without an OnDragOver on the panel its parts refuse the drop.
    std::vector<std::string> log;
    sp->OnDragDrop = [&](TObject* s, TObject* src, int x, int y) {
        TPoint expected = sp->ScreenToClient(sp->ListBox->ClientToScreen({4, 6}));
        EXPECT_EQ(x, expected.X);
        EXPECT_EQ(y, expected.Y);
        log.push_back("drop:" + std::string(s == sp ? "panel" : "other") + "<-" +
                      dynamic_cast<TComponent*>(src)->Name());
    };
    dropOnList();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(endTarget, nullptr);

    sp->OnDragOver = [&](TObject* s, TObject*, int, int, TDragState st, bool& accept) {
        if (st == dsDragEnter)
            log.push_back(std::string("over:") + (s == sp ? "panel" : "other"));
        accept = true;
    };
    dropOnList();
    EXPECT_EQ(log, (std::vector<std::string>{"over:panel", "drop:panel<-edSource"}));
    EXPECT_EQ(endTarget, sp->ListBox);
}
} // namespace
