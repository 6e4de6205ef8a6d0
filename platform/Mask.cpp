#include "Mask.h"

#include "TypInfo.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

// ---------------------------------------------------------------------------------------
// The mask engine

static std::u32string U32(const std::string& s) {
    return QString::fromStdString(s).toStdU32String();
}
static std::string U8(const std::u32string& s) {
    return QString::fromStdU32String(s).toStdString();
}

TEditMask::TEditMask(const std::string& maskText) {
    std::u32string m = U32(maskText);
    // Split off the save and blank fields: unescaped ';' separate them.
    std::vector<std::u32string> fields(1);
    for (size_t i = 0; i < m.size(); ++i) {
        if (m[i] == U'\\' && i + 1 < m.size() && fields.size() == 1) {
            fields.back() += m[i];
            fields.back() += m[++i];
            continue;
        }
        if (m[i] == U';' && fields.size() < 3) {
            fields.emplace_back();
            continue;
        }
        fields.back() += m[i];
    }
    if (fields.size() >= 2 && !fields[1].empty())
        save_ = fields[1][0] != U'0';
    if (fields.size() >= 3 && !fields[2].empty())
        blank_ = fields[2][0];
    const std::u32string& mask = fields[0];
    int caseMode = 0;
    for (size_t i = 0; i < mask.size(); ++i) {
        char32_t c = mask[i];
        Cell cell;
        switch (c) {
        case U'!':
            reverse_ = true;
            continue;
        case U'>':
            if (i + 1 < mask.size() && mask[i + 1] == U'<') {
                caseMode = 0;
                ++i;
            } else {
                caseMode = 1;
            }
            continue;
        case U'<':
            caseMode = 2;
            continue;
        case U'\\':
            if (i + 1 < mask.size())
                cell.literal = mask[++i];
            break;
        case U'L':
            cell = {Letter, true};
            break;
        case U'l':
            cell = {Letter, false};
            break;
        case U'A':
            cell = {AlphaNum, true};
            break;
        case U'a':
            cell = {AlphaNum, false};
            break;
        case U'C':
            cell = {AnyChar, true};
            break;
        case U'c':
            cell = {AnyChar, false};
            break;
        case U'0':
            cell = {Digit, true};
            break;
        case U'9':
            cell = {Digit, false};
            break;
        case U'#':
            cell = {DigitSign, false};
            break;
        case U'_':
            cell.literal = U' ';
            break;
        default:
            cell.literal = c;
            break;
        }
        cell.caseMode = caseMode;
        cells_.push_back(cell);
    }
}

bool TEditMask::IsLiteral(int pos) const {
    return pos < 0 || pos >= Length() || cells_[static_cast<size_t>(pos)].kind == Literal;
}

bool TEditMask::Accepts(int pos, char32_t& ch) const {
    if (IsLiteral(pos))
        return false;
    const Cell& c = cells_[static_cast<size_t>(pos)];
    QChar q = ch < 0x10000 ? QChar(static_cast<char16_t>(ch)) : QChar();
    if (c.caseMode == 1)
        q = q.toUpper();
    else if (c.caseMode == 2)
        q = q.toLower();
    if (ch < 0x10000)
        ch = q.unicode();
    switch (c.kind) {
    case Letter:
        return q.isLetter();
    case AlphaNum:
        return q.isLetterOrNumber();
    case AnyChar:
        return ch >= 0x20;
    case Digit:
        return ch >= U'0' && ch <= U'9';
    case DigitSign:
        return (ch >= U'0' && ch <= U'9') || ch == U'+' || ch == U'-';
    default:
        return false;
    }
}

int TEditMask::NextEditable(int pos) const {
    for (int i = std::max(0, pos); i < Length(); ++i)
        if (!IsLiteral(i))
            return i;
    return -1;
}

int TEditMask::PrevEditable(int pos) const {
    for (int i = std::min(pos, Length() - 1); i >= 0; --i)
        if (!IsLiteral(i))
            return i;
    return -1;
}

std::u32string TEditMask::EmptyEditText() const {
    std::u32string s;
    for (const Cell& c : cells_)
        s += c.kind == Literal ? c.literal : blank_;
    return s;
}

