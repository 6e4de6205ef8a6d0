#include "Controls.h"

#include "Forms.h"
#include "Menus.h"
#include "TypInfo.h"
#include "WidgetHub.h"

#include <QApplication>
#include <QCursor>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <map>
#include <unordered_map>

// ---------------------------------------------------------------------------------------
// Widgets, handles and posted messages

namespace {

QHash<const QObject*, TControl*>& WidgetMap() {
    static QHash<const QObject*, TControl*> map;
    return map;
}

std::unordered_map<HWND, TWinControl*>& HandleMap() {
    static std::unordered_map<HWND, TWinControl*> map;
    return map;
}

HWND NextHandle() {
    // Handles start above the range small integers and message numbers use, so a handle is
    // never mistaken for either in a log.
    static HWND next = 0x10000;
    return next += 4;
}

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedMessageEvent : QEvent {
    PostedMessageEvent(HWND h, UINT m, WPARAM w, LPARAM l)
        : QEvent(kPostedMessage), handle(h), msg(m), wParam(w), lParam(l) {}
    HWND handle;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

} // namespace

TWidgetHub& TWidgetHub::Instance() {
    // Never deleted: widgets may outlive the statics of the process at exit.
    static TWidgetHub* hub = new TWidgetHub;
    return *hub;
}

TWidgetHub::TWidgetHub() {
    if (qApp)
        EnsureConnected();
}

void TWidgetHub::EnsureConnected() {
    if (connected_ || !qApp)
        return;
    connected_ = true;
    QObject::connect(qobject_cast<QApplication*>(QCoreApplication::instance()),
                     &QApplication::focusChanged, this,
                     [](QWidget*, QWidget* now) { TCustomForm::QtFocusChanged(now); });
}

bool TWidgetHub::eventFilter(QObject* watched, QEvent* event) {
    auto it = WidgetMap().constFind(watched);
    if (it == WidgetMap().constEnd())
        return false;
    return it.value()->WidgetEvent(watched, event);
}

bool TWidgetHub::event(QEvent* event) {
    if (event->type() == kPostedMessage) {
        auto* m = static_cast<PostedMessageEvent*>(event);
        if (TWinControl* c = FindControl(m->handle)) {
            try {
                c->Perform(m->msg, m->wParam, m->lParam);
            } catch (...) {
                Application->HandleException(c);
            }
        }
        return true;
    }
    return QObject::event(event);
}

TWinControl* FindControl(HWND handle) {
    auto it = HandleMap().find(handle);
    return it == HandleMap().end() ? nullptr : it->second;
}

bool IsWindow(HWND handle) {
    return FindControl(handle) != nullptr;
}

LRESULT SendMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* c = FindControl(handle);
    return c ? c->Perform(msg, wParam, lParam) : 0;
}

bool PostMessage(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(handle) || !QCoreApplication::instance())
        return false;
    QCoreApplication::postEvent(&TWidgetHub::Instance(),
                                new PostedMessageEvent(handle, msg, wParam, lParam));
    return true;
}

// ---------------------------------------------------------------------------------------
// Keys and shift state

TShiftState ShiftStateFromQt(int modifiers, int buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier)
        s.Include(ssShift);
    if (modifiers & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (modifiers & Qt::AltModifier)
        s.Include(ssAlt);
    if (buttons & Qt::LeftButton)
        s.Include(ssLeft);
    if (buttons & Qt::RightButton)
        s.Include(ssRight);
    if (buttons & Qt::MiddleButton)
        s.Include(ssMiddle);
    return s;
}

WORD VirtualKeyFromQt(int key, int modifiers) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<WORD>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        if (modifiers & Qt::KeypadModifier)
            return static_cast<WORD>(VK_NUMPAD0 + (key - Qt::Key_0));
        return static_cast<WORD>('0' + (key - Qt::Key_0));
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Asterisk:
        return VK_MULTIPLY;
    case Qt::Key_Plus:
        return VK_ADD;
    case Qt::Key_Minus:
        return (modifiers & Qt::KeypadModifier) ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Period:
        return (modifiers & Qt::KeypadModifier) ? VK_DECIMAL : 0xBE;
    case Qt::Key_Slash:
        return (modifiers & Qt::KeypadModifier) ? VK_DIVIDE : 0xBF;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_Semicolon:
        return 0xBA;
    case Qt::Key_Equal:
        return 0xBB;
    default:
        return 0;
    }
}

std::string GetShortHint(const std::string& hint) {
    size_t p = hint.find('|');
    return p == std::string::npos ? hint : hint.substr(0, p);
}

// One type each, shared by every control that publishes an alignment or a border style.
const TTypeInfo& TypeInfoAlignment() {
    static const TTypeInfo type =
        MakeEnumType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
    return type;
}

const TTypeInfo& TypeInfoBorderStyle() {
    static const TTypeInfo type = MakeEnumType("TBorderStyle", {"bsNone", "bsSingle"});
    return type;
}

