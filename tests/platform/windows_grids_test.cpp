// The string grid: cell editing from the keyboard, column editors (edit button, pick list,
// toggles), refused cells, drawing hooks and properties by name.
#include "Forms.h"
#include "Grids.h"
#include "TypInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A receiver grid as the notification dialog uses it: a header row, code with an edit
// button, a kind list and a Y/N toggle.
class GridForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 300);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(8, 8, 420, 200);
        grid->SetColCount(4);
        grid->SetRowCount(3);
        grid->SetFixedCols(0);
        grid->SetDefaultRowHeight(18);
        grid->Rows(0)->SetCommaText("code,name,kind,msg");
        grid->SetColumnEditor(0, {esEllipsis, {}});
        grid->SetColumnEditor(2, {esPickList, {"1.系统用户", "5.Portal用户"}});
        grid->SetColumnEditor(3, {esToggle, {"Y", "N"}});
        SetPropText(grid, "Options",
                    "[goFixedVertLine,goFixedHorzLine,goVertLine,goHorzLine,goEditing,"
                    "goTabs,goAlwaysShowEditor]");
        grid->OnSetEditText = [this](TObject*, int c, int r, const std::string& v) {
            edits.push_back(std::to_string(c) + "," + std::to_string(r) + "=" + v);
        };
        form->Show();
        grid->SetFocus();
    }
    void TearDown() override { form->Free(); }
    // Keys as the user types them: into the open editor, else the grid.
    QWidget* Focus() const {
        QWidget* e = grid->InplaceEditor();
        return e ? (e->focusProxy() ? e->focusProxy() : e) : grid->Table();
    }
    void Type(const char* text) { QTest::keyClicks(Focus(), text); }
    void Key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(Focus(), k, m);
    }
    void ClickCell(int col, int row) {
        TRect r = grid->CellRect(col, row);
        QWidget* vp = grid->Table()->viewport();
        QPoint at = QPoint(r.Left + 5, r.Top + 5) - vp->pos();
        QTest::mouseClick(vp, Qt::LeftButton, {}, at);
    }
    std::pair<int, int> Current() const { return {grid->Col(), grid->Row()}; }

    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
    std::vector<std::string> edits;
};

TEST_F(GridForm, TypingEditsTheCurrentCellAndTabMovesOn) {
    EXPECT_EQ(Current(), std::make_pair(0, 1)); // the first cell below the header
    ASSERT_NE(grid->InplaceEditor(), nullptr);  // always shown
    Type("U1");
    // The cell follows every keystroke, so a dialog reads it with the editor still open.
    EXPECT_EQ(grid->Cells(0, 1), "U1");
    EXPECT_EQ(edits, (std::vector<std::string>{"0,1=U", "0,1=U1"}));
    Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    Type("Li");
    Key(Qt::Key_Tab);
    Key(Qt::Key_Tab);
    Key(Qt::Key_Tab); // past the last column: the next row
    EXPECT_EQ(Current(), std::make_pair(0, 2));
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Current(), std::make_pair(3, 1));
    EXPECT_EQ(grid->Rows(1)->ToVector(), (std::vector<std::string>{"U1", "Li", "", ""}));
    // The header row is never current.
    grid->SetCol(1);
    Key(Qt::Key_Up);
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    EXPECT_FALSE(grid->FocusCell(1, 0));
}

TEST_F(GridForm, EditorOpensOnTypingOrF2WhenNotAlwaysShown) {
    SetPropText(grid, "Options", "[goEditing,goVertLine,goHorzLine]");
    grid->SetFocus();
    grid->SetCells(1, 2, "old");
    grid->SetCol(1);
    grid->SetRow(2);
    EXPECT_FALSE(grid->EditorMode());
    // A typed character replaces the text.
    Type("n");
    EXPECT_TRUE(grid->EditorMode());
    Type("ew");
    EXPECT_EQ(grid->Cells(1, 2), "new");
    grid->SetEditorMode(false);
    // F2 opens the editor on the text OnGetEditText gives.
    grid->OnGetEditText = [](TObject*, int, int, std::string& v) { v = "[" + v + "]"; };
    Key(Qt::Key_F2);
    auto* edit = qobject_cast<QLineEdit*>(grid->InplaceEditor());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), "[new]");
    // Without goEditing nothing opens.
    grid->SetEditorMode(false);
    SetPropText(grid, "Options", "[goRowSelect]");
    Type("x");
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(1, 2), "new");
}

TEST_F(GridForm, SelectCellMayRefuseMouseKeysAndCode) {
    grid->OnSelectCell = [](TObject*, int c, int r, bool& can) { can = !(c == 1 && r == 2); };
    grid->SetCol(1);
    ASSERT_EQ(Current(), std::make_pair(1, 1));
    ClickCell(1, 2);
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), std::make_pair(1, 1));
    EXPECT_FALSE(grid->FocusCell(1, 2));
    // Allowed cells still move, by mouse and by key.
    ClickCell(0, 2);
    EXPECT_EQ(Current(), std::make_pair(0, 2));
    Key(Qt::Key_Up);
    EXPECT_EQ(Current(), std::make_pair(0, 1));
}