std::u32string TEditMask::EditTextFromText(const std::u32string& text) const {
    std::u32string edit = EmptyEditText();
    if (save_) {
        // The text lines up with every position, literals included.
        for (int i = 0; i < Length() && i < static_cast<int>(text.size()); ++i) {
            char32_t ch = text[static_cast<size_t>(i)];
            if (!IsLiteral(i) && ch != U' ' && Accepts(i, ch))
                edit[static_cast<size_t>(i)] = ch;
        }
        return edit;
    }
    return EditTextFromEntered(text);
}

std::u32string TEditMask::EnteredFromEditText(const std::u32string& edit) const {
    std::u32string out;
    for (int i = 0; i < Length() && i < static_cast<int>(edit.size()); ++i)
        if (!IsLiteral(i))
            out += edit[static_cast<size_t>(i)] == blank_ ? U' ' : edit[static_cast<size_t>(i)];
    return out;
}

std::u32string TEditMask::EditTextFromEntered(const std::u32string& text) const {
    std::u32string edit = EmptyEditText();
    // They fill the editable positions in order, from the right when the mask asks for
    // right alignment.
    std::vector<int> positions;
    for (int i = 0; i < Length(); ++i)
        if (!IsLiteral(i))
            positions.push_back(i);
    size_t n = std::min(positions.size(), text.size());
    size_t offset = reverse_ ? positions.size() - n : 0;
    for (size_t k = 0; k < n; ++k) {
        int pos = positions[offset + k];
        char32_t ch = text[k];
        if (ch != U' ' && Accepts(pos, ch))
            edit[static_cast<size_t>(pos)] = ch;
    }
    return edit;
}

std::u32string TEditMask::TextFromEditText(const std::u32string& edit) const {
    std::u32string text;
    for (int i = 0; i < Length(); ++i) {
        char32_t ch = i < static_cast<int>(edit.size()) ? edit[static_cast<size_t>(i)] : blank_;
        if (IsLiteral(i)) {
            if (save_)
                text += cells_[static_cast<size_t>(i)].literal;
            continue;
        }
        text += ch == blank_ ? U' ' : ch;
    }
    return text;
}

