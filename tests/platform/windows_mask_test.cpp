// Masked edits: typing through the mask, Text with and without literals, blanks, checks.
#include "Forms.h"
#include "Mask.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct MaskCase {
    const char* mask;
    const char* typed; // typed keys; '<' stands for Backspace
    const char* editText;
    const char* text;
};

class MaskTyping : public ::testing::TestWithParam<MaskCase> {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        edit = new TMaskEdit(form);
        edit->SetParent(form);
    }
    void TearDown() override { form->Free(); }
    TForm* form = nullptr;
    TMaskEdit* edit = nullptr;
};

TEST_P(MaskTyping, TypedKeysGiveEditTextAndText) {
    const MaskCase& c = GetParam();
    edit->SetEditMask(c.mask);
    edit->LineEdit()->setCursorPosition(0);
    for (const char* p = c.typed; *p; ++p) {
        if (*p == '<')
            QTest::keyClick(edit->Widget(), Qt::Key_Backspace);
        else
            QTest::keyClicks(edit->Widget(), QString(QChar(*p)));
    }
    EXPECT_EQ(edit->EditText(), c.editText);
    EXPECT_EQ(edit->Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MaskTyping,
    ::testing::Values(
        // Cleared date with a space as blank: literals stay in Text.
        MaskCase{"9999/99/99;1; ", "", "    /  /  ", "    /  /  "},
        MaskCase{"9999/99/99;1; ", "20240131", "2024/01/31", "2024/01/31"},
        // Literals dropped from Text; unfilled positions read as spaces.
        MaskCase{"9999/99/99;0;_", "2024", "2024/__/__", "2024    "},
        // Backspace blanks the previous editable position, skipping the literal.
        MaskCase{"9999/99/99;1;_", "20240<<", "202_/__/__", "202 /  /  "},
        // Case conversion and classes: a refused character does not move the caret.
        MaskCase{">LL-000;1;_", "ab1x23", "AB-123", "AB-123"},
        MaskCase{"000;1;_", "1x2", "12_", "12 "},
        // Escaped literals and a custom blank.
        MaskCase{"\\(999\\);0;*", "12", "(12*)", "12 "},
        // The default blank is '_' and literals are kept by default.
        MaskCase{"99:99", "7", "7_:__", "7 :  "},
        // No mask: a plain edit.
        MaskCase{"", "abc", "abc", "abc"}));

TEST(MaskEdit, TextInAndOutAndRequiredPositions) {
    TForm* form = Create<TForm>(nullptr);
    auto* edit = new TMaskEdit(form);
    edit->SetParent(form);

    edit->SetEditMask("9999/99/99;1;_");
    edit->SetText("2024/01/31");
    EXPECT_EQ(edit->EditText(), "2024/01/31");
    edit->SetText("");
    EXPECT_EQ(edit->Text(), "    /  /  ");

    edit->SetEditMask("9999/99/99;0;_");
    edit->SetText("20240131");
    EXPECT_EQ(edit->EditText(), "2024/01/31");
    EXPECT_EQ(edit->Text(), "20240131");

    // Changing the mask keeps the value.
    edit->SetEditMask("9999-99-99;1;_");
    EXPECT_EQ(edit->EditText(), "2024-01-31");

    edit->SetEditMask("000;1;_");
    edit->SetText("12");
    EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
    edit->SetText("123");
    EXPECT_NO_THROW(edit->ValidateEdit());
    form->Free();
}

} // namespace