const TTypeInfo& TypeInfoCursor() {
    static const TTypeInfo t = [] {
        TTypeInfo info;
        info.Name = "TCursor";
        info.Kind = tkInteger;
        info.Idents = {{"crDefault", crDefault},     {"crNone", crNone},
                       {"crArrow", crArrow},         {"crCross", crCross},
                       {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
                       {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},
                       {"crSizeWE", crSizeWE},       {"crUpArrow", crUpArrow},
                       {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
                       {"crNoDrop", crNoDrop},       {"crHSplit", crHSplit},
                       {"crVSplit", crVSplit},       {"crMultiDrag", crMultiDrag},
                       {"crSQLWait", crSQLWait},     {"crNo", crNo},
                       {"crAppStart", crAppStart},   {"crHelp", crHelp},
                       {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll}};
        return info;
    }();
    return t;
}

static Qt::CursorShape QtCursor(TCursor c) {
    switch (c) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
    case crVSplit:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
    case crHSplit:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// ---------------------------------------------------------------------------------------
// TControl

namespace {
struct DragSession {
    TControl* source = nullptr;
    TObject* dragObject = nullptr; // what OnStartDrag supplied; the source when null
    bool started = false;
    QPoint origin;
    int threshold = 5;
    TControl* target = nullptr;
    bool accepted = false;
    QPoint last;
    bool overrideCursor = false;
};
DragSession& Drag() {
    static DragSession d;
    return d;
}
} // namespace

namespace {
template <class C> void DescribeControlEvents(TPropertyBuilder<C>& b) {
    b.Event("OnClick", "TNotifyEvent", &C::OnClick);
    b.Event("OnDblClick", "TNotifyEvent", &C::OnDblClick);
    b.Event("OnMouseDown", "TMouseEvent", &C::OnMouseDown);
    b.Event("OnMouseMove", "TMouseMoveEvent", &C::OnMouseMove);
    b.Event("OnMouseUp", "TMouseEvent", &C::OnMouseUp);
    b.Event("OnResize", "TNotifyEvent", &C::OnResize);
    b.Event("OnDragDrop", "TDragDropEvent", &C::OnDragDrop);
    b.Event("OnDragOver", "TDragOverEvent", &C::OnDragOver);
    b.Event("OnStartDrag", "TStartDragEvent", &C::OnStartDrag);
    b.Event("OnEndDrag", "TEndDragEvent", &C::OnEndDrag);
    b.Event("OnStartDock", "TStartDockEvent", &C::OnStartDock);
    b.Event("OnEndDock", "TEndDockEvent", &C::OnEndDock);
}
} // namespace

STEWARD_REGISTER_CLASS(TControl, [](TPropertyBuilder<TControl>& b) {
    static const TTypeInfo& align = b.Own(MakeEnumType(
        "TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}));
    static const TTypeInfo& anchors =
        b.Own(MakeSetType("TAnchors", {"akLeft", "akTop", "akRight", "akBottom"}));
    static const TTypeInfo& dragMode =
        b.Own(MakeEnumType("TDragMode", {"dmManual", "dmAutomatic"}));
    static const TTypeInfo& dragKind = b.Own(MakeEnumType("TDragKind", {"dkDrag", "dkDock"}));
    b.Int("Left", &TControl::Left, &TControl::SetLeft);
    b.Int("Top", &TControl::Top, &TControl::SetTop);
    b.Int("Width", &TControl::Width, &TControl::SetWidth);
    b.Int("Height", &TControl::Height, &TControl::SetHeight);
    b.Int("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth);
    b.Int("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight);
    b.Ord("Align", align, &TControl::Align, &TControl::SetAlign);
    b.Set("Anchors", anchors, &TControl::Anchors, &TControl::SetAnchors);
    b.Bool("Visible", &TControl::Visible, &TControl::SetVisible);
    b.Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled);
    b.Str("Hint", &TControl::Hint, &TControl::SetHint);
    b.Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
    b.Bool("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
    b.Color("Color", &TControl::Color, &TControl::SetColor);
    b.Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
    b.Object("Font", &TControl::Font, &TControl::SetFont);
    b.Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
    b.Object("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    b.Ord("Cursor", TypeInfoCursor(), &TControl::Cursor, &TControl::SetCursor);
    b.Ord("DragMode", dragMode, &TControl::DragMode, &TControl::SetDragMode);
    b.Ord("DragKind", dragKind, &TControl::DragKind, &TControl::SetDragKind);
    b.Ord("DragCursor", TypeInfoCursor(), &TControl::DragCursor, &TControl::SetDragCursor);
    DescribeControlEvents(b);
});

TControl::TControl(TComponent* owner) : TControl(owner, new QWidget) {}

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), widget_(widget) {
    Init();
}

void TControl::Init() {
    font_ = std::make_unique<TFont>();
    font_->OnChange = [this](TObject*) { FontChanged(); };
    WindowProc = [this](TMessage& m) { WndProc(m); };
    TWidgetHub::Instance().EnsureConnected();
    WatchWidget(widget_);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
    parentColor_ = true;
    color_ = clWindow;
}

TControl::~TControl() {
    Destroying();
    if (Drag().target == this)
        Drag().target = nullptr;
    if (Drag().source == this) {
        if (Drag().overrideCursor && qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::restoreOverrideCursor();
        Drag() = DragSession{};
    }
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    if (parent_)
        parent_->RemoveControl(this);
    for (auto it = WidgetMap().begin(); it != WidgetMap().end();) {
        if (it.value() == this)
            it = WidgetMap().erase(it);
        else
            ++it;
    }
    if (widget_) {
        QWidget* w = widget_;
        widget_ = nullptr;
        w->removeEventFilter(&TWidgetHub::Instance());
        delete w;
    }
}

void TControl::WatchWidget(QWidget* w) {
    if (!w)
        return;
    WidgetMap().insert(w, this);
    w->installEventFilter(&TWidgetHub::Instance());
}

TControl* TControl::FromWidget(const QObject* widget) {
    for (const QObject* o = widget; o; o = o->parent()) {
        auto it = WidgetMap().constFind(o);
        if (it != WidgetMap().constEnd())
            return it.value();
    }
    return nullptr;
}

const QObject* TControl::WatchedAncestor(const QObject* widget) {
    for (const QObject* o = widget; o; o = o->parent())
        if (WidgetMap().contains(o))
            return o;
    return nullptr;
}

void TControl::Guard(const std::function<void()>& f) {
    try {
        f();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::UpdateFromParent() {
    if (!parent_)
        return;
    if (parentColor_) {
        color_ = parent_->color_;
        ApplyColor();
    }
    if (parentFont_ && !parent_->font_->SameAs(*font_)) {
        applyingParentFont_ = true;
        font_->Assign(parent_->font_.get());
        applyingParentFont_ = false;
    } else {
        ApplyFont();
    }
    ApplyHint();
}

void TControl::ApplyGeometry() {
    if (!widget_)
        return;
    widget_->setGeometry(left_, top_, std::max(0, width_), std::max(0, height_));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    bool resized = width != width_ || height != height_;
    bool moved = left != left_ || top != top_;
    if (!resized && !moved)
        return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    if (parent_ && align_ != alNone)
        parent_->AlignControls();
    if (resized)
        Resized();
}

void TControl::Resized() {
    if (!Quiet() && OnResize)
        Guard([&] { OnResize(this); });
}

TPoint TControl::ClientToScreen(TPoint p) const {
    QPoint q = widget_ ? widget_->mapToGlobal(QPoint(p.X, p.Y)) : QPoint(p.X, p.Y);
    return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const {
    QPoint q = widget_ ? widget_->mapFromGlobal(QPoint(p.X, p.Y)) : QPoint(p.X, p.Y);
    return {q.x(), q.y()};
}

void TControl::SetAlign(TAlign a) {
    if (a == align_)
        return;
    align_ = a;
    if (parent_)
        parent_->AlignControls();
}

void TControl::SetVisible(bool v) {
    if (v == visible_)
        return;
    visible_ = v;
    if (widget_ && parent_)
        widget_->setVisible(v);
    if (parent_ && align_ != alNone)
        parent_->AlignControls();
    if (!Quiet())
        Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
}

bool TControl::Showing() const {
    if (!visible_)
        return false;
    if (!parent_)
        return widget_ && widget_->isVisible();
    return parent_->Showing();
}

void TControl::SetEnabled(bool v) {
    if (v == enabled_)
        return;
    enabled_ = v;
    if (widget_)
        widget_->setEnabled(v);
    if (!Quiet())
        Perform(CM_ENABLEDCHANGED, 0, 0);
}

bool TControl::EnabledInParents() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->enabled_)
            return false;
    return true;
}

void TControl::SetText(const std::string& s) {
    if (s == text_)
        return;
    text_ = s;
    TextChanged();
    if (!Quiet())
        Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetHint(const std::string& h) {
    hint_ = h;
    ApplyHint();
}

void TControl::SetShowHint(bool v) {
    showHint_ = v;
    parentShowHint_ = false;
    ApplyHint();
}

void TControl::SetParentShowHint(bool v) {
    parentShowHint_ = v;
    ApplyHint();
}

bool TControl::EffectiveShowHint() const {
    if (parentShowHint_ && parent_)
        return parent_->EffectiveShowHint();
    return showHint_;
}

void TControl::ApplyHint() {
    if (widget_) {
        std::string tip = EffectiveShowHint() ? GetShortHint(hint_) : std::string();
        widget_->setToolTip(QString::fromStdString(tip));
        widget_->setToolTipDuration(Application ? Application->HintHidePause() : -1);
    }
    if (auto* w = dynamic_cast<TWinControl*>(this))
        for (TControl* c : w->controls_)
            if (c->parentShowHint_)
                c->ApplyHint();
}

void TControl::SetColor(TColor c) {
    if (c == color_ && !parentColor_)
        return;
    color_ = c;
    parentColor_ = false;
    ApplyColor();
}

void TControl::SetParentColor(bool v) {
    if (v == parentColor_)
        return;
    parentColor_ = v;
    if (v && parent_) {
        color_ = parent_->color_;
        ApplyColor();
    }
}

int TControl::ColorRole() const {
    return QPalette::Window;
}

void TControl::ApplyColor() {
    if (!widget_)
        return;
    auto role = static_cast<QPalette::ColorRole>(ColorRole());
    QColor qc = ColorToQColor(color_);
    // Palette changes are costly (they cascade to children): skip ones that change nothing.
    if (widget_->palette().color(role) != qc) {
        QPalette pal = widget_->palette();
        pal.setColor(role, qc);
        widget_->setPalette(pal);
    }
    if (role == QPalette::Window)
        widget_->setAutoFillBackground(!parentColor_ || parent_ == nullptr);
}

void TControl::ApplyFont() {
    if (!widget_)
        return;
    const QFont& f = font_->ToQFont();
    if (widget_->font() != f)
        widget_->setFont(f);
    QColor text = ColorToQColor(font_->Color());
    const QPalette& current = widget_->palette();
    if (current.color(QPalette::Active, QPalette::WindowText) == text &&
        current.color(QPalette::Active, QPalette::Text) == text &&
        current.color(QPalette::Active, QPalette::ButtonText) == text)
        return;
    QPalette pal = current;
    // The disabled group keeps the style's grey text.
    for (auto group : {QPalette::Active, QPalette::Inactive})
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(group, role, text);
    widget_->setPalette(pal);
}

void TControl::FontChanged() {
    if (!applyingParentFont_)
        parentFont_ = false;
    ApplyFont();
    if (!Quiet())
        Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool v) {
    if (v == parentFont_)
        return;
    if (v && parent_) {
        applyingParentFont_ = true;
        font_->Assign(parent_->font_.get());
        applyingParentFont_ = false;
    }
    parentFont_ = v;
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (menu == popupMenu_)
        return;
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (menu)
        menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_)
        popupMenu_ = nullptr;
}

void TControl::SetCursor(TCursor c) {
    cursor_ = c;
    if (widget_) {
        if (c == crDefault)
            widget_->unsetCursor();
        else
            widget_->setCursor(QtCursor(c));
    }
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        auto button = m.Msg == WM_LBUTTONDOWN ? mbLeft : mbRight;
        if (button == mbLeft)
            mousePressed_ = true;
        MouseDown(button, TShiftState{button == mbLeft ? ssLeft : ssRight}, LOWORD(m.LParam),
                  HIWORD(m.LParam));
        break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        auto button = m.Msg == WM_LBUTTONUP ? mbLeft : mbRight;
        bool click = button == mbLeft && mousePressed_;
        if (button == mbLeft)
            mousePressed_ = false;
        MouseUp(button, {}, LOWORD(m.LParam), HIWORD(m.LParam));
        if (click)
            Click();
        break;
    }
    case WM_LBUTTONDBLCLK:
        DblClick();
        break;
    case WM_MOUSEMOVE:
        MouseMove({}, LOWORD(m.LParam), HIWORD(m.LParam));
        break;
    case WM_SETTEXT:
        SetText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
        m.Result = 1;
        break;
    case WM_GETTEXTLENGTH:
        m.Result = static_cast<LRESULT>(GetText().size());
        break;
    default:
        break;
    }
}

void TControl::Click() {
    if (!Quiet() && OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (!Quiet() && OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (!Quiet() && OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (!Quiet() && OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (!Quiet() && OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

// ---------------------------------------------------------------------------------------
// Drag and drop inside the application. Qt's own drag needs a platform drag manager and
// blocks in its own loop; a drag within one process needs neither, so the session follows
// the mouse events the source receives (Qt keeps delivering them to the pressed widget).

namespace {

TControl* ControlAt(const QPoint& screen) {
    QWidget* w = QApplication::widgetAt(screen);
    if (!w) {
        // Some platforms (offscreen) cannot say which window is where; look ourselves.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible() || !top->geometry().contains(screen))
                continue;
            QPoint local = top->mapFromGlobal(screen);
            w = top->childAt(local);
            if (!w)
                w = top;
            break;
        }
    }
    TControl* c = w ? TControl::FromWidget(w) : nullptr;
    return c && c->EnabledInParents() ? c : nullptr;
}

void ShowDragCursor(TCursor c) {
    DragSession& d = Drag();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (d.overrideCursor)
        QApplication::changeOverrideCursor(QCursor(QtCursor(c)));
    else
        QApplication::setOverrideCursor(QCursor(QtCursor(c)));
    d.overrideCursor = true;
}
} // namespace

void TControl::BeginDrag(bool immediate, int threshold) {
    DragSession& d = Drag();
    if (d.source || Quiet())
        return;
    d = DragSession{};
    d.source = this;
    d.origin = d.last = QCursor::pos();
    d.threshold = threshold < 0 ? 5 : threshold;
    if (immediate) {
        d.started = true;
        DoStartDrag(d.dragObject);
        if (d.source == this)
            ShowDragCursor(crNoDrop);
    }
}

bool TControl::Dragging() const {
    return Drag().source == this && Drag().started;
}

TControl* TControl::DragSource() {
    return Drag().source;
}

void TControl::DragTo(TPoint screen) {
    DragSession& d = Drag();
    TControl* src = d.source;
    if (!src)
        return;
    QPoint pos(screen.X, screen.Y);
    d.last = pos;
    if (!d.started) {
        if ((pos - d.origin).manhattanLength() < d.threshold)
            return;
        d.started = true;
        src->DoStartDrag(d.dragObject);
        if (d.source != src)
            return;
    }
    TObject* what = d.dragObject ? d.dragObject : src;
    TControl* now = src->dragKind_ == dkDock ? nullptr : ControlAt(pos);
    if (now != d.target) {
        if (TControl* old = d.target) {
            bool ignored = false;
            TPoint p = old->ScreenToClient(screen);
            old->DragOver(what, p.X, p.Y, dsDragLeave, ignored);
        }
        d.target = now;
        d.accepted = false;
        if (now) {
            TPoint p = now->ScreenToClient(screen);
            now->DragOver(what, p.X, p.Y, dsDragEnter, d.accepted);
        }
    } else if (now) {
        TPoint p = now->ScreenToClient(screen);
        d.accepted = false;
        now->DragOver(what, p.X, p.Y, dsDragMove, d.accepted);
    }
    if (d.source == src)
        ShowDragCursor(d.target && d.accepted ? src->dragCursor_ : crNoDrop);
}

void TControl::EndDrag(bool drop) {
    DragSession& d = Drag();
    if (d.source != this)
        return;
    DragSession done = d;
    d = DragSession{};
    if (done.overrideCursor && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
    if (!done.started)
        return;
    TObject* what = done.dragObject ? done.dragObject : this;
    TControl* target = nullptr;
    TPoint p{0, 0};
    if (done.target) {
        p = done.target->ScreenToClient({done.last.x(), done.last.y()});
        if (drop && done.accepted) {
            target = done.target;
            target->DragDrop(what, p.X, p.Y);
        } else {
            bool ignored = false;
            done.target->DragOver(what, p.X, p.Y, dsDragLeave, ignored);
            p = {0, 0};
        }
    }
    DoEndDrag(target, p.X, p.Y);
}

void TControl::DoStartDrag(TObject*& dragObject) {
    if (Quiet())
        return;
    if (dragKind_ == dkDock) {
        if (OnStartDock)
            OnStartDock(this, dragObject);
    } else if (OnStartDrag) {
        OnStartDrag(this, dragObject);
    }
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver) && !Quiet();
    if (accept)
        OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    if (!Quiet() && OnDragDrop)
        OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    if (Quiet())
        return;
    if (dragKind_ == dkDock) {
        if (OnEndDock)
            OnEndDock(this, target, x, y);
    } else if (OnEndDrag) {
        OnEndDrag(this, target, x, y);
    }
}

void TControl::Invalidate() {
    if (widget_)
        widget_->update();
}

void TControl::Repaint() {
    if (widget_)
        widget_->repaint();
}

void TControl::Update() {
    if (widget_)
        widget_->update();
}

void TControl::BringToFront() {
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::find(v.begin(), v.end(), this));
        v.push_back(this);
    }
    if (widget_)
        widget_->raise();
}

void TControl::SendToBack() {
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::find(v.begin(), v.end(), this));
        v.insert(v.begin(), this);
    }
    if (widget_)
        widget_->lower();
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parent_) {
        UpdateFromParent();
        if (align_ != alNone)
            parent_->AlignControls();
    }
}

namespace {
// A mouse event that a child ignored travels on to its parents as the same event object;
// only the first widget's control reacts to it.
// Qt passes parents a copy with the same time stamp and screen position.
bool FirstDelivery(QEvent* e) {
    static QEvent::Type lastType = QEvent::None;
    static quint64 lastStamp = 0;
    static QPointF lastGlobal;
    auto* me = static_cast<QMouseEvent*>(e);
    if (e->type() == lastType && me->timestamp() == lastStamp && me->globalPosition() == lastGlobal)
        return false;
    lastType = e->type();
    lastStamp = me->timestamp();
    lastGlobal = me->globalPosition();
    return true;
}
} // namespace

bool TControl::WidgetEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return TCustomForm::DispatchKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        if (!FirstDelivery(event) || Quiet())
            return false;
        auto* me = static_cast<QMouseEvent*>(event);
        QPoint p = widget_ ? widget_->mapFromGlobal(me->globalPosition().toPoint())
                           : me->position().toPoint();
        TShiftState shift = ShiftStateFromQt(me->modifiers(), me->buttons());
        TMouseButton button = me->button() == Qt::RightButton    ? mbRight
                              : me->button() == Qt::MiddleButton ? mbMiddle
                                                                 : mbLeft;
        Guard([&] {
            switch (event->type()) {
            case QEvent::MouseButtonPress:
                if (button == mbLeft)
                    mousePressed_ = true;
                MouseDown(button, shift, p.x(), p.y());
                if (button == mbLeft && dragMode_ == dmAutomatic && !Drag().source) {
                    BeginDrag(false);
                    if (Drag().source == this)
                        Drag().origin = Drag().last = me->globalPosition().toPoint();
                }
                break;
            case QEvent::MouseButtonRelease: {
                if (button == mbLeft && Drag().source == this) {
                    bool wasDragging = Drag().started;
                    QPoint g = me->globalPosition().toPoint();
                    if (wasDragging)
                        DragTo({g.x(), g.y()});
                    EndDrag(true);
                    if (wasDragging) {
                        // A drop is not a click.
                        mousePressed_ = false;
                        MouseUp(button, shift, p.x(), p.y());
                        break;
                    }
                }
                bool click =
                    button == mbLeft && mousePressed_ && widget_ && widget_->rect().contains(p);
                if (button == mbLeft)
                    mousePressed_ = false;
                MouseUp(button, shift, p.x(), p.y());
                if (click && clickOnMouseUp_)
                    Click();
                break;
            }
            case QEvent::MouseButtonDblClick:
                shift.Include(ssDouble);
                MouseDown(button, shift, p.x(), p.y());
                if (button == mbLeft)
                    DblClick();
                break;
            default:
                MouseMove(shift, p.x(), p.y());
                if (Drag().source == this) {
                    QPoint g = me->globalPosition().toPoint();
                    DragTo({g.x(), g.y()});
                }
                break;
            }
        });
        return false;
    }
    case QEvent::ContextMenu:
        if (popupMenu_ && !Quiet()) {
            QPoint g = QCursor::pos();
            if (auto* ce = dynamic_cast<QContextMenuEvent*>(event))
                g = ce->globalPos();
            TPopupMenu* menu = popupMenu_;
            menu->SetPopupComponent(this);
            Guard([&] { menu->Popup(g.x(), g.y()); });
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// Painting controls

class TPaintWidget : public QWidget {
public:
    explicit TPaintWidget(std::function<void(QPainter&)> paint) : paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (paint_)
            paint_(p);
    }

private:
    std::function<void(QPainter&)> paint_;
};

STEWARD_REGISTER_CLASS(TGraphicControl, [](auto&) {});

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner, new TPaintWidget([this](QPainter& p) {
                   canvas_.SetPainter(&p);
                   canvas_.Font()->Assign(Font());
                   Paint();
                   canvas_.SetPainter(nullptr);
               })) {}

TGraphicControl::TGraphicControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}

STEWARD_REGISTER_CLASS(TCustomControl, [](auto&) {});

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner, new TPaintWidget([this](QPainter& p) {
                      canvas_.SetPainter(&p);
                      canvas_.Font()->Assign(Font());
                      Paint();
                      canvas_.SetPainter(nullptr);
                  })) {
    Widget()->setFocusPolicy(Qt::StrongFocus);
}

// ---------------------------------------------------------------------------------------
// TWinControl

namespace {
template <class C> void DescribeWinEvents(TPropertyBuilder<C>& b) {
    b.Event("OnEnter", "TNotifyEvent", &C::OnEnter);
    b.Event("OnExit", "TNotifyEvent", &C::OnExit);
    b.Event("OnKeyDown", "TKeyEvent", &C::OnKeyDown);
    b.Event("OnKeyPress", "TKeyPressEvent", &C::OnKeyPress);
    b.Event("OnKeyUp", "TKeyEvent", &C::OnKeyUp);
}
} // namespace

STEWARD_REGISTER_CLASS(TWinControl, [](TPropertyBuilder<TWinControl>& b) {
    b.Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
    b.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    b.Str("ImeName", &TWinControl::ImeName, &TWinControl::SetImeName);
    DescribeWinEvents(b);
});

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    InitWin();
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {
    InitWin();
}

void TWinControl::InitWin() {
    handle_ = NextHandle();
    HandleMap()[handle_] = this;
}

TWinControl::~TWinControl() {
    Destroying();
    // Children go with their parent, whoever owns them.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        c->Free();
    }
    HandleMap().erase(handle_);
}

QWidget* TWinControl::ClientWidget() const {
    return Widget();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("Control index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

TControl* TWinControl::FindChildControl(std::string_view name) const {
    for (TControl* c : controls_)
        if (SameIdent(c->Name(), name))
            return c;
    return nullptr;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* w = dynamic_cast<TWinControl*>(control))
        tabList_.push_back(w);
    if (QWidget* cw = control->widget_) {
        cw->setParent(ClientWidget());
        control->ApplyGeometry();
        cw->setVisible(control->visible_);
    }
    if (!control->IsLoading())
        control->UpdateFromParent();
    if (control->align_ != alNone)
        AlignControls();
}

void TWinControl::RemoveControl(TControl* control) {
    if (TCustomForm* form = GetParentForm(this))
        form->ControlRemoving(control);
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), control), tabList_.end());
    control->parent_ = nullptr;
    if (!control->IsDestroying() && control->widget_) {
        control->widget_->hide();
        control->widget_->setParent(nullptr);
    }
    if (control->align_ != alNone && !IsDestroying())
        AlignControls();
}

