#include "StdCtrls.h"

#include "TypInfo.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

static QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
static std::string S(const QString& s) {
    return s.toStdString();
}

namespace {
const TTypeInfo& ScrollStyleType() {
    static const TTypeInfo t =
        MakeEnumType("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    return t;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Widget-backed string lists

STEWARD_REGISTER_CLASS(TWidgetStrings, [](auto&) {});

TObject* TWidgetStrings::GetObject(int index) const {
    CheckIndex(index, Count());
    return static_cast<size_t>(index) < objects_.size() ? objects_[static_cast<size_t>(index)]
                                                        : nullptr;
}

void TWidgetStrings::PutObject(int index, TObject* obj) {
    CheckIndex(index, Count());
    if (objects_.size() < static_cast<size_t>(Count()))
        objects_.resize(static_cast<size_t>(Count()));
    objects_[static_cast<size_t>(index)] = obj;
}

namespace {

class TComboBoxStrings : public TWidgetStrings {
public:
    explicit TComboBoxStrings(QComboBox* box) : box_(box) {}
    int Count() const override { return box_->count(); }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return S(box_->itemText(index));
    }
    void Put(int index, const std::string& s) override {
        CheckIndex(index, Count());
        box_->setItemText(index, Q(s));
    }
    void Insert(int index, const std::string& s) override {
        CheckIndex(index, Count() + 1);
        QString edit = box_->isEditable() ? box_->currentText() : QString();
        int current = box_->currentIndex();
        box_->insertItem(index, Q(s));
        ObjInsert(index);
        // Adding items leaves the choice and the typed text as they were.
        box_->setCurrentIndex(current >= index && current >= 0 ? current + 1 : current);
        if (box_->isEditable())
            box_->setEditText(edit);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        box_->removeItem(index);
        ObjDelete(index);
    }
    void Clear() override {
        QString edit = box_->isEditable() ? box_->currentText() : QString();
        box_->clear();
        ObjClear();
        if (box_->isEditable())
            box_->setEditText(edit);
    }

private:
    QComboBox* box_;
};

class TListBoxStrings : public TWidgetStrings {
public:
    explicit TListBoxStrings(QListWidget* list) : list_(list) {}
    int Count() const override { return list_->count(); }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return S(list_->item(index)->text());
    }
    void Put(int index, const std::string& s) override {
        CheckIndex(index, Count());
        list_->item(index)->setText(Q(s));
    }
    void Insert(int index, const std::string& s) override {
        CheckIndex(index, Count() + 1);
        list_->insertItem(index, Q(s));
        ObjInsert(index);
    }
    void Delete(int index) override {
        CheckIndex(index, Count());
        delete list_->takeItem(index);
        ObjDelete(index);
    }
    void Clear() override {
        list_->clear();
        ObjClear();
    }

private:
    QListWidget* list_;
};

class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(QPlainTextEdit* edit) : edit_(edit) {}
    int Count() const override {
        if (edit_->document()->isEmpty())
            return 0;
        return edit_->document()->blockCount();
    }
    std::string Get(int index) const override {
        CheckIndex(index, Count());
        return S(edit_->document()->findBlockByNumber(index).text());
    }
    void Put(int index, const std::string& s) override {
        auto lines = Lines();
        CheckIndex(index, static_cast<int>(lines.size()));
        lines[static_cast<size_t>(index)] = Q(s);
        SetLines(lines);
    }
    void Insert(int index, const std::string& s) override {
        auto lines = Lines();
        CheckIndex(index, static_cast<int>(lines.size()) + 1);
        lines.insert(index, Q(s));
        SetLines(lines);
    }
    void Delete(int index) override {
        auto lines = Lines();
        CheckIndex(index, static_cast<int>(lines.size()));
        lines.removeAt(index);
        SetLines(lines);
    }
    void Clear() override { edit_->clear(); }
    std::string Text() const override {
        std::string t = TStrings::Text();
        return t;
    }
    void SetText(std::string_view text) override {
        QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        t.replace("\r\n", "\n");
        if (t.endsWith('\n'))
            t.chop(1);
        edit_->setPlainText(t);
    }

private:
    QStringList Lines() const {
        QStringList l;
        for (int i = 0; i < Count(); ++i)
            l << edit_->document()->findBlockByNumber(i).text();
        return l;
    }
    void SetLines(const QStringList& l) { edit_->setPlainText(l.join('\n')); }
    QPlainTextEdit* edit_;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Label

STEWARD_REGISTER_CLASS(TCustomLabel, [](TPropertyBuilder<TCustomLabel>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    static const TTypeInfo& layout =
        b.Own(MakeEnumType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"}));
    b.Bool("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize);
    b.Ord("Alignment", TypeInfoAlignment(), &TCustomLabel::Alignment, &TCustomLabel::SetAlignment);
    b.Ord("Layout", layout, &TCustomLabel::Layout, &TCustomLabel::SetLayout);
    b.Bool("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap);
    b.Bool("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar);
    b.Bool("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent);
    b.Object("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
});
STEWARD_REGISTER_CLASS(TLabel, [](auto&) {});

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner, new QLabel) {
    Label()->setTextFormat(Qt::PlainText);
    Label()->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 65, 13);
    UpdateLabel();
}

TCustomLabel::~TCustomLabel() {
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
}

QLabel* TCustomLabel::Label() const {
    return static_cast<QLabel*>(Widget());
}

void TCustomLabel::UpdateLabel() {
    QLabel* l = Label();
    if (!l)
        return;
    QString text = Q(Caption());
    bool buddy = showAccelChar_ && focusControl_;
    if (!buddy && showAccelChar_) {
        // "&&" shows one ampersand, a single "&" marks the accelerator and is not shown.
        QString shown;
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == '&') {
                if (i + 1 < text.size() && text[i + 1] == '&')
                    shown += '&', ++i;
                continue;
            }
            shown += text[i];
        }
        text = shown;
    } else if (!showAccelChar_ && focusControl_) {
        text.replace("&", "&&");
    }
    l->setBuddy(buddy ? focusControl_->Widget() : nullptr);
    l->setText(text);
    Qt::Alignment a = alignment_ == taRightJustify ? Qt::AlignRight
                      : alignment_ == taCenter     ? Qt::AlignHCenter
                                                   : Qt::AlignLeft;
    a |= layout_ == tlCenter   ? Qt::AlignVCenter
         : layout_ == tlBottom ? Qt::AlignBottom
                               : Qt::AlignTop;
    l->setAlignment(a);
    l->setWordWrap(wordWrap_);
}

void TCustomLabel::AdjustSize() {
    if (!autoSize_ || IsLoading() || !Label())
        return;
    QFontMetrics fm(Font()->ToQFont());
    QString text = Label()->text();
    int w, h;
    if (wordWrap_) {
        QRect r = fm.boundingRect(QRect(0, 0, std::max(1, Width()), 10000), Qt::TextWordWrap, text);
        w = Width();
        h = std::max(fm.height(), r.height());
    } else {
        int lines = static_cast<int>(text.count('\n')) + 1;
        w = 0;
        for (const QString& line : text.split('\n'))
            w = std::max(w, fm.horizontalAdvance(line));
        h = fm.height() * lines;
    }
    int left = Left();
    if (alignment_ == taRightJustify && !wordWrap_)
        left = Left() + Width() - w;
    SetBounds(left, Top(), w, h);
}

void TCustomLabel::TextChanged() {
    UpdateLabel();
    AdjustSize();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustSize();
}

void TCustomLabel::ApplyColor() {
    TGraphicControl::ApplyColor();
    if (QLabel* l = Label())
        l->setAutoFillBackground(!transparent_ && !ParentColor());
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    UpdateLabel();
    AdjustSize();
}

void TCustomLabel::SetAutoSize(bool v) {
    autoSize_ = v;
    AdjustSize();
}

void TCustomLabel::SetAlignment(TAlignment v) {
    alignment_ = v;
    UpdateLabel();
}

void TCustomLabel::SetLayout(TTextLayout v) {
    layout_ = v;
    UpdateLabel();
}

void TCustomLabel::SetWordWrap(bool v) {
    wordWrap_ = v;
    UpdateLabel();
    AdjustSize();
}

void TCustomLabel::SetShowAccelChar(bool v) {
    showAccelChar_ = v;
    UpdateLabel();
    AdjustSize();
}

void TCustomLabel::SetTransparent(bool v) {
    transparent_ = v;
    ApplyColor();
}

void TCustomLabel::SetFocusControl(TWinControl* c) {
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
    focusControl_ = c;
    if (c)
        c->FreeNotification(this);
    UpdateLabel();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_) {
        focusControl_ = nullptr;
        if (!IsDestroying())
            UpdateLabel();
    }
}

// ---------------------------------------------------------------------------------------
// Edit

namespace {
template <class C> void DescribeEditCommon(TPropertyBuilder<C>& b) {
    b.Str("Text", &C::GetText, &C::SetText);
    b.Event("OnChange", "TNotifyEvent", &C::OnChange);
}
} // namespace

STEWARD_REGISTER_CLASS(TCustomEdit, [](TPropertyBuilder<TCustomEdit>& b) {
    static const TTypeInfo& charCase =
        b.Own(MakeEnumType("TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}));
    DescribeEditCommon(b);
    b.Int("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
    b.Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
    b.Ord("PasswordChar", TypeInfoChar(), &TCustomEdit::PasswordChar,
          &TCustomEdit::SetPasswordChar);
    b.Ord("CharCase", charCase, &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
    b.Bool("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect);
    b.Ord("BorderStyle", TypeInfoBorderStyle(), &TCustomEdit::BorderStyle,
          &TCustomEdit::SetBorderStyle);
    b.Int("SelStart", &TCustomEdit::SelStart, &TCustomEdit::SetSelStart);
    b.Int("SelLength", &TCustomEdit::SelLength, &TCustomEdit::SetSelLength);
    b.Str("SelText", &TCustomEdit::SelText, &TCustomEdit::SetSelText);
    b.Bool("Modified", &TCustomEdit::Modified, &TCustomEdit::SetModified);
});
STEWARD_REGISTER_CLASS(TEdit, [](auto&) {});

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner, new QLineEdit) {
    Init();
}

TCustomEdit::TCustomEdit(TComponent* owner, QLineEdit* edit) : TWinControl(owner, edit) {
    Init();
}

void TCustomEdit::Init() {
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
    QObject::connect(LineEdit(), &QLineEdit::textChanged, LineEdit(), [this](const QString& t) {
        if (charCase_ != ecNormal && !applyingCase_) {
            QString c = charCase_ == ecUpperCase ? t.toUpper() : t.toLower();
            if (c != t) {
                int pos = LineEdit()->cursorPosition();
                applyingCase_ = true;
                LineEdit()->setText(c);
                LineEdit()->setCursorPosition(pos);
                applyingCase_ = false;
            }
        }
        if (applyingCase_)
            return;
        modified_ = true;
        Guard([&] { Change(); });
    });
}

QLineEdit* TCustomEdit::LineEdit() const {
    return static_cast<QLineEdit*>(Widget());
}

int TCustomEdit::ColorRole() const {
    return QPalette::Base;
}

void TCustomEdit::Change() {
    if (!Quiet() && OnChange)
        OnChange(this);
}

std::string TCustomEdit::GetText() const {
    return LineEdit() ? S(LineEdit()->text()) : "";
}

void TCustomEdit::SetText(const std::string& s) {
    if (!LineEdit() || S(LineEdit()->text()) == s)
        return;
    LineEdit()->setText(Q(s));
    modified_ = false;
}

void TCustomEdit::SetMaxLength(int v) {
    maxLength_ = std::max(0, v);
    LineEdit()->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

bool TCustomEdit::ReadOnly() const {
    return LineEdit()->isReadOnly();
}
void TCustomEdit::SetReadOnly(bool v) {
    LineEdit()->setReadOnly(v);
}

void TCustomEdit::SetPasswordChar(char c) {
    passwordChar_ = c;
    LineEdit()->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
    charCase_ = v;
    if (v != ecNormal)
        SetText(v == ecUpperCase ? S(Q(GetText()).toUpper()) : S(Q(GetText()).toLower()));
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
    borderStyle_ = v;
    LineEdit()->setFrame(v != bsNone);
}

int TCustomEdit::SelStart() const {
    QLineEdit* e = LineEdit();
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TCustomEdit::SetSelStart(int v) {
    LineEdit()->setCursorPosition(v);
}

int TCustomEdit::SelLength() const {
    return LineEdit()->selectionLength();
}

void TCustomEdit::SetSelLength(int v) {
    LineEdit()->setSelection(SelStart(), v);
}

std::string TCustomEdit::SelText() const {
    return S(LineEdit()->selectedText());
}

void TCustomEdit::SetSelText(const std::string& s) {
    LineEdit()->insert(Q(s));
}

void TCustomEdit::SelectAll() {
    LineEdit()->selectAll();
}
void TCustomEdit::CopyToClipboard() {
    LineEdit()->copy();
}
void TCustomEdit::CutToClipboard() {
    LineEdit()->cut();
}
void TCustomEdit::PasteFromClipboard() {
    LineEdit()->paste();
}

void TCustomEdit::DoEnter() {
    if (autoSelect_ && !IsLoading())
        LineEdit()->selectAll();
    TWinControl::DoEnter();
}

// ---------------------------------------------------------------------------------------
// Memo

STEWARD_REGISTER_CLASS(TMemo, [](TPropertyBuilder<TMemo>& b) {
    b.Str("Text", &TMemo::GetText, &TMemo::SetText);
    b.Object("Lines", &TMemo::Lines, &TMemo::SetLines);
    b.Bool("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly);
    b.Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap);
    b.Bool("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns);
    b.Bool("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs);
    b.Ord("ScrollBars", ScrollStyleType(), &TMemo::ScrollBars, &TMemo::SetScrollBars);
    b.Int("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength);
    b.Event("OnChange", "TNotifyEvent", &TMemo::OnChange);
});

TMemo::TMemo(TComponent* owner) : TWinControl(owner, new QPlainTextEdit) {
    lines_ = std::make_unique<TMemoStrings>(Editor());
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    Editor()->setTabChangesFocus(false);
    SetScrollBars(ssNone);
    QObject::connect(Editor(), &QPlainTextEdit::textChanged, Editor(), [this] {
        if (!Quiet() && OnChange)
            Guard([&] { OnChange(this); });
    });
}

TMemo::~TMemo() = default;

QPlainTextEdit* TMemo::Editor() const {
    return static_cast<QPlainTextEdit*>(Widget());
}
int TMemo::ColorRole() const {
    return QPalette::Base;
}

std::string TMemo::GetText() const {
    // Lines end with a line break, as the memo's text always has.
    return lines_->Text();
}

void TMemo::SetText(const std::string& s) {
    lines_->SetText(s);
}

bool TMemo::ReadOnly() const {
    return Editor()->isReadOnly();
}
void TMemo::SetReadOnly(bool v) {
    Editor()->setReadOnly(v);
}

void TMemo::SetWordWrap(bool v) {
    wordWrap_ = v;
    Editor()->setLineWrapMode(v ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle v) {
    scrollBars_ = v;
    bool h = v == ssHorizontal || v == ssBoth;
    bool vert = v == ssVertical || v == ssBoth;
    Editor()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Editor()->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

TPoint TMemo::CaretPos() const {
    QTextCursor c = Editor()->textCursor();
    return {c.positionInBlock(), c.blockNumber()};
}

void TMemo::SetCaretPos(TPoint p) {
    QTextBlock block = Editor()->document()->findBlockByNumber(std::max(0, p.Y));
    if (!block.isValid())
        return;
    QTextCursor c(block);
    c.setPosition(block.position() + std::clamp(p.X, 0, block.length() - 1));
    Editor()->setTextCursor(c);
}

bool TMemo::WantsKey(WORD key, TShiftState) const {
    if (key == VK_RETURN)
        return wantReturns_;
    if (key == VK_TAB)
        return wantTabs_;
    return false;
}

// ---------------------------------------------------------------------------------------
// Buttons

STEWARD_REGISTER_CLASS(TButtonControl, [](TPropertyBuilder<TButtonControl>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
});

TButtonControl::TButtonControl(TComponent* owner, QWidget* widget) : TWinControl(owner, widget) {
    clickOnMouseUp_ = false;
    SetTabStop(true);
}

void TButtonControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        pressed_ = true;
        MouseDown(mbLeft, {ssLeft}, LOWORD(m.LParam), HIWORD(m.LParam));
        return;
    case WM_LBUTTONUP: {
        bool click = pressed_;
        pressed_ = false;
        MouseUp(mbLeft, {}, LOWORD(m.LParam), HIWORD(m.LParam));
        if (click && EnabledInParents())
            MouseClick();
        return;
    }
    default:
        TWinControl::WndProc(m);
    }
}

STEWARD_REGISTER_CLASS(TButton, [](TPropertyBuilder<TButton>& b) {
    b.Bool("Default", &TButton::Default, &TButton::SetDefault);
    b.Bool("Cancel", &TButton::Cancel, &TButton::SetCancel);
    b.Int("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
});

TButton::TButton(TComponent* owner) : TButtonControl(owner, new QPushButton) {
    Init();
}

TButton::TButton(TComponent* owner, QPushButton* button) : TButtonControl(owner, button) {
    Init();
}

void TButton::Init() {
    PushButton()->setAutoDefault(false);
    SetBounds(0, 0, 75, 25);
    QObject::connect(PushButton(), &QPushButton::clicked, PushButton(),
                     [this] { Guard([&] { Click(); }); });
}

QPushButton* TButton::PushButton() const {
    return static_cast<QPushButton*>(Widget());
}

std::string TButton::GetText() const {
    return S(PushButton()->text());
}
void TButton::SetText(const std::string& s) {
    PushButton()->setText(Q(s));
}

void TButton::SetDefault(bool v) {
    default_ = v;
    PushButton()->setDefault(v);
}

void TButton::Click() {
    if (Quiet())
        return;
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this))
            form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

bool TButton::DialogKey(WORD key, TShiftState) {
    if ((key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_)) {
        Click();
        return true;
    }
    return false;
}

bool TButton::WantsKey(WORD key, TShiftState) const {
    return key == VK_RETURN;
}

bool TButton::DoKeyDown(WORD& key, TShiftState shift) {
    if (!TButtonControl::DoKeyDown(key, shift))
        return false;
    if (key == VK_RETURN) {
        // Return on a focused button presses that button.
        Click();
        key = 0;
        return false;
    }
    return true;
}

STEWARD_REGISTER_CLASS(TCheckBox, [](TPropertyBuilder<TCheckBox>& b) {
    static const TTypeInfo& state =
        b.Own(MakeEnumType("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}));
    b.Bool("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked);
    b.Ord("State", state, &TCheckBox::State, &TCheckBox::SetState);
    b.Bool("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed);
    b.Ord("Alignment", TypeInfoAlignment(), &TCheckBox::Alignment, &TCheckBox::SetAlignment);
});

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner, new QCheckBox) {
    SetBounds(0, 0, 97, 17);
    // The check box changes state (user click, Space, or SetState) and then reports
    // OnClick, as the state change is the click.
    QObject::connect(CheckBox(), &QCheckBox::stateChanged, CheckBox(), [this](int) {
        if (!setting_)
            Guard([&] { Click(); });
    });
}

QCheckBox* TCheckBox::CheckBox() const {
    return static_cast<QCheckBox*>(Widget());
}
std::string TCheckBox::GetText() const {
    return S(CheckBox()->text());
}
void TCheckBox::SetText(const std::string& s) {
    CheckBox()->setText(Q(s));
}

TCheckBoxState TCheckBox::State() const {
    switch (CheckBox()->checkState()) {
    case Qt::Checked:
        return cbChecked;
    case Qt::PartiallyChecked:
        return cbGrayed;
    default:
        return cbUnchecked;
    }
}

void TCheckBox::SetState(TCheckBoxState s) {
    if (s == State())
        return;
    if (s == cbGrayed)
        CheckBox()->setTristate(true);
    CheckBox()->setCheckState(s == cbChecked  ? Qt::Checked
                              : s == cbGrayed ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
}

void TCheckBox::SetAllowGrayed(bool v) {
    allowGrayed_ = v;
    CheckBox()->setTristate(v);
}

void TCheckBox::SetAlignment(TAlignment a) {
    alignment_ = a;
    CheckBox()->setLayoutDirection(a == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCheckBox::Toggle() {
    switch (State()) {
    case cbUnchecked:
        SetState(cbChecked);
        break;
    case cbChecked:
        SetState(allowGrayed_ ? cbGrayed : cbUnchecked);
        break;
    default:
        SetState(cbUnchecked);
        break;
    }
}

STEWARD_REGISTER_CLASS(TRadioButton, [](TPropertyBuilder<TRadioButton>& b) {
    b.Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
    b.Ord("Alignment", TypeInfoAlignment(), &TRadioButton::Alignment, &TRadioButton::SetAlignment);
});

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner, new QRadioButton) {
    SetBounds(0, 0, 113, 17);
    QObject::connect(RadioButton(), &QRadioButton::toggled, RadioButton(), [this](bool on) {
        if (on && !setting_)
            Guard([&] { Click(); });
    });
}

QRadioButton* TRadioButton::RadioButton() const {
    return static_cast<QRadioButton*>(Widget());
}
std::string TRadioButton::GetText() const {
    return S(RadioButton()->text());
}
void TRadioButton::SetText(const std::string& s) {
    RadioButton()->setText(Q(s));
}
bool TRadioButton::Checked() const {
    return RadioButton()->isChecked();
}

void TRadioButton::SetChecked(bool v) {
    if (v == Checked())
        return;
    if (!v) {
        // Qt will not uncheck the checked button of an exclusive group by itself.
        RadioButton()->setAutoExclusive(false);
        RadioButton()->setChecked(false);
        RadioButton()->setAutoExclusive(true);
        return;
    }
    RadioButton()->setChecked(true);
}

void TRadioButton::SetAlignment(TAlignment a) {
    alignment_ = a;
    RadioButton()->setLayoutDirection(a == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

// ---------------------------------------------------------------------------------------
// Group box

STEWARD_REGISTER_CLASS(TCustomGroupBox, [](TPropertyBuilder<TCustomGroupBox>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
});
STEWARD_REGISTER_CLASS(TGroupBox, [](auto&) {});

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TWinControl(owner, new QGroupBox) {
    SetBounds(0, 0, 185, 105);
}

QGroupBox* TCustomGroupBox::GroupBox() const {
    return static_cast<QGroupBox*>(Widget());
}
std::string TCustomGroupBox::GetText() const {
    return S(GroupBox()->title());
}
void TCustomGroupBox::SetText(const std::string& s) {
    GroupBox()->setTitle(Q(s));
}

void TCustomGroupBox::AdjustClientRect(TRect& r) const {
    QFontMetrics fm(Font()->ToQFont());
    r.Top += fm.height();
    r.Left += 2;
    r.Right -= 2;
    r.Bottom -= 2;
}

// ---------------------------------------------------------------------------------------
// Combo box

STEWARD_REGISTER_CLASS(TCustomComboBox, [](TPropertyBuilder<TCustomComboBox>& b) {
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList",
                                              "csOwnerDrawFixed", "csOwnerDrawVariable"}));
    b.Str("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText);
    b.Ord("Style", style, &TCustomComboBox::Style, &TCustomComboBox::SetStyle);
    b.Object("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
    b.Int("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex);
    b.Int("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount);
    b.Bool("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted);
    b.Int("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength);
    b.Int("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight);
    b.Event("OnChange", "TNotifyEvent", &TCustomComboBox::OnChange);
    b.Event("OnSelect", "TNotifyEvent", &TCustomComboBox::OnSelect);
    b.Event("OnDropDown", "TNotifyEvent", &TCustomComboBox::OnDropDown);
    b.Event("OnDrawItem", "TDrawItemEvent", &TCustomComboBox::OnDrawItem);
    b.Event("OnMeasureItem", "TMeasureItemEvent", &TCustomComboBox::OnMeasureItem);
});
STEWARD_REGISTER_CLASS(TComboBox, [](auto&) {});

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner, new QComboBox) {
    items_ = std::make_unique<TComboBoxStrings>(ComboBox());
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    ComboBox()->setInsertPolicy(QComboBox::NoInsert);
    SetStyle(csDropDown);
    SetBounds(0, 0, 145, 21);
    // The user's choices and typing are changes; setting ItemIndex or Text in code is not.
    QObject::connect(ComboBox(), &QComboBox::activated, ComboBox(), [this](int) {
        Guard([&] {
            if (!Quiet() && OnSelect)
                OnSelect(this);
            Change();
        });
    });
}

TCustomComboBox::~TCustomComboBox() = default;

QComboBox* TCustomComboBox::ComboBox() const {
    return static_cast<QComboBox*>(Widget());
}
int TCustomComboBox::ColorRole() const {
    return QPalette::Base;
}

void TCustomComboBox::Change() {
    if (!Quiet() && OnChange)
        OnChange(this);
}

std::string TCustomComboBox::GetText() const {
    return S(ComboBox()->currentText());
}

void TCustomComboBox::SetText(const std::string& s) {
    QComboBox* c = ComboBox();
    if (c->isEditable()) {
        int i = c->findText(Q(s), Qt::MatchFixedString);
        if (i >= 0 && S(c->itemText(i)) == s)
            c->setCurrentIndex(i);
        c->setEditText(Q(s));
        return;
    }
    c->setCurrentIndex(c->findText(Q(s), Qt::MatchExactly));
}

void TCustomComboBox::SetStyle(TComboBoxStyle s) {
    style_ = s;
    QComboBox* c = ComboBox();
    bool editable = s == csDropDown || s == csSimple;
    if (editable == c->isEditable())
        return;
    int index = c->currentIndex();
    c->setEditable(editable);
    if (editable) {
        c->setInsertPolicy(QComboBox::NoInsert);
        WatchWidget(c->lineEdit());
        QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c,
                         [this](const QString&) { Guard([&] { Change(); }); });
        if (maxLength_ > 0)
            c->lineEdit()->setMaxLength(maxLength_);
    }
    c->setCurrentIndex(index);
}

int TCustomComboBox::ItemIndex() const {
    QComboBox* c = ComboBox();
    int i = c->currentIndex();
    // Typed text that is not the chosen item means no item is chosen.
    if (i >= 0 && c->isEditable() && c->currentText() != c->itemText(i))
        return -1;
    return i;
}

void TCustomComboBox::SetItemIndex(int i) {
    if (i < -1 || i >= items_->Count())
        i = -1;
    ComboBox()->setCurrentIndex(i);
    if (i < 0 && ComboBox()->isEditable())
        ComboBox()->setEditText(QString());
}

void TCustomComboBox::SetDropDownCount(int v) {
    dropDownCount_ = v;
    ComboBox()->setMaxVisibleItems(std::max(1, v));
}

void TCustomComboBox::SortItems() {
    if (!sorted_)
        return;
    ComboBox()->model()->sort(0);
}

void TCustomComboBox::SetSorted(bool v) {
    sorted_ = v;
    SortItems();
}

void TCustomComboBox::SetMaxLength(int v) {
    maxLength_ = std::max(0, v);
    if (ComboBox()->lineEdit())
        ComboBox()->lineEdit()->setMaxLength(maxLength_ ? maxLength_ : 32767);
}

bool TCustomComboBox::DroppedDown() const {
    return ComboBox()->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool v) {
    if (v) {
        if (!Quiet() && OnDropDown)
            OnDropDown(this);
        ComboBox()->showPopup();
    } else {
        ComboBox()->hidePopup();
    }
}

void TCustomComboBox::Clear() {
    items_->Clear();
    SetItemIndex(-1);
}

bool TCustomComboBox::WantsKey(WORD key, TShiftState) const {
    // An open list takes Return and Escape itself.
    return (key == VK_RETURN || key == VK_ESCAPE) && DroppedDown();
}

// ---------------------------------------------------------------------------------------
// List box

STEWARD_REGISTER_CLASS(TCustomListBox, [](TPropertyBuilder<TCustomListBox>& b) {
    static const TTypeInfo& style = b.Own(
        MakeEnumType("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}));
    b.Object("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
    b.Int("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex);
    b.Bool("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect);
    b.Bool("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted);
    b.Ord("Style", style, &TCustomListBox::Style, &TCustomListBox::SetStyle);
    b.Int("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight);
    b.Event("OnDrawItem", "TDrawItemEvent", &TCustomListBox::OnDrawItem);
    b.Event("OnMeasureItem", "TMeasureItemEvent", &TCustomListBox::OnMeasureItem);
});
STEWARD_REGISTER_CLASS(TListBox, [](auto&) {});

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner, new QListWidget) {
    items_ = std::make_unique<TListBoxStrings>(ListWidget());
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    clickOnMouseUp_ = false;
    // A selection the user makes is a click; one made in code is not.
    QObject::connect(ListWidget(), &QListWidget::currentRowChanged, ListWidget(), [this](int) {
        if (!programmatic_)
            Guard([&] { Click(); });
    });
}

TCustomListBox::~TCustomListBox() = default;

QListWidget* TCustomListBox::ListWidget() const {
    return static_cast<QListWidget*>(Widget());
}
int TCustomListBox::ColorRole() const {
    return QPalette::Base;
}

int TCustomListBox::ItemIndex() const {
    return ListWidget()->currentRow();
}

void TCustomListBox::SetItemIndex(int i) {
    programmatic_ = true;
    ListWidget()->setCurrentRow(i >= 0 && i < items_->Count() ? i : -1);
    programmatic_ = false;
}

void TCustomListBox::SetMultiSelect(bool v) {
    multiSelect_ = v;
    ListWidget()->setSelectionMode(v ? QAbstractItemView::ExtendedSelection
                                     : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int index) const {
    QListWidgetItem* it = ListWidget()->item(index);
    if (!it)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return it->isSelected();
}

void TCustomListBox::SetSelected(int index, bool v) {
    QListWidgetItem* it = ListWidget()->item(index);
    if (!it)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    programmatic_ = true;
    it->setSelected(v);
    programmatic_ = false;
}

int TCustomListBox::SelCount() const {
    return static_cast<int>(ListWidget()->selectedItems().size());
}

void TCustomListBox::SetSorted(bool v) {
    sorted_ = v;
    ListWidget()->setSortingEnabled(v);
    if (v)
        ListWidget()->sortItems();
}

int TCustomListBox::TopIndex() const {
    QListWidgetItem* it = ListWidget()->itemAt(2, 2);
    return it ? ListWidget()->row(it) : 0;
}

void TCustomListBox::Clear() {
    items_->Clear();
}
