// The selection panel: styles and layout, range ordering, list operations, saved values,
// and use through the keyboard and mouse in a shown window.
#include "SelectPnl.h"
#include "TypInfo.h"
#include "components_test_support.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
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