int TWinControl::TabOrder() const {
    if (!Parent())
        return -1;
    auto& v = Parent()->tabList_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent())
        return;
    auto& v = Parent()->tabList_;
    auto it = std::find(v.begin(), v.end(), this);
    if (it == v.end())
        return;
    v.erase(it);
    order = std::clamp(order, 0, static_cast<int>(v.size()));
    v.insert(v.begin() + order, this);
}

void TWinControl::SetTabStop(bool v) {
    tabStop_ = v;
    ApplyTabStop();
}

void TWinControl::ApplyTabStop() {}

bool TWinControl::CanFocus() const {
    TCustomForm* form = GetParentForm(this);
    if (!form)
        return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return form->Widget() && form->Widget()->isVisible();
}

bool TWinControl::Focused() const {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this)
        return form->ActiveControl() == this;
    QWidget* fw = FocusWidget();
    return fw && fw->hasFocus();
}

void TWinControl::SetFocus() {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && !form->Visible()) {
        // Remembered; the form focuses it when shown.
        form->SetActiveControl(this);
        return;
    }
    if (!CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    if (QWidget* fw = FocusWidget())
        fw->setFocus(Qt::OtherFocusReason);
    // Qt moves the focus only inside the active window; the form keeps its own account so
    // enter and exit follow the same order either way.
    if (form && form != this)
        form->SetFocusedControl(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    int count = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), current);
    int start =
        found == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
    int i = start;
    do {
        if (goForward) {
            if (++i == count)
                i = 0;
        } else {
            if (i == 0)
                i = count;
            --i;
        }
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c != current && c->CanFocus() && (!checkTabStop || c->TabStop()) &&
            (!checkParent || c->Parent() == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop);
    if (next)
        next->SetFocus();
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0)
        AlignControls();
}

