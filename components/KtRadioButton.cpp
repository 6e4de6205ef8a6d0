#include "KtRadioButton.h"

#include "TypInfo.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>
#include <array>
#include <utility>

namespace {
constexpr int kDefaultWidth = 113;
constexpr int kDefaultHeight = 17;
constexpr int kCaptionMargin = 4;

// The radio button widget paints the circle; the control paints the caption on top.
class TCaptionRadio : public QRadioButton {
public:
    explicit TCaptionRadio(TKtRadioButton* owner) : owner_(owner) { setAutoExclusive(false); }

protected:
    void paintEvent(QPaintEvent* e) override {
        QRadioButton::paintEvent(e);
        QPainter p(this);
        owner_->PaintCaption(p);
    }

private:
    TKtRadioButton* owner_;
};
} // namespace

STEWARD_REGISTER_CLASS(TKtRadioButton, [](TPropertyBuilder<TKtRadioButton>& b) {
    static const TTypeInfo& align =
        b.Own(MakeEnumType("TLeftRight", {"taLeftJustify", "taRightJustify"}));
    using C = TKtRadioButton;
    b.Bool("Checked", &C::Checked, &C::SetChecked);
    b.Ord("Alignment", align, &C::Alignment, &C::SetAlignment);
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
    b.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
});

TKtRadioButton::TKtRadioButton(TComponent* owner) : TButtonControl(owner, new TCaptionRadio(this)) {
    SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
    accel_ = std::make_unique<TAcceleratorHook>(this);
    // The widget's own toggling is undone: the state is the control's, and a click only
    // ever checks.
    QObject::connect(RadioButton(), &QRadioButton::clicked, RadioButton(), [this](bool) {
        RadioButton()->setChecked(checked_);
        Guard([&] { SetChecked(true); });
    });
}

TKtRadioButton::~TKtRadioButton() = default;

QRadioButton* TKtRadioButton::RadioButton() const {
    return static_cast<QRadioButton*>(Widget());
}

int TKtRadioButton::CaptionOffset(int points) {
    static constexpr std::array<std::pair<int, int>, 10> kOffsets{{{8, 17},
                                                                   {15, 19},
                                                                   {17, 20},
                                                                   {23, 21},
                                                                   {29, 23},
                                                                   {35, 25},
                                                                   {41, 27},
                                                                   {43, 29},
                                                                   {60, 31},
                                                                   {80, 39}}};
    constexpr int kOther = 44;
    if (points < 1)
        return kOther;
    for (auto [upTo, offset] : kOffsets)
        if (points <= upTo)
            return offset;
    return kOther;
}

void TKtRadioButton::SetText(const std::string& s) {
    if (s == caption_)
        return;
    caption_ = s;
    accel_->Update(s);
    Invalidate();
    if (!Quiet())
        Perform(CM_TEXTCHANGED, 0, 0);
}

void TKtRadioButton::SetAlignment(TAlignment a) {
    if (a == alignment_)
        return;
    alignment_ = a;
    RadioButton()->setLayoutDirection(a == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    Invalidate();
}

void TKtRadioButton::SetChecked(bool v) {
    if (v == checked_)
        return;
    checked_ = v;
    SetTabStop(v);
    RadioButton()->setChecked(v);
    if (!v)
        return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TKtRadioButton*>(parent->Controls(i));
                sibling && sibling != this)
                sibling->SetChecked(false);
    if (!clicksDisabled_)
        Click();
}

TRect TKtRadioButton::CaptionArea() const {
    QFontMetrics fm(Font()->ToQFont());
    std::string shown = StripAccel(caption_).shown;
    int textWidth = fm.horizontalAdvance(QString::fromStdString(shown));
    int x = alignment_ == taRightJustify ? CaptionOffset(Font()->Size())
                                         : Width() - CaptionOffset(Font()->Size()) - textWidth;
    int top = (Height() - fm.height()) / 2;
    return Rect(x - kCaptionMargin, top - kCaptionMargin, x + textWidth + kCaptionMargin,
                top + fm.height() + kCaptionMargin);
}

void TKtRadioButton::PaintCaption(QPainter& p) {
    if (caption_.empty())
        return;
    TRect area = CaptionArea();
    QRect box(area.Left, area.Top, area.Width(), area.Height());
    QColor back = ColorToQColor(Color());
    p.setPen(back);
    p.setBrush(back);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setFont(Font()->ToQFont());
    p.setPen(ColorToQColor(Font()->Color()));
    QRect text = box.adjusted(kCaptionMargin, 0, -kCaptionMargin, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
               QString::fromStdString(caption_));
}

void TKtRadioButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_DIALOGCHAR:
        if (CanFocus())
            SetFocus();
        m.Result = 1;
        return;
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
    TButtonControl::WndProc(m);
}
