#include "Forms.h"

#include "Dialogs.h"
#include "Menus.h"
#include "TypInfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <map>

namespace {

std::vector<TCustomForm*>& AllForms() {
    static std::vector<TCustomForm*> forms;
    return forms;
}

TCustomForm*& LastActiveForm() {
    static TCustomForm* form = nullptr;
    return form;
}

TModalHandler& ModalHandler() {
    static TModalHandler handler;
    return handler;
}

// Outer frame of a bordered window, as the designed sizes include it.
constexpr int kBorder = 4;
constexpr int kCaption = 23;

} // namespace

TModalHandler SetModalHandler(TModalHandler handler) {
    TModalHandler previous = std::move(ModalHandler());
    ModalHandler() = std::move(handler);
    return previous;
}

bool HasModalHandler() {
    return static_cast<bool>(ModalHandler());
}

// ---------------------------------------------------------------------------------------
// TCustomForm

STEWARD_REGISTER_CLASS(TCustomForm, [](TPropertyBuilder<TCustomForm>& b) {
    static const TTypeInfo& icons =
        b.Own(MakeSetType("TBorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}));
    static const TTypeInfo& border =
        b.Own(MakeEnumType("TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                "bsToolWindow", "bsSizeToolWin"}));
    static const TTypeInfo& position =
        b.Own(MakeEnumType("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly",
                                         "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter",
                                         "poMainFormCenter", "poOwnerFormCenter"}));
    static const TTypeInfo& state =
        b.Own(MakeEnumType("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}));
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}));
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Set("BorderIcons", icons, &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons);
    b.Ord("BorderStyle", border, &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle);
    b.Ord("Position", position, &TCustomForm::Position, &TCustomForm::SetPosition);
    b.Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
    b.Ord("WindowState", state, &TCustomForm::WindowState, &TCustomForm::SetWindowState);
    b.Ord("FormStyle", style, &TCustomForm::FormStyle, &TCustomForm::SetFormStyle);
    b.Object("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    b.Object("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
    b.Int("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult);
    b.Event("OnCreate", "TNotifyEvent", &TCustomForm::OnCreate);
    b.Event("OnDestroy", "TNotifyEvent", &TCustomForm::OnDestroy);
    b.Event("OnShow", "TNotifyEvent", &TCustomForm::OnShow);
    b.Event("OnHide", "TNotifyEvent", &TCustomForm::OnHide);
    b.Event("OnClose", "TCloseEvent", &TCustomForm::OnClose);
    b.Event("OnCloseQuery", "TCloseQueryEvent", &TCustomForm::OnCloseQuery);
    b.Event("OnActivate", "TNotifyEvent", &TCustomForm::OnActivate);
    b.Event("OnDeactivate", "TNotifyEvent", &TCustomForm::OnDeactivate);
});

STEWARD_REGISTER_CLASS(TForm, [](auto&) {});

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner, new QWidget(nullptr, Qt::Window)) {
    client_ = new QWidget(Widget());
    client_->setAutoFillBackground(false);
    visible_ = false;
    parentColor_ = false;
    parentFont_ = false;
    color_ = clBtnFace;
    ApplyColor();
    ApplyFont();
    ApplyWindowFlags();
    SetBounds(0, 0, 400, 300);
    AllForms().push_back(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    if (menu_) {
        // The menu bar belongs to the menu component, not to the window.
        if (QMenuBar* bar = menu_->MenuBar()) {
            bar->hide();
            bar->setParent(nullptr);
        }
        menu_->RemoveFreeNotification(this);
    }
    if (modalLoop_)
        modalLoop_->quit();
    auto& v = AllForms();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    if (LastActiveForm() == this)
        LastActiveForm() = nullptr;
}

void TCustomForm::AfterConstruction() {
    TWinControl::AfterConstruction();
    if (created_)
        return;
    created_ = true;
    Guard([&] { DoCreate(); });
}

void TCustomForm::BeforeDestruction() {
    if (!destroyed_) {
        destroyed_ = true;
        if (Widget() && Widget()->isVisible())
            Widget()->hide();
        Guard([&] { DoDestroy(); });
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::DoCreate() {
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (OnDestroy)
        OnDestroy(this);
}

void TCustomForm::DoShow() {
    if (!IsLoading() && OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (!Quiet() && OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose)
        OnClose(this, action);
}

QWidget* TCustomForm::ClientWidget() const {
    return client_;
}

static int MenuHeight(const TMainMenu* menu) {
    if (!menu || !menu->MenuBar())
        return 0;
    return menu->MenuBar()->sizeHint().height();
}

int TCustomForm::ClientWidth() const {
    int frame = borderStyle_ == bsNone ? 0 : 2 * kBorder;
    return std::max(0, Width() - frame);
}

int TCustomForm::ClientHeight() const {
    int frame = borderStyle_ == bsNone ? 0 : 2 * kBorder + kCaption;
    return std::max(0, Height() - frame - MenuHeight(menu_));
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
    TWinControl::SetBounds(left, top, width, height);
    ApplyGeometry();
}

void TCustomForm::ApplyGeometry() {
    if (!Widget())
        return;
    int fw = borderStyle_ == bsNone ? 0 : 2 * kBorder;
    int fh = borderStyle_ == bsNone ? 0 : 2 * kBorder + kCaption;
    Widget()->setGeometry(Left(), Top(), std::max(1, Width() - fw), std::max(1, Height() - fh));
    LayoutClient();
}

void TCustomForm::LayoutClient() {
    if (!Widget() || !client_)
        return;
    int mh = MenuHeight(menu_);
    int w = Widget()->width(), h = Widget()->height();
    if (menu_ && menu_->MenuBar())
        menu_->MenuBar()->setGeometry(0, 0, w, mh);
    client_->setGeometry(0, mh, w, std::max(0, h - mh));
}

void TCustomForm::Resized() {
    LayoutClient();
    TWinControl::Resized();
    if (!Quiet())
        Perform(WM_SIZE, 0, MAKELPARAM(ClientWidth(), ClientHeight()));
}

std::string TCustomForm::GetText() const {
    return Widget() ? Widget()->windowTitle().toStdString() : std::string();
}

void TCustomForm::SetText(const std::string& s) {
    if (Widget())
        Widget()->setWindowTitle(QString::fromStdString(s));
}

void TCustomForm::ApplyWindowFlags() {
    QWidget* w = Widget();
    if (!w)
        return;
    Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint;
    switch (borderStyle_) {
    case bsNone:
        f |= Qt::FramelessWindowHint;
        break;
    case bsDialog:
        f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        f = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        break;
    default:
        f |= Qt::WindowTitleHint;
        break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
        f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (borderStyle_ != bsDialog && borderStyle_ != bsToolWindow &&
            borderStyle_ != bsSizeToolWin) {
            if (borderIcons_.Contains(biMinimize))
                f |= Qt::WindowMinimizeButtonHint;
            if (borderIcons_.Contains(biMaximize))
                f |= Qt::WindowMaximizeButtonHint;
        }
        if (borderIcons_.Contains(biHelp))
            f |= Qt::WindowContextHelpButtonHint;
    }
    if (formStyle_ == fsStayOnTop)
        f |= Qt::WindowStaysOnTopHint;
    bool shown = w->isVisible();
    w->setWindowFlags(f);
    if (shown)
        w->show();
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
    borderIcons_ = v;
    ApplyWindowFlags();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
    borderStyle_ = v;
    ApplyWindowFlags();
    ApplyGeometry();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
    formStyle_ = v;
    ApplyWindowFlags();
}

TWindowState TCustomForm::WindowState() const {
    if (Widget() && Widget()->isVisible()) {
        if (Widget()->isMinimized())
            return wsMinimized;
        if (Widget()->isMaximized())
            return wsMaximized;
        return wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState v) {
    windowState_ = v;
    QWidget* w = Widget();
    if (!w || !w->isVisible())
        return;
    Qt::WindowStates s = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (v == wsMinimized)
        s |= Qt::WindowMinimized;
    else if (v == wsMaximized)
        s |= Qt::WindowMaximized;
    w->setWindowState(s);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu == menu_)
        return;
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        if (QMenuBar* bar = menu_->MenuBar()) {
            bar->hide();
            bar->setParent(nullptr);
        }
    }
    menu_ = menu;
    if (menu_) {
        menu_->FreeNotification(this);
        if (QMenuBar* bar = menu_->MenuBar()) {
            bar->setParent(Widget());
            bar->show();
        }
    }
    LayoutClient();
    AlignControls();
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component && component == menu_) {
        if (QMenuBar* bar = menu_->MenuBar())
            bar->setParent(nullptr);
        menu_ = nullptr;
        if (!IsDestroying())
            LayoutClient();
    }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == activeControl_)
        return;
    if (control && !ContainsControl(control))
        throw EInvalidOperation("Invalid active control");
    if (Visible() && control) {
        control->SetFocus();
        return;
    }
    activeControl_ = control;
}

void TCustomForm::ControlRemoving(TControl* control) {
    auto* w = dynamic_cast<TWinControl*>(control);
    if (!w)
        return;
    if (activeControl_ && w->ContainsControl(activeControl_))
        activeControl_ = nullptr;
    if (pendingFocus_ && w->ContainsControl(pendingFocus_))
        pendingFocus_ = nullptr;
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
    if (IsDestroying())
        return;
    if (changingFocus_) {
        pendingFocus_ = control;
        hasPendingFocus_ = true;
        return;
    }
    changingFocus_ = true;
    auto chainTo = [this](TWinControl* w) {
        std::vector<TWinControl*> v;
        for (; w && w != this; w = w->Parent())
            v.push_back(w);
        return v; // innermost first
    };
    TWinControl* target = control;
    while (target != activeControl_) {
        TWinControl* old = activeControl_;
        std::vector<TWinControl*> exits;
        for (TWinControl* w : chainTo(old)) {
            if (target && w->ContainsControl(target))
                break;
            exits.push_back(w);
        }
        for (TWinControl* w : exits) {
            Guard([&] { w->DoExit(); });
            if (hasPendingFocus_)
                break;
        }
        if (hasPendingFocus_) {
            hasPendingFocus_ = false;
            target = pendingFocus_;
            if (target == old)
                break; // the old control took the focus back: no enter
        }
        activeControl_ = target;
        std::vector<TWinControl*> enters;
        for (TWinControl* w : chainTo(target)) {
            if (old && w->ContainsControl(old))
                break;
            enters.insert(enters.begin(), w);
        }
        for (TWinControl* w : enters)
            Guard([&] { w->DoEnter(); });
        Guard([&] { Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(target)); });
        if (!hasPendingFocus_)
            break;
        hasPendingFocus_ = false;
        target = pendingFocus_;
    }
    changingFocus_ = false;
}

bool TCustomForm::Active() const {
    return Widget() && Widget()->isActiveWindow();
}

void TCustomForm::SetModalResult(TModalResult v) {
    modalResult_ = v;
    if (modal_ && v != mrNone && modalLoop_)
        modalLoop_->quit();
}

void TCustomForm::PlaceOnFirstShow() {
    if (placed_)
        return;
    placed_ = true;
    QRect area;
    if (position_ == poOwnerFormCenter || position_ == poMainFormCenter) {
        TCustomForm* ref = position_ == poMainFormCenter ? Application->MainForm()
                                                         : dynamic_cast<TCustomForm*>(Owner());
        if (ref && ref != this && ref->Visible())
            area = QRect(ref->Left(), ref->Top(), ref->Width(), ref->Height());
    }
    if (area.isNull() && (position_ == poScreenCenter || position_ == poDesktopCenter ||
                          position_ == poOwnerFormCenter || position_ == poMainFormCenter)) {
        if (QScreen* s = QGuiApplication::primaryScreen())
            area = s->availableGeometry();
    }
    if (!area.isNull())
        SetBounds(area.x() + (area.width() - Width()) / 2,
                  area.y() + (area.height() - Height()) / 2, Width(), Height());
}

void TCustomForm::FocusFirst() {
    TWinControl* target = activeControl_;
    if (target && !target->CanFocus())
        target = nullptr;
    if (!target)
        target = FindNextControl(nullptr, true, true, false);
    activeControl_ = nullptr;
    if (!target)
        return;
    if (QWidget* fw = target->FocusWidget())
        fw->setFocus(Qt::ActiveWindowFocusReason);
    SetFocusedControl(target);
}

void TCustomForm::SetVisible(bool v) {
    QWidget* w = Widget();
    if (v == visible_ && (!w || w->isVisible() == v))
        return;
    if (v) {
        visible_ = true;
        Guard([&] { DoShow(); });
        if (!visible_) // OnShow hid the form again
            return;
        PlaceOnFirstShow();
        AlignControls();
        if (windowState_ == wsMinimized)
            w->showMinimized();
        else if (windowState_ == wsMaximized)
            w->showMaximized();
        else
            w->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            w->raise();
        w->activateWindow();
        LastActiveForm() = this;
        FocusFirst();
    } else {
        visible_ = false;
        Guard([&] { DoHide(); });
        if (w)
            w->hide();
        if (LastActiveForm() == this)
            LastActiveForm() = nullptr;
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    SetForeground();
}

void TCustomForm::Hide() {
    SetVisible(false);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Hide();
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Release() {
    if (releasing_)
        return;
    releasing_ = true;
    if (!PostMessage(Handle(), CM_RELEASE, 0, 0))
        Free();
}

bool TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone) {
        modalResult_ = mrNone;
        return false;
    }
    if (action == caFree)
        Release();
    return true;
}

TModalResult TCustomForm::ShowModal() {
    if (modal_ || Visible())
        throw EInvalidOperation("Cannot make a visible window modal");
    modal_ = true;
    modalResult_ = mrNone;
    struct ResetModal {
        TCustomForm* f;
        ~ResetModal() { f->modal_ = false; }
    } reset{this};
    Show();
    TModalHandler handler = ModalHandler();
    if (handler) {
        // A handler that leaves the form open (OnCloseQuery said no) is asked again, a
        // bounded number of times, so a test can never hang here.
        for (int round = 0;; ++round) {
            TModalResult r = handler(*this);
            if (r != mrNone)
                modalResult_ = r;
            if (modalResult_ == mrNone)
                modalResult_ = mrCancel;
            if (CloseModal() || round >= 16)
                break;
        }
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
    } else {
        Widget()->setWindowModality(Qt::ApplicationModal);
        QEventLoop loop;
        modalLoop_ = &loop;
        while (true) {
            if (modalResult_ == mrNone)
                loop.exec();
            if (IsDestroying() || Application->Terminated()) {
                modalResult_ = mrCancel;
                break;
            }
            if (CloseModal())
                break;
        }
        modalLoop_ = nullptr;
        Widget()->setWindowModality(Qt::NonModal);
    }
    Hide();
    return modalResult_;
}

void TCustomForm::SetForeground() {
    if (QWidget* w = Widget(); w && w->isVisible()) {
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            w->raise();
        w->activateWindow();
    }
}

bool SetForegroundWindow(HWND handle) {
    auto* form = dynamic_cast<TCustomForm*>(FindControl(handle));
    if (!form)
        return false;
    form->SetForeground();
    return true;
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        Free(); // nothing may touch the form after this
        return;
    case WM_SYSCOMMAND:
        switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE:
            SetWindowState(wsMinimized);
            return;
        case SC_MAXIMIZE:
            SetWindowState(wsMaximized);
            return;
        case SC_RESTORE:
            SetWindowState(wsNormal);
            return;
        case SC_CLOSE:
            Close();
            return;
        default:
            return;
        }
    default:
        TWinControl::WndProc(m);
    }
}

bool TCustomForm::WidgetEvent(QObject* watched, QEvent* event) {
    if (watched == Widget()) {
        switch (event->type()) {
        case QEvent::Close:
            // The window's close button: the form decides (OnCloseQuery, OnClose).
            event->ignore();
            Guard([&] { Close(); });
            return true;
        case QEvent::Resize: {
            QSize s = Widget()->size();
            int fw = borderStyle_ == bsNone ? 0 : 2 * kBorder;
            int fh = borderStyle_ == bsNone ? 0 : 2 * kBorder + kCaption;
            LayoutClient();
            if (s.width() + fw != Width() || s.height() + fh != Height()) {
                width_ = s.width() + fw;
                height_ = s.height() + fh;
                Resized();
            }
            return false;
        }
        case QEvent::Move:
            if (!Quiet())
                Guard([&] { Perform(WM_MOVE, 0, MAKELPARAM(Widget()->x(), Widget()->y())); });
            return false;
        case QEvent::WindowActivate:
            LastActiveForm() = this;
            if (!Quiet() && OnActivate)
                Guard([&] { OnActivate(this); });
            return false;
        case QEvent::WindowDeactivate:
            if (!Quiet() && OnDeactivate)
                Guard([&] { OnDeactivate(this); });
            return false;
        case QEvent::WindowStateChange:
            windowState_ = Widget()->isMinimized()   ? wsMinimized
                           : Widget()->isMaximized() ? wsMaximized
                                                     : wsNormal;
            return false;
        default:
            break;
        }
    }
    return TWinControl::WidgetEvent(watched, event);
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    LayoutClient();
}

// ---------------------------------------------------------------------------------------
// Keyboard and focus dispatch

namespace {
bool& Redelivering() {
    static bool flag = false;
    return flag;
}

// Every control on the form, depth first.
void Collect(TWinControl* parent, std::vector<TControl*>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        out.push_back(c);
        if (auto* w = dynamic_cast<TWinControl*>(c))
            Collect(w, out);
    }
}

int QtKeyForChar(char ch) {
    if (ch >= 'a' && ch <= 'z')
        return Qt::Key_A + (ch - 'a');
    if (ch >= 'A' && ch <= 'Z')
        return Qt::Key_A + (ch - 'A');
    switch (ch) {
    case '\r':
        return Qt::Key_Return;
    case '\b':
        return Qt::Key_Backspace;
    case '\t':
        return Qt::Key_Tab;
    case 27:
        return Qt::Key_Escape;
    default:
        return ch; // digits and punctuation share their ASCII codes
    }
}
} // namespace