void TWinControl::AdjustClientRect(TRect&) const {}

void TWinControl::AlignControls() {
    if (alignDisabled_ > 0 || aligning_ || IsLoading() || IsDestroying())
        return;
    aligning_ = true;
    TRect r = ClientRect();
    AdjustClientRect(r);
    auto pass = [&](TAlign a) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->align_ == a && c->visible_)
                list.push_back(c);
        auto key = [a](TControl* c) {
            switch (a) {
            case alTop:
                return c->top_;
            case alBottom:
                return -(c->top_ + c->height_);
            case alLeft:
                return c->left_;
            case alRight:
                return -(c->left_ + c->width_);
            default:
                return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(),
                         [&](TControl* x, TControl* y) { return key(x) < key(y); });
        for (TControl* c : list) {
            switch (a) {
            case alTop:
                c->SetBounds(r.Left, r.Top, r.Width(), c->height_);
                r.Top += c->height_;
                break;
            case alBottom:
                c->SetBounds(r.Left, r.Bottom - c->height_, r.Width(), c->height_);
                r.Bottom -= c->height_;
                break;
            case alLeft:
                c->SetBounds(r.Left, r.Top, c->width_, r.Height());
                r.Left += c->width_;
                break;
            case alRight:
                c->SetBounds(r.Right - c->width_, r.Top, c->width_, r.Height());
                r.Right -= c->width_;
                break;
            case alClient:
                c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
                break;
            default:
                break;
            }
        }
    };
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
        pass(a);
    aligning_ = false;
}

