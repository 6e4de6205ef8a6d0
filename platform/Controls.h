// Controls: the base classes every visible control derives from. Each control wraps a Qt
// widget; its properties read and write the widget's real state.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QObject;
class QEvent;
class QKeyEvent;
class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragKind { dkDrag, dkDock };
enum TModalResultValue : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10
};
using TModalResult = int;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
                  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
                  crHandPoint = -21, crSizeAll = -22;
const TTypeInfo& TypeInfoCursor();

using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;
using TMouseEvent =
    TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent =
    TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TStartDragEvent = TEvent<void(TObject* Sender, TObject*& DragObject)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TWndMethod = std::function<void(TMessage&)>;

// The Qt modifiers of an event as a shift state; the VCL key code of a Qt key (0: none).
TShiftState ShiftStateFromQt(int modifiers, int buttons = 0);
WORD VirtualKeyFromQt(int qtKey, int modifiers = 0);
// The short part of a "short|long" hint.
std::string GetShortHint(const std::string& hint);

class TControl : public TComponent {
    STEWARD_CLASS(TControl, TComponent)
    explicit TControl(TComponent* owner);
    ~TControl() override;

    QWidget* Widget() const { return widget_; }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    bool HasParent() const { return parent_ != nullptr; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    virtual int ClientWidth() const { return width_; }
    virtual int ClientHeight() const { return height_; }
    void SetClientWidth(int v) { SetWidth(width_ - ClientWidth() + v); }
    void SetClientHeight(int v) { SetHeight(height_ - ClientHeight() + v); }
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors a) { anchors_ = a; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a shown window visible too.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool v);
    // Enabled, and every parent enabled too.
    bool EnabledInParents() const;

    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& s) { SetText(s); }
    std::string Text() const { return GetText(); }
    void SetTextProp(const std::string& s) { SetText(s); }
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& s);

    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v);
    bool EffectiveShowHint() const;

    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* f) { font_->Assign(f); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);

    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode m) { dragMode_ = m; }
    TDragKind DragKind() const { return dragKind_; }
    void SetDragKind(TDragKind k) { dragKind_ = k; }
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor c) { dragCursor_ = c; }

    // In-process drag and drop. BeginDrag makes this control the source; unless immediate,
    // the drag starts once the mouse has moved threshold pixels (negative: 5). Moving the
    // mouse (or DragTo) asks the control under the cursor through DragOver; EndDrag(true)
    // drops on it when it accepted, then OnEndDrag tells the source the target (or null).
    // A dkDock drag raises OnStartDock/OnEndDock instead; there are no dock sites, so it
    // always ends without a target.
    void BeginDrag(bool immediate, int threshold = -1);
    void EndDrag(bool drop);
    bool Dragging() const;
    // Moves the drag in progress to a screen position.
    static void DragTo(TPoint screen);
    // The control being dragged (also while waiting for the threshold), or null.
    static TControl* DragSource();

    // Message handling: Perform runs WindowProc (by default WndProc) at once.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& message);

    virtual void Click();
    virtual void DblClick();
    // A Return or Escape the focused control did not want: a default or cancel button
    // takes it (clicks itself) and returns true.
    virtual bool DialogKey(WORD /*key*/, TShiftState /*shift*/) { return false; }
    void Invalidate();
    void Repaint();
    void Refresh() { Repaint(); }
    void Update();
    void BringToFront();
    void SendToBack();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDock;
    TEndDragEvent OnEndDock;

    void Loaded() override;

    // Internal: the control a widget belongs to (the nearest registered ancestor).
    static TControl* FromWidget(const QObject* widget);
    // Internal: widget itself when watched, else its nearest watched ancestor.
    static const QObject* WatchedAncestor(const QObject* widget);
    // Internal: Qt events of the watched widgets; true consumes the event.
    virtual bool WidgetEvent(QObject* watched, QEvent* event);

protected:
    TControl(TComponent* owner, QWidget* widget);
    // Another widget whose events belong to this control (the inner edit of a spin box).
    void WatchWidget(QWidget* w);
    // Role of the palette Color paints; edits and lists paint their base.
    virtual int ColorRole() const;
    virtual void ApplyColor();
    virtual void ApplyFont();
    void ApplyHint();
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void Resized();
    // When false, a left-button release over the control does not call Click (the widget
    // reports clicks itself, e.g. buttons and check boxes).
    bool clickOnMouseUp_ = true;
    // Events raised while loading or destroying are dropped.
    bool Quiet() const { return IsLoading() || IsDestroying(); }
    void Notification(TComponent* component, TOperation operation) override;
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // Drag reactions; by default they raise the events. DragOver accepts when the control
    // has an OnDragOver handler and the handler leaves Accept set.
    virtual void DoStartDrag(TObject*& dragObject);
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    virtual void DoEndDrag(TObject* target, int x, int y);
    virtual void ApplyGeometry();
    // Calls f, reporting an escaping error through Application->HandleException: Qt event
    // handlers must not throw.
    void Guard(const std::function<void()>& f);

    friend class TWinControl;
    friend class TCustomForm;
    void UpdateFromParent();