TEST_F(GridForm, ColumnEditorsPickToggleAndButton) {
    // Pick list: the editor is a list of the column's items.
    grid->SetCol(2);
    auto* combo = qobject_cast<QComboBox*>(grid->InplaceEditor());
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 2);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(grid->Cells(2, 1), "1.系统用户");
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(grid->Cells(2, 1), "5.Portal用户");
    EXPECT_EQ(edits.back(), "2,1=5.Portal用户");

    // Toggle: empty → Y → N → Y, by click and by Space; no editor opens.
    ClickCell(3, 2);
    EXPECT_EQ(Current(), std::make_pair(3, 2));
    EXPECT_EQ(grid->Cells(3, 2), "Y");
    EXPECT_EQ(grid->InplaceEditor(), nullptr);
    ClickCell(3, 2);
    EXPECT_EQ(grid->Cells(3, 2), "N");
    Key(Qt::Key_Space);
    EXPECT_EQ(grid->Cells(3, 2), "Y");
    EXPECT_EQ(edits.back(), "3,2=Y");
    // The header of a toggle column is no toggle.
    EXPECT_FALSE(grid->ToggleCell(3, 0));

    // Edit button: raises OnEditButtonClick; what the handler writes shows in the editor.
    int pressed = 0;
    grid->OnEditButtonClick = [&](TObject* sender) {
        ++pressed;
        auto* g = dynamic_cast<TStringGrid*>(sender);
        g->SetCells(g->Col(), g->Row(), "U07");
    };
    grid->SetCol(0);
    QWidget* editor = grid->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    auto* button = editor->findChild<QToolButton*>("EditButton");
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(editor->findChild<QLineEdit*>()->text().toStdString(), "U07");
    EXPECT_EQ(grid->Cells(0, 2), "U07");
}

TEST_F(GridForm, KeysInTheEditorReachTheGridsKeyEvents) {
    // The dialog appends a row on Down in the last row and handles F2 itself.
    std::vector<WORD> keys;
    grid->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        keys.push_back(key);
        if (key == VK_DOWN && grid->Row() == grid->RowCount() - 1) {
            grid->SetRowCount(grid->RowCount() + 1);
            grid->SetRow(grid->RowCount() - 1);
            key = 0;
        }
    };
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    Key(Qt::Key_F2);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(keys, (std::vector<WORD>{VK_F2, VK_DOWN, VK_DOWN}));
}

TEST_F(GridForm, SizesListsAndPropertiesByName) {
    SetPropText(grid, "ColCount", "8");
    SetPropText(grid, "RowCount", "5");
    SetPropText(grid, "DefaultRowHeight", "20");
    EXPECT_EQ(grid->ColCount(), 8);
    EXPECT_EQ(grid->RowHeights(4), 20);
    grid->SetColWidths(0, 47);
    EXPECT_EQ(grid->ColWidths(0), 47);
    EXPECT_EQ(grid->CellRect(1, 0).Left - grid->CellRect(0, 0).Left, 47);
    EXPECT_EQ(GetPropText(grid, "FixedRows"), "1");
    EXPECT_TRUE(HasPropByName(grid, "OnSelectCell"));
    EXPECT_NE(GetPropText(grid, "Options").find("goAlwaysShowEditor"), std::string::npos);

    // Lines have the grid's length; Add fills the first empty cell.
    TStrings* col1 = grid->Cols(1);
    EXPECT_EQ(col1->Count(), 5);
    col1->Clear();
    EXPECT_EQ(col1->Add("a"), 0);
    EXPECT_EQ(col1->Add("b"), 1);
    EXPECT_EQ(grid->Cells(1, 1), "b");
    EXPECT_THROW(col1->Insert(0, "x"), EInvalidOperation);
    TStringList headers;
    headers.SetCommaText("收件人,姓名");
    grid->SetRows(0, &headers);
    EXPECT_EQ(grid->Cells(0, 0), "收件人");
    EXPECT_EQ(grid->Cells(2, 0), "");
    // Shrinking keeps the current cell inside the grid.
    grid->SetRow(4);
    grid->SetRowCount(2);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_THROW(grid->SetCells(0, 5, "x"), EInvalidOperation);
    EXPECT_THROW(grid->SetFixedRows(2), EInvalidOperation);
}

TEST_F(GridForm, DrawCellPaintsOnTheGridsCanvas) {
    grid->SetCells(1, 1, "text");
    std::vector<std::pair<int, int>> fixedCells;
    grid->OnDrawCell = [&](TObject*, int c, int r, TRect rect, TGridDrawState state) {
        if (state.Contains(gdFixed))
            fixedCells.emplace_back(c, r);
        if (c == 2 && r == 2) {
            grid->Canvas()->Brush()->SetColor(clRed);
            grid->Canvas()->FillRect(rect);
        }
    };
    QImage img = grid->Widget()->grab().toImage();
    EXPECT_EQ(fixedCells.size(), 4u); // the header row
    TRect r = grid->CellRect(2, 2);
    EXPECT_EQ(QColor(img.pixel(r.Left + r.Width() / 2, r.Top + r.Height() / 2)), QColor(Qt::red));
    TRect other = grid->CellRect(1, 2);
    EXPECT_NE(QColor(img.pixel(other.Left + 5, other.Top + 5)), QColor(Qt::red));
}

} // namespace