bool TCustomForm::DispatchKey(QObject* watched, QKeyEvent* e) {
    if (Redelivering())
        return false;
    // Only the control whose widget has the focus reacts: a key a child ignored travels on
    // to its parents, which must not see it again. The window's own focus widget counts
    // when the window is not the active one (offscreen, or a key sent in code).
    auto* watchedWidget = qobject_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (!focus) {
        TCustomForm* f = GetParentForm(TControl::FromWidget(watched));
        if (f && f->ActiveControl())
            focus = f->ActiveControl()->FocusWidget();
    }
    if (!focus)
        focus = watchedWidget;
    // The focus widget itself, or (for an inner widget nobody watches) its nearest watched
    // ancestor, handles the key; further deliveries are the key travelling to parents.
    if (TControl::WatchedAncestor(focus) != watched)
        return false;
    auto* wc = dynamic_cast<TWinControl*>(TControl::FromWidget(watched));
    if (!wc || wc->Quiet())
        return false;

    TCustomForm* form = GetParentForm(wc);
    WORD key = VirtualKeyFromQt(e->key(), static_cast<int>(e->modifiers()));
    TShiftState shift = ShiftStateFromQt(static_cast<int>(e->modifiers()));
    bool preview = form && form != wc && form->KeyPreview();
    bool consumed = false;
    wc->Guard([&] {
        if (e->type() == QEvent::KeyRelease) {
            if (!key)
                return;
            if (preview && !form->DoKeyUp(key, shift)) {
                consumed = true;
                return;
            }
            consumed = !wc->DoKeyUp(key, shift);
            return;
        }
        if (key) {
            if (preview && !form->DoKeyDown(key, shift)) {
                consumed = true;
                return;
            }
            if (!wc->DoKeyDown(key, shift)) {
                consumed = true;
                return;
            }
            if (key == VK_TAB && form && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt) &&
                !wc->WantsKey(VK_TAB, shift)) {
                form->SelectNext(wc == form ? nullptr : wc, !shift.Contains(ssShift), true);
                consumed = true;
                return;
            }
            if ((key == VK_RETURN || key == VK_ESCAPE) && form && !wc->WantsKey(key, shift)) {
                std::vector<TControl*> all;
                Collect(form, all);
                for (TControl* c : all)
                    if (c->Showing() && c->EnabledInParents() && c->DialogKey(key, shift)) {
                        consumed = true;
                        return;
                    }
            }
        }
        QString text = e->text();
        if (text.size() != 1 || text[0].unicode() >= 0x80 || text[0].unicode() == 0)
            return;
        char ch = static_cast<char>(text[0].unicode());
        char original = ch;
        if (preview && !form->DoKeyPress(ch)) {
            consumed = true;
            return;
        }
        if (!wc->DoKeyPress(ch)) {
            consumed = true;
            return;
        }
        if (ch != original) {
            // A handler replaced the character: the widget gets the replacement instead.
            QKeyEvent replacement(QEvent::KeyPress, QtKeyForChar(ch), e->modifiers(),
                                  QString(QChar(ch)));
            Redelivering() = true;
            QCoreApplication::sendEvent(watched, &replacement);
            Redelivering() = false;
            consumed = true;
        }
    });
    return consumed;
}