void TWinControl::Resized() {
    AlignControls();
    TControl::Resized();
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (TControl* c : controls_)
        if (c->parentFont_ && !c->IsLoading()) {
            c->applyingParentFont_ = true;
            c->font_->Assign(Font());
            c->applyingParentFont_ = false;
        }
}

void TWinControl::ApplyColor() {
    TControl::ApplyColor();
    for (TControl* c : controls_)
        if (c->parentColor_) {
            c->color_ = Color();
            c->ApplyColor();
        }
}

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
    if (!Quiet() && OnKeyDown)
        OnKeyDown(this, key, shift);
    return key != 0;
}

bool TWinControl::DoKeyPress(char& key) {
    if (!Quiet() && OnKeyPress)
        OnKeyPress(this, key);
    return key != 0;
}

bool TWinControl::DoKeyUp(WORD& key, TShiftState shift) {
    if (!Quiet() && OnKeyUp)
        OnKeyUp(this, key, shift);
    return key != 0;
}

void TWinControl::DoEnter() {
    if (!Quiet() && OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (!Quiet() && OnExit)
        OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN: {
        WORD key = static_cast<WORD>(m.WParam);
        DoKeyDown(key, {});
        m.Result = key;
        return;
    }
    case WM_CHAR: {
        char key = static_cast<char>(m.WParam);
        DoKeyPress(key);
        m.Result = static_cast<unsigned char>(key);
        return;
    }
    case WM_KEYUP: {
        WORD key = static_cast<WORD>(m.WParam);
        DoKeyUp(key, {});
        m.Result = key;
        return;
    }
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case WM_SETFOCUS:
        SetFocus();
        return;
    default:
        TControl::WndProc(m);
    }
}

