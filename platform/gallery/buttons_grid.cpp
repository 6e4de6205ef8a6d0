// Gallery section: picture buttons (with the suite's glyph library), spin edits and the
// string grid with its column editors.
#include "Buttons.h"
#include "Grids.h"
#include "Spin.h"
#include "TvResD5.h"

#include <memory>

namespace {

std::unique_ptr<TBitmap> Glyph(int id) {
    auto b = std::make_unique<TBitmap>();
    LoadBmp(b.get(), id);
    return b;
}

template <class T>
T* Put(TForm* form, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

TSpeedButton* Speed(TForm* form, TWinControl* parent, const char* name, int left, int top,
                    int glyph) {
    auto* b = Put<TSpeedButton>(form, parent, name, left, top, 23, 22);
    b->SetGlyph(Glyph(glyph).get());
    return b;
}

} // namespace

// Adds the section below the form's other controls, making the form taller to hold it.
void AddButtonsGridSection(TForm* form) {
    constexpr int kHeight = 196;
    form->SetHeight(form->Height() + kHeight);
    // Aligned to the bottom, it settles above the button panel; the rest keeps its room.
    auto* box = Put<TGroupBox>(form, form, "gbButtonsGrid", 0, 0, 636, kHeight);
    box->SetAlign(alBottom);
    box->SetCaption("按钮、微调框与表格 Buttons, spin edits, grid");

    // Bitmap buttons: a glyph from the library, its disabled state, a kind, glyph on top.
    auto* bbOk = Put<TBitBtn>(form, box, "bbOk", 10, 22, 80, 25);
    bbOk->SetGlyph(Glyph(1).get());
    bbOk->SetCaption("确定");
    auto* bbOff = Put<TBitBtn>(form, box, "bbOff", 96, 22, 80, 25);
    bbOff->SetGlyph(Glyph(2).get());
    bbOff->SetCaption("取消");
    bbOff->SetEnabled(false);
    auto* bbKind = Put<TBitBtn>(form, box, "bbKind", 182, 22, 80, 25);
    bbKind->SetKind(bkCancel);
    auto* bbTop = Put<TBitBtn>(form, box, "bbTop", 268, 14, 60, 42);
    bbTop->SetGlyph(Glyph(9).get());
    bbTop->SetCaption("日期");
    bbTop->SetLayout(blGlyphTop);
    bbTop->SetSpacing(1);

    // Speed buttons: flat lookup buttons, a raised one, a latched group, a disabled strip.
    Speed(form, box, "sbLookup", 340, 24, 8)->SetFlat(true);
    Speed(form, box, "sbCalendar", 364, 24, 9)->SetFlat(true);
    Speed(form, box, "sbUsers", 392, 24, 39);
    for (int i = 0; i < 3; ++i) {
        static const char* names[] = {"sbLeft", "sbCentre", "sbRight"};
        static const char* captions[] = {"左", "中", "右"};
        auto* b = Put<TSpeedButton>(form, box, names[i], 424 + 24 * i, 24, 23, 22);
        b->SetCaption(captions[i]);
        b->SetGroupIndex(1);
        b->SetDown(i == 1);
    }
    auto* sbAll = Speed(form, box, "sbDeleteAll", 504, 24, 4);
    sbAll->SetFlat(true);
    sbAll->SetEnabled(false);
    auto* sbText = Put<TSpeedButton>(form, box, "sbText", 532, 20, 92, 30);
    sbText->SetGlyph(Glyph(5).get());
    sbText->SetCaption("查询 Query");

    // Spin edits.
    auto* seHour = Put<TSpinEdit>(form, box, "seHour", 10, 62, 60, 21);
    seHour->SetMaxValue(23);
    seHour->SetValue(8);
    auto* seDays = Put<TSpinEdit>(form, box, "seDays", 76, 62, 70, 21);
    seDays->SetMinValue(-999);
    seDays->SetMaxValue(999);
    seDays->SetValue(-30);
    auto* seOff = Put<TSpinEdit>(form, box, "seOff", 152, 62, 60, 21);
    seOff->SetValue(1);
    seOff->SetEnabled(false);

    // String grid with the receiver columns: edit button, kind list, Y/N toggles.
    auto* grid = Put<TStringGrid>(form, box, "grReceive", 10, 90, 616, 90);
    grid->SetColCount(6);
    grid->SetRowCount(4);
    grid->SetFixedCols(0);
    grid->SetDefaultRowHeight(18);
    grid->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goEditing, goTabs,
                      goAlwaysShowEditor, goColSizing});
    const int widths[] = {70, 80, 110, 120, 60, 60};
    for (int c = 0; c < 6; ++c)
        grid->SetColWidths(c, widths[c]);
    grid->Rows(0)->SetCommaText("收件人,姓名,手机号码,类型,消息,短信");
    const char* rows[2][6] = {{"U001", "张三", "13800000000", "1.系统用户", "Y", "N"},
                              {"U002", "李四", "", "5.Portal用户", "N", "Y"}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 6; ++c)
            grid->SetCells(c, r + 1, rows[r][c]);
    grid->SetColumnEditor(0, {esEllipsis, {}});
    grid->SetColumnEditor(3, {esPickList, {"1.系统用户", "5.Portal用户"}});
    grid->SetColumnEditor(4, {esToggle, {"Y", "N"}});
    grid->SetColumnEditor(5, {esToggle, {"Y", "N"}});
    grid->SetCol(1);
    grid->SetRow(2);
}