private:
    void Init();
    QPointer<QWidget> widget_;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool applyingParentFont_ = false;
    TPopupMenu* popupMenu_ = nullptr;
    TCursor cursor_ = crDefault;
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    TCursor dragCursor_ = crDrag;
    bool mousePressed_ = false;
};

// A control without a window handle or focus (labels, speed buttons, splitters).
class TGraphicControl : public TControl {
    STEWARD_CLASS(TGraphicControl, TControl)
    explicit TGraphicControl(TComponent* owner);
    TCanvas* Canvas() { return &canvas_; }

protected:
    TGraphicControl(TComponent* owner, QWidget* widget);
    // Paints on Canvas; the default draws nothing.
    virtual void Paint() {}
    friend class TPaintWidget;
    TCanvas canvas_;
};

class TWinControl : public TControl {
    STEWARD_CLASS(TWinControl, TControl)
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != 0; }
    // Where the widgets of child controls live.
    virtual QWidget* ClientWidget() const;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    bool ContainsControl(const TControl* control) const;
    TControl* FindChildControl(std::string_view name) const;

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // The windowed children in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                 bool checkParent) const;
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
    // Whether the control itself handles this key instead of dialog navigation
    // (a memo wants Return, a grid wants Tab, ...).
    virtual bool WantsKey(WORD /*key*/, TShiftState /*shift*/) const { return false; }

    void AlignControls();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();

    const std::string& ImeName() const { return imeName_; }
    void SetImeName(const std::string& v) { imeName_ = v; }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    // Raise the events; return false when the key was consumed (set to 0).
    virtual bool DoKeyDown(WORD& key, TShiftState shift);
    virtual bool DoKeyPress(char& key);
    virtual bool DoKeyUp(WORD& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();

    void WndProc(TMessage& message) override;
    void Loaded() override;

protected:
    TWinControl(TComponent* owner, QWidget* widget);
    virtual void AdjustClientRect(TRect& rect) const;
    virtual void InsertControl(TControl* control);
    virtual void RemoveControl(TControl* control);
    void Resized() override;
    void FontChanged() override;
    void ApplyColor() override;
    // The widget that takes the keyboard focus for this control.
    virtual QWidget* FocusWidget() const { return Widget(); }
    void ApplyTabStop();
    friend class TControl;
    friend class TCustomForm;

private:
    void InitWin();
    HWND handle_ = 0;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    bool tabStop_ = false;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    std::string imeName_;
};

// A windowed control that paints itself on Canvas.
class TCustomControl : public TWinControl {
    STEWARD_CLASS(TCustomControl, TWinControl)
    explicit TCustomControl(TComponent* owner);
    TCanvas* Canvas() { return &canvas_; }

protected:
    virtual void Paint() {}
    friend class TPaintWidget;
    TCanvas canvas_;
};

// The form a control sits on (the control itself for a form), or null.
TCustomForm* GetParentForm(const TControl* control);

// ---------------------------------------------------------------------------------------
// Image lists

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TImageList : public TComponent {
    STEWARD_CLASS(TImageList, TComponent)
    explicit TImageList(TComponent* owner);
    ~TImageList() override;

    int Width() const { return width_; }
    void SetWidth(int w);
    int Height() const { return height_; }
    void SetHeight(int h);
    int Count() const { return static_cast<int>(images_.size()); }
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor c) { bkColor_ = c; }

    // Adds the images of a strip as wide as a multiple of Width; returns the first index.
    int Add(TBitmap* image, TBitmap* mask = nullptr);
    // As Add, with maskColor made transparent (clDefault: the bottom-left pixel's colour).
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index);
    void Clear();
    void GetBitmap(int index, TBitmap* image) const;
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
    QPixmap Pixmap(int index) const;

    TNotifyEvent OnChange;

private:
    void Changed();
    int width_ = 16, height_ = 16;
    TColor bkColor_ = clNone;
    std::vector<QImage> images_; // ARGB, transparent where masked
};