void TWinControl::Loaded() {
    TControl::Loaded();
    AlignControls();
}

TCustomForm* GetParentForm(const TControl* control) {
    const TControl* c = control;
    while (c && c->Parent())
        c = c->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

// ---------------------------------------------------------------------------------------
// ClickControl

void ClickControl(TControl* control) {
    if (!control)
        return;
    control->Perform(WM_LBUTTONDOWN, 0, MAKELPARAM(0, 0));
    control->Perform(WM_LBUTTONUP, 0, MAKELPARAM(0, 0));
}

// ---------------------------------------------------------------------------------------
// TImageList

STEWARD_REGISTER_CLASS(TImageList, [](TPropertyBuilder<TImageList>& b) {
    b.Int("Width", &TImageList::Width, &TImageList::SetWidth);
    b.Int("Height", &TImageList::Height, &TImageList::SetHeight);
    b.Int("Count", &TImageList::Count, nullptr);
    b.Color("BkColor", &TImageList::BkColor, &TImageList::SetBkColor);
    b.Event("OnChange", "TNotifyEvent", &TImageList::OnChange);
});

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}
TImageList::~TImageList() = default;

void TImageList::SetWidth(int w) {
    if (w == width_)
        return;
    width_ = std::max(1, w);
    Clear();
}