void TCustomForm::QtFocusChanged(QWidget* now) {
    if (!now)
        return;
    TControl* c = TControl::FromWidget(now);
    while (c && !dynamic_cast<TWinControl*>(c))
        c = c->Parent();
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (!wc)
        return;
    TCustomForm* form = GetParentForm(wc);
    if (!form || form->IsDestroying() || wc->Quiet())
        return;
    LastActiveForm() = form;
    form->SetFocusedControl(wc == form ? form->activeControl_ : wc);
}

// ---------------------------------------------------------------------------------------
// Application

STEWARD_REGISTER_CLASS(TApplication, [](TPropertyBuilder<TApplication>& b) {
    b.Str("Title", &TApplication::Title, &TApplication::SetTitle);
    b.Int("HintHidePause", &TApplication::HintHidePause, &TApplication::SetHintHidePause);
    b.Int("HintPause", &TApplication::HintPause, &TApplication::SetHintPause);
    b.Bool("ShowHint", &TApplication::ShowHint, &TApplication::SetShowHint);
    b.Event("OnException", "TExceptionEvent", &TApplication::OnException);
});

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

void TApplication::Initialize() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "steward";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives as long as the process
}

void TApplication::ProcessMessages() {
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::SetHintHidePause(int ms) {
    hintHidePause_ = ms;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Controls created later take it in TControl::ApplyHint.
    for (QWidget* w : QApplication::allWidgets()) {
        TControl* c = TControl::FromWidget(w);
        if (c && c->Widget() == w)
            w->setToolTipDuration(ms);
    }
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr current = std::current_exception();
    if (!current)
        return;
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (...) {
        std::runtime_error e("Unknown error");
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    }
}

void TApplication::ShowException(const std::exception& e) {
    std::string msg = e.what();
    if (!msg.empty() && msg.back() != '.')
        msg += '.';
    if (!QCoreApplication::instance()) {
        std::fprintf(stderr, "%s\n", msg.c_str());
        return;
    }
    MessageDlg(msg, mtError, {mbOK}, 0);
}

void TApplication::Run() {
    if (mainForm_)
        mainForm_->Show();
    if (QCoreApplication::instance() && !terminated_)
        QCoreApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_)
        mainForm_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// Screen

STEWARD_REGISTER_CLASS(TScreen, [](TPropertyBuilder<TScreen>& b) {
    b.Object("HintFont", &TScreen::HintFont, &TScreen::SetHintFont);
    b.Object("IconFont", &TScreen::IconFont, &TScreen::SetIconFont);
    b.Object("MenuFont", &TScreen::MenuFont, &TScreen::SetMenuFont);
    b.Int("Width", &TScreen::Width, nullptr);
    b.Int("Height", &TScreen::Height, nullptr);
});

TScreen::TScreen(TComponent* owner)
    : TComponent(owner), hintFont_(std::make_unique<TFont>()), iconFont_(std::make_unique<TFont>()),
      menuFont_(std::make_unique<TFont>()) {
    hintFont_->SetColor(clInfoText);
    hintFont_->OnChange = [this](TObject*) {
        if (QCoreApplication::instance())
            QToolTip::setFont(hintFont_->ToQFont());
    };
    // Menus take the font when they are shown, so menus already built follow too.
    menuFont_->OnChange = [this](TObject*) {
        if (QCoreApplication::instance())
            QApplication::setFont(menuFont_->ToQFont(), "QMenu");
    };
}

TScreen::~TScreen() = default;

TCustomForm* TScreen::ActiveForm() const {
    for (TCustomForm* f : AllForms())
        if (f->Active())
            return f;
    return LastActiveForm();
}

TWinControl* TScreen::ActiveControl() const {
    TCustomForm* f = ActiveForm();
    return f ? f->ActiveControl() : nullptr;
}

int TScreen::FormCount() const {
    return static_cast<int>(AllForms().size());
}

TCustomForm* TScreen::Forms(int index) const {
    if (index < 0 || index >= FormCount())
        throw EListError("Form index out of bounds (" + std::to_string(index) + ")");
    return AllForms()[static_cast<size_t>(index)];
}

int TScreen::Width() const {
    QScreen* s = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    return s ? s->geometry().width() : 1024;
}

int TScreen::Height() const {
    QScreen* s = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
    return s ? s->geometry().height() : 768;
}

void TScreen::SetCursor(TCursor c) {
    if (c == cursor_)
        return;
    if (QCoreApplication::instance()) {
        if (cursor_ != crDefault)
            QApplication::restoreOverrideCursor();
        if (c != crDefault)
            QApplication::setOverrideCursor(c == crHourGlass ? Qt::WaitCursor : Qt::ArrowCursor);
    }
    cursor_ = c;
}

// Never freed: forms and controls may be destroyed by statics at exit and still ask.
TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

// ---------------------------------------------------------------------------------------
// Form descriptions

namespace {
[[noreturn]] void LoadError(const std::string& where, const std::string& what) {
    throw EComponentError("Error reading " + where + ": " + what);
}

void ApplySettings(TComponent* c, const std::string& where, const TDescPairs& settings,
                   std::vector<std::pair<TWinControl*, int>>& tabOrders) {
    for (const auto& [path, value] : settings) {
        if (SameIdent(path, "TabOrder")) {
            if (auto* w = dynamic_cast<TWinControl*>(c)) {
                tabOrders.push_back({w, std::stoi(value)});
                continue;
            }
        }
        try {
            SetPropTextByPath(c, path, value);
        } catch (const std::exception& e) {
            LoadError(where + "." + path, e.what());
        }
    }
}

void ApplyEvents(TCustomForm* form, TComponent* c, const std::string& where,
                 const TDescPairs& events) {
    for (const auto& [event, handler] : events) {
        const TMethodInfo* m = form->ClassType().FindMethod(handler);
        if (!m)
            LoadError(where + "." + event,
                      "method " + handler + " not found in " + form->ClassName());
        try {
            SetMethodProp(c, event, m->Bind(form));
        } catch (const std::exception& e) {
            LoadError(where + "." + event, e.what());
        }
    }
}
} // namespace

void LoadFormDescription(TCustomForm* form, const TFormDescription& d) {
    std::vector<TComponent*> loaded;
    std::vector<std::pair<TWinControl*, int>> tabOrders;
    form->SetLoading();
    form->DisableAlign();
    std::string formName = form->Name().empty() ? form->ClassName() : form->Name();
    ApplySettings(form, formName, d.Settings, tabOrders);
    ApplyEvents(form, form, formName, d.Events);
    for (const TControlDescription& cd : d.Controls) {
        const TClassInfo* cls = GetClass(cd.Kind);
        if (!cls)
            LoadError(cd.Name, "class " + cd.Kind + " not found");
        TComponent* comp = cls->Create(form);
        comp->SetLoading();
        loaded.push_back(comp);
        try {
            comp->SetName(cd.Name);
        } catch (const std::exception& e) {
            LoadError(cd.Name, e.what());
        }
        TComponent* parent = cd.Parent.empty() ? form : form->FindComponent(cd.Parent);
        if (!parent)
            LoadError(cd.Name, "parent " + cd.Parent + " not found");
        if (auto* ctl = dynamic_cast<TControl*>(comp)) {
            auto* p = dynamic_cast<TWinControl*>(parent);
            if (!p)
                LoadError(cd.Name, cd.Parent + " cannot hold controls");
            ctl->SetParent(p);
            if (cd.Bounds.Given())
                ctl->SetBounds(cd.Bounds.Left, cd.Bounds.Top, cd.Bounds.Width, cd.Bounds.Height);
        } else if (auto* item = dynamic_cast<TMenuItem*>(comp)) {
            if (auto* menu = dynamic_cast<TMenu*>(parent))
                menu->Items()->Add(item);
            else if (auto* up = dynamic_cast<TMenuItem*>(parent))
                up->Add(item);
            else
                LoadError(cd.Name, cd.Parent + " is not a menu");
        }
        if (!cd.Caption.empty()) {
            try {
                SetPropText(comp, "Caption", cd.Caption);
            } catch (const std::exception& e) {
                LoadError(cd.Name + ".Caption", e.what());
            }
        }
        if (!cd.Hint.empty()) {
            try {
                SetPropText(comp, "Hint", cd.Hint);
            } catch (const std::exception& e) {
                LoadError(cd.Name + ".Hint", e.what());
            }
        }
        ApplySettings(comp, cd.Name, cd.Settings, tabOrders);
        ApplyEvents(form, comp, cd.Name, cd.Events);
    }
    // Tab orders as described: lowest first, so each lands where it asks.
    std::stable_sort(tabOrders.begin(), tabOrders.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    for (auto& [w, order] : tabOrders)
        w->SetTabOrder(order);
    for (TComponent* c : loaded)
        c->Loaded();
    form->EnableAlign();
    form->Loaded();
}
