#include "Spin.h"

#include "TypInfo.h"

#include <QApplication>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <charconv>
#include <climits>

namespace {
constexpr int kButtonWidth = 15;
} // namespace

STEWARD_REGISTER_CLASS(TSpinEdit, [](TPropertyBuilder<TSpinEdit>& b) {
    b.Int("MinValue", &TSpinEdit::MinValue, &TSpinEdit::SetMinValue);
    b.Int("MaxValue", &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue);
    b.Int("Value", &TSpinEdit::Value, &TSpinEdit::SetValue);
    b.Int("Increment", &TSpinEdit::Increment, &TSpinEdit::SetIncrement);
    b.Bool("EditorEnabled", &TSpinEdit::EditorEnabled, &TSpinEdit::SetEditorEnabled);
});

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner, new QLineEdit) {
    QLineEdit* edit = LineEdit();
    auto makeButton = [&](Qt::ArrowType arrow, void (TSpinEdit::*step)()) {
        auto* b = new QToolButton(edit);
        b->setArrowType(arrow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(100);
        b->setIconSize(QSize(7, 4));
        b->setStyleSheet("QToolButton { border: 1px solid palette(mid); padding: 0px;"
                         " background: palette(button); }"
                         "QToolButton:pressed { background: palette(midlight); }");
        QObject::connect(b, &QToolButton::clicked, b, [this, step] {
            Guard([&] {
                // A click on the buttons brings the focus to the edit, as on the text.
                if (!Focused() && CanFocus())
                    SetFocus();
                (this->*step)();
            });
        });
        return b;
    };
    up_ = makeButton(Qt::UpArrow, &TSpinEdit::UpClick);
    down_ = makeButton(Qt::DownArrow, &TSpinEdit::DownClick);
    edit->setTextMargins(0, 0, kButtonWidth, 0);
    PlaceButtons();
}

TSpinEdit::~TSpinEdit() = default;

void TSpinEdit::PlaceButtons() {
    QWidget* w = Widget();
    if (!w || !up_)
        return;
    int h = std::max(0, w->height() - 2);
    int top = h / 2;
    int x = w->width() - kButtonWidth - 1;
    up_->setGeometry(x, 1, kButtonWidth, top);
    down_->setGeometry(x, 1 + top, kButtonWidth, h - top);
}

void TSpinEdit::Resized() {
    PlaceButtons();
    TCustomEdit::Resized();
}

int TSpinEdit::CheckValue(int v) const {
    if (maxValue_ > minValue_)
        return std::clamp(v, minValue_, maxValue_);
    return v;
}

int TSpinEdit::Value() const {
    std::string t = GetText();
    // Blanks around the number are tolerated, as the user may leave them.
    auto first = t.find_first_not_of(' ');
    auto last = t.find_last_not_of(' ');
    if (first == std::string::npos)
        return CheckValue(minValue_);
    std::string_view s(t.data() + first, last - first + 1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return CheckValue(minValue_);
    return CheckValue(v);
}

void TSpinEdit::SetValue(int v) {
    SetText(std::to_string(CheckValue(v)));
}

void TSpinEdit::UpClick() {
    if (ReadOnly()) {
        QApplication::beep();
        return;
    }
    long long next = static_cast<long long>(Value()) + increment_;
    SetValue(static_cast<int>(std::clamp<long long>(next, INT_MIN, INT_MAX)));
}

void TSpinEdit::DownClick() {
    if (ReadOnly()) {
        QApplication::beep();
        return;
    }
    long long next = static_cast<long long>(Value()) - increment_;
    SetValue(static_cast<int>(std::clamp<long long>(next, INT_MIN, INT_MAX)));
}

bool TSpinEdit::DoKeyDown(WORD& key, TShiftState shift) {
    if (!TCustomEdit::DoKeyDown(key, shift))
        return false;
    if (key == VK_UP || key == VK_DOWN) {
        if (key == VK_UP)
            UpClick();
        else
            DownClick();
        key = 0;
        return false;
    }
    if (!editorEnabled_ && (key == VK_DELETE || key == VK_BACK)) {
        key = 0;
        return false;
    }
    return true;
}

bool TSpinEdit::IsValidChar(char key) const {
    bool valid = (key >= '0' && key <= '9') || key == '+' || key == '-' ||
                 (static_cast<unsigned char>(key) < 32 && key != '\r');
    if (valid && !editorEnabled_ && (static_cast<unsigned char>(key) >= 32 || key == '\b'))
        valid = false;
    return valid;
}

bool TSpinEdit::DoKeyPress(char& key) {
    if (!IsValidChar(key)) {
        key = 0;
        return false;
    }
    return TCustomEdit::DoKeyPress(key);
}

void TSpinEdit::DoExit() {
    TCustomEdit::DoExit();
    // A number out of range is corrected when the user leaves; a blank text stays blank.
    int v = Value();
    std::string t = GetText();
    int typed = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), typed);
    if (ec == std::errc() && end == t.data() + t.size() && typed != v)
        SetValue(v);
}
