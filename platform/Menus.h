// Menus: main menus, pop-up menus and their items, backed by Qt actions.
#pragma once

#include "Controls.h"

#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TMenu;

using TShortCut = int;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD key, TShiftState shift);

using TMenuDrawItemEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;

class TMenuItem : public TComponent {
    STEWARD_CLASS(TMenuItem, TComponent)
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& s);
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool v);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int v) { groupIndex_ = v; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool v) { autoCheck_ = v; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    TShortCut ShortCutValue() const { return shortCut_; }
    void SetShortCut(TShortCut v);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int v);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h) { hint_ = h; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return parent_; }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
    TMenu* GetParentMenu() const;
    TMenuItem* Find(std::string_view caption) const;

    virtual void Click();

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;

    // Qt side: the item's action; a submenu when it has items.
    QAction* Action() const { return action_; }
    QMenu* SubMenu() const { return subMenu_; }
    void RebuildActions();

private:
    friend class TMenu;
    void UpdateAction();
    void ChildrenChanged();
    std::string caption_;
    bool checked_ = false, radioItem_ = false, autoCheck_ = false;
    bool enabled_ = true, visible_ = true;
    int groupIndex_ = 0;
    TShortCut shortCut_ = 0;
    int imageIndex_ = -1;
    std::string hint_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr; // set on the root item
    std::vector<TMenuItem*> items_;
    QAction* action_ = nullptr;
    QMenu* subMenu_ = nullptr;
};

class TMenu : public TComponent {
    STEWARD_CLASS(TMenu, TComponent)
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    TMenuItem* Items() const { return items_; }
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);
    // Kept for callers that switch it on; Qt draws the items either way.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool v) { ownerDraw_ = v; }
    // The widget the top-level items are shown in.
    virtual QWidget* Container() const = 0;
    void Rebuild();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TMenuItem* items_;
    TImageList* images_ = nullptr;
    bool ownerDraw_ = false;
};

class TMainMenu : public TMenu {
    STEWARD_CLASS(TMainMenu, TMenu)
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    QMenuBar* MenuBar() const { return bar_; }
    QWidget* Container() const override;

private:
    QMenuBar* bar_;
};

class TPopupMenu : public TMenu {
    STEWARD_CLASS(TPopupMenu, TMenu)
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;
    // Shows the menu at a screen position (returns at once).
    void Popup(int x, int y);
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* c) { popupComponent_ = c; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool v) { autoPopup_ = v; }
    QMenu* Menu() const { return menu_; }
    QWidget* Container() const override;

    TNotifyEvent OnPopup;

private:
    QMenu* menu_;
    TComponent* popupComponent_ = nullptr;
    bool autoPopup_ = true;
};