int TEditMask::FirstMissing(const std::u32string& edit) const {
    for (int i = 0; i < Length(); ++i) {
        const Cell& c = cells_[static_cast<size_t>(i)];
        if (c.kind != Literal && c.required &&
            (i >= static_cast<int>(edit.size()) || edit[static_cast<size_t>(i)] == blank_ ||
             edit[static_cast<size_t>(i)] == U' '))
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------
// The control

namespace {
// A line edit whose editing keys go through the mask.
class TMaskLineEdit : public QLineEdit {
public:
    TMaskEdit* owner = nullptr;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (owner && owner->IsMasked() && !isReadOnly() && owner->MaskKey(e->key(), e->text())) {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        if (owner && owner->IsMasked() && !isReadOnly()) {
            if (!e->commitString().isEmpty())
                owner->MaskInsert(e->commitString());
            e->accept();
            return;
        }
        QLineEdit::inputMethodEvent(e);
    }
};
} // namespace

STEWARD_REGISTER_CLASS(TMaskEdit, [](TPropertyBuilder<TMaskEdit>& b) {
    b.Str("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask);
    b.Str("EditText", &TMaskEdit::EditText, &TMaskEdit::SetEditText);
    b.Str("Text", &TMaskEdit::GetText, &TMaskEdit::SetText);
});

TMaskEdit::TMaskEdit(TComponent* owner) : TEdit(owner, new TMaskLineEdit) {
    static_cast<TMaskLineEdit*>(LineEdit())->owner = this;
}

void TMaskEdit::SetEditMask(const std::string& mask) {
    // The entered characters carry over to the new mask; the old literals do not.
    std::u32string entered = engine_.IsMasked()
                                 ? engine_.EnteredFromEditText(LineEdit()->text().toStdU32String())
                                 : LineEdit()->text().toStdU32String();
    std::string text = U8(entered);
    mask_ = mask;
    engine_ = TEditMask(mask);
    if (engine_.IsMasked()) {
        LineEdit()->setMaxLength(engine_.Length());
        LineEdit()->setText(QString::fromStdU32String(engine_.EditTextFromEntered(entered)));
    } else {
        SetMaxLength(MaxLength());
        LineEdit()->setText(QString::fromStdString(text));
    }
}

std::string TMaskEdit::EditText() const {
    return LineEdit()->text().toStdString();
}

void TMaskEdit::SetEditText(const std::string& s) {
    if (!engine_.IsMasked()) {
        TEdit::SetText(s);
        return;
    }
    std::u32string edit = engine_.EmptyEditText();
    std::u32string in = U32(s);
    for (int i = 0; i < engine_.Length() && i < static_cast<int>(in.size()); ++i) {
        char32_t ch = in[static_cast<size_t>(i)];
        if (!engine_.IsLiteral(i) && engine_.Accepts(i, ch))
            edit[static_cast<size_t>(i)] = ch;
    }
    LineEdit()->setText(QString::fromStdU32String(edit));
}

std::string TMaskEdit::GetText() const {
    if (!engine_.IsMasked())
        return TEdit::GetText();
    return U8(engine_.TextFromEditText(LineEdit()->text().toStdU32String()));
}

void TMaskEdit::SetText(const std::string& s) {
    if (!engine_.IsMasked()) {
        TEdit::SetText(s);
        return;
    }
    QString edit = QString::fromStdU32String(engine_.EditTextFromText(U32(s)));
    if (edit != LineEdit()->text())
        LineEdit()->setText(edit);
}

void TMaskEdit::ValidateEdit() {
    if (!engine_.IsMasked())
        return;
    int missing = engine_.FirstMissing(LineEdit()->text().toStdU32String());
    if (missing >= 0) {
        LineEdit()->setCursorPosition(missing);
        throw EDBEditError("Invalid input value.  Use escape key to abandon changes");
    }
}

void TMaskEdit::DoExit() {
    if (Modified() && !Quiet())
        ValidateEdit();
    TEdit::DoExit();
}

void TMaskEdit::MaskInsert(const QString& text) {
    QLineEdit* e = LineEdit();
    std::u32string edit = e->text().toStdU32String();
    int pos = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    if (e->hasSelectedText()) {
        int end = e->selectionStart() + e->selectionLength();
        for (int i = pos; i < end && i < engine_.Length(); ++i)
            if (!engine_.IsLiteral(i))
                edit[static_cast<size_t>(i)] = engine_.Blank();
    }
    for (char32_t ch : text.toStdU32String()) {
        int p = engine_.NextEditable(pos);
        if (p < 0)
            break;
        if (!engine_.Accepts(p, ch))
            break; // a character the position refuses ends the insertion
        edit[static_cast<size_t>(p)] = ch;
        pos = p + 1;
    }
    // The caret skips the literals that follow.
    int next = engine_.NextEditable(pos);
    e->setText(QString::fromStdU32String(edit));
    e->setCursorPosition(next < 0 ? engine_.Length() : next);
}

bool TMaskEdit::MaskKey(int key, const QString& text) {
    QLineEdit* e = LineEdit();
    std::u32string edit = e->text().toStdU32String();
    auto blankRange = [&](int from, int to) {
        for (int i = from; i < to && i < engine_.Length(); ++i)
            if (!engine_.IsLiteral(i))
                edit[static_cast<size_t>(i)] = engine_.Blank();
    };
    switch (key) {
    case Qt::Key_Backspace: {
        int pos = e->cursorPosition();
        if (e->hasSelectedText()) {
            pos = e->selectionStart();
            blankRange(pos, pos + e->selectionLength());
        } else {
            int p = engine_.PrevEditable(pos - 1);
            if (p < 0)
                return true;
            edit[static_cast<size_t>(p)] = engine_.Blank();
            pos = p;
        }
        e->setText(QString::fromStdU32String(edit));
        e->setCursorPosition(pos);
        return true;
    }
    case Qt::Key_Delete: {
        int pos = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
        blankRange(pos, e->hasSelectedText() ? pos + e->selectionLength() : pos + 1);
        e->setText(QString::fromStdU32String(edit));
        e->setCursorPosition(pos);
        return true;
    }
    default:
        break;
    }
    if (text.isEmpty() || text[0].unicode() < 0x20)
        return false; // navigation and shortcuts (copy, select all) stay the edit's
    if (QKeySequence(key) == QKeySequence::Paste)
        return false;
    MaskInsert(text);
    return true;
}
