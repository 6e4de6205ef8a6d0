// Forms, the application and screen objects, the modal seam and form descriptions.
#pragma once

#include "Controls.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QKeyEvent;
class QEventLoop;
class TMainMenu;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle; // edits and panels use bsNone / bsSingle
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
    STEWARD_CLASS(TCustomForm, TWinControl)
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    void AfterConstruction() override; // raises OnCreate
    void BeforeDestruction() override; // raises OnDestroy

    QWidget* ClientWidget() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetBounds(int left, int top, int width, int height) override;
    std::string GetText() const override;
    void SetText(const std::string& s) override;
    void SetVisible(bool v) override;

    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons v);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle v);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition v) { position_ = v; }
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v) { keyPreview_ = v; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState v);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle v);
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    // The control that has (or, while the form is hidden, will get) the focus.
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Moves the form's focus to control, raising OnExit from the old control up to the
    // common parent and OnEnter from there down to the new one; tells the form with
    // CM_FOCUSCHANGED.
    void SetFocusedControl(TWinControl* control);
    bool Active() const;

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v);
    bool Modal() const { return modal_; }

    void Show();
    void Hide();
    void Close();
    // Frees the form once the queued messages are delivered (safe inside its own events).
    void Release();
    bool CloseQuery();
    // Shows the form modally and returns its modal result. Goes through the modal handler
    // when one is installed (see SetModalHandler), otherwise runs a nested event loop.
    virtual TModalResult ShowModal();
    // Raises the window and makes it the active one.
    void SetForeground();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    void WndProc(TMessage& message) override;
    bool WidgetEvent(QObject* watched, QEvent* event) override;
    void Loaded() override;

    // Internal: keyboard and focus dispatch from the widget hub.
    static bool DispatchKey(QObject* watched, QKeyEvent* event);
    static void QtFocusChanged(QWidget* now);
    void ControlRemoving(TControl* control);

protected:
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    void Resized() override;
    void ApplyGeometry() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void ApplyWindowFlags();
    void PlaceOnFirstShow();
    void LayoutClient();
    bool CloseModal();
    void FocusFirst();
    QWidget* client_ = nullptr;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    bool keyPreview_ = false;
    TWindowState windowState_ = wsNormal;
    TFormStyle formStyle_ = fsNormal;
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    QEventLoop* modalLoop_ = nullptr;
    bool placed_ = false;
    bool created_ = false;
    bool destroyed_ = false;
    bool changingFocus_ = false;
    bool hasPendingFocus_ = false;
    TWinControl* pendingFocus_ = nullptr;
    bool releasing_ = false;
};

class TForm : public TCustomForm {
    STEWARD_CLASS(TForm, TCustomForm)
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// ---------------------------------------------------------------------------------------
// The modal seam: every ShowModal (and so every message dialog) passes through the one
// installed handler. The handler may read the form, change its controls, click its buttons
// (ClickControl) and returns the modal result; 0 means "the result the form now holds".
// Without a handler, ShowModal runs a nested event loop.

using TModalHandler = std::function<TModalResult(TCustomForm& form)>;
// Installs handler (an empty one removes it); returns the previous handler.
TModalHandler SetModalHandler(TModalHandler handler);
bool HasModalHandler();

// Installs a handler for its lifetime and restores the previous one afterwards.
class TModalHandlerScope {
public:
    explicit TModalHandlerScope(TModalHandler handler)
        : previous_(SetModalHandler(std::move(handler))) {}
    ~TModalHandlerScope() { SetModalHandler(std::move(previous_)); }
    TModalHandlerScope(const TModalHandlerScope&) = delete;
    TModalHandlerScope& operator=(const TModalHandlerScope&) = delete;

private:
    TModalHandler previous_;
};

// ---------------------------------------------------------------------------------------
// Application and screen

using TExceptionEvent = TEvent<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
    STEWARD_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* owner);

    // Creates the Qt application when the process has none yet.
    void Initialize();
    // Delivers queued events and posted messages, then returns.
    void ProcessMessages();
    // Reports the exception being handled (call inside a catch block): OnException when
    // assigned, otherwise an error message dialog. EAbort is silent.
    void HandleException(TObject* sender);
    void ShowException(const std::exception& e);
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* f) { mainForm_ = f; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int ms);
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }
    HWND Handle() const { return 0; }

    // Creates a form owned by the application; the first one becomes the main form.
    template <class T> void CreateForm(T*& ref) {
        ref = Create<T>(this);
        if (!mainForm_)
            mainForm_ = ref;
    }

    TExceptionEvent OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::string title_;
    TCustomForm* mainForm_ = nullptr;
    int hintHidePause_ = 2500;
    int hintPause_ = 500;
    bool showHint_ = true;
    bool terminated_ = false;
};

class TScreen : public TComponent {
    STEWARD_CLASS(TScreen, TComponent)
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    TFont* HintFont() const { return hintFont_.get(); }
    TFont* IconFont() const { return iconFont_.get(); }
    TFont* MenuFont() const { return menuFont_.get(); }
    void SetHintFont(TFont* f) { hintFont_->Assign(f); }
    void SetIconFont(TFont* f) { iconFont_->Assign(f); }
    void SetMenuFont(TFont* f) { menuFont_->Assign(f); }
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    int FormCount() const;
    TCustomForm* Forms(int index) const;
    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return ScreenPixelsPerInch; }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);

private:
    std::unique_ptr<TFont> hintFont_, iconFont_, menuFont_;
    TCursor cursor_ = crDefault;
};

extern TApplication* Application;
extern TScreen* Screen;

// Raises the window behind handle; false when there is none.
bool SetForegroundWindow(HWND handle);

// ---------------------------------------------------------------------------------------
// Forms described as data: the controls with their kind (class name), parent, bounds,
// caption, hint, further settings (property path = text) and events (event = handler, a
// method the form class publishes). LoadFormDescription builds them with the loading state
// on, then calls Loaded on each.

struct TDescBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Given() const { return Left || Top || Width || Height; }
};

using TDescPairs = std::vector<std::pair<std::string, std::string>>;

struct TControlDescription {
    std::string Name;
    std::string Kind;
    std::string Parent; // empty: the form (or, for menu items, the menu named here)
    TDescBounds Bounds;
    std::string Caption;
    std::string Hint;
    TDescPairs Settings;
    TDescPairs Events;
};

struct TFormDescription {
    TDescPairs Settings; // the form's own: Caption, Width, Height, KeyPreview, Font.Name, ...
    TDescPairs Events;   // the form's own: OnCreate, OnShow, OnKeyDown, ...
    std::vector<TControlDescription> Controls;
};

// Raises EComponentError naming the control and setting for an unknown class, parent,
// property or handler.
void LoadFormDescription(TCustomForm* form, const TFormDescription& description);