void TImageList::SetHeight(int h) {
    if (h == height_)
        return;
    height_ = std::max(1, h);
    Clear();
}

void TImageList::Changed() {
    if (!IsLoading() && !IsDestroying() && OnChange)
        OnChange(this);
}

int TImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || image->Empty())
        return -1;
    int first = Count();
    QImage src = image->Image().convertToFormat(QImage::Format_ARGB32);
    QImage m = mask && !mask->Empty() ? mask->Image() : QImage();
    int n = std::max(1, src.width() / width_);
    for (int i = 0; i < n; ++i) {
        QImage part = src.copy(i * width_, 0, width_, height_);
        if (!m.isNull())
            for (int y = 0; y < part.height(); ++y)
                for (int x = 0; x < part.width(); ++x) {
                    int mx = i * width_ + x;
                    // White mask pixels are transparent, black ones keep the image.
                    if (mx < m.width() && y < m.height() && qGray(m.pixel(mx, y)) > 127)
                        part.setPixel(x, y, 0);
                }
        images_.push_back(part);
    }
    Changed();
    return first;
}

int TImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || image->Empty())
        return -1;
    TColor key = maskColor == clDefault ? image->TransparentColor() : maskColor;
    QRgb rgb = ColorToQColor(key).rgb() & 0xFFFFFF;
    int first = Count();
    QImage src = image->Image().convertToFormat(QImage::Format_ARGB32);
    int n = std::max(1, src.width() / width_);
    for (int i = 0; i < n; ++i) {
        QImage part = src.copy(i * width_, 0, width_, height_);
        for (int y = 0; y < part.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                if ((line[x] & 0xFFFFFF) == rgb)
                    line[x] = 0;
        }
        images_.push_back(part);
    }
    Changed();
    return first;
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EListError("Image index out of bounds (" + std::to_string(index) + ")");
    images_.erase(images_.begin() + index);
    Changed();
}

void TImageList::Clear() {
    if (images_.empty())
        return;
    images_.clear();
    Changed();
}

void TImageList::GetBitmap(int index, TBitmap* image) const {
    if (!image || index < 0 || index >= Count())
        return;
    QImage out(width_, height_, QImage::Format_RGB32);
    out.fill(ColorToQColor(bkColor_ == clNone ? clBtnFace : bkColor_));
    QPainter p(&out);
    p.drawImage(0, 0, images_[static_cast<size_t>(index)]);
    p.end();
    image->SetImage(out);
}

QPixmap TImageList::Pixmap(int index) const {
    if (index < 0 || index >= Count())
        return QPixmap();
    return QPixmap::fromImage(images_[static_cast<size_t>(index)]);
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
    if (!canvas || index < 0 || index >= Count())
        return;
    TBitmap tmp;
    QImage img = images_[static_cast<size_t>(index)];
    if (!enabled)
        img = img.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_ARGB32);
    // Keep transparency through the bitmap's transparent colour.
    QImage flat(img.size(), QImage::Format_RGB32);
    flat.fill(QColor(255, 0, 255));
    QPainter p(&flat);
    p.drawImage(0, 0, img);
    p.end();
    tmp.SetImage(flat);
    tmp.SetTransparentColor(clFuchsia);
    tmp.SetTransparent(true);
    canvas->Draw(x, y, &tmp);
}
