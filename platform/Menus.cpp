#include "Menus.h"

#include "Forms.h"
#include "TypInfo.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

TShortCut ShortCut(WORD key, TShiftState shift) {
    TShortCut s = key;
    if (shift.Contains(ssShift))
        s |= scShift;
    if (shift.Contains(ssCtrl))
        s |= scCtrl;
    if (shift.Contains(ssAlt))
        s |= scAlt;
    return s;
}

static QKeySequence ToKeySequence(TShortCut s) {
    int vk = s & 0xFF;
    if (!vk)
        return {};
    int key = 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        key = vk;
    else if (vk >= VK_F1 && vk <= VK_F12)
        key = Qt::Key_F1 + (vk - VK_F1);
    else if (vk == VK_DELETE)
        key = Qt::Key_Delete;
    else if (vk == VK_INSERT)
        key = Qt::Key_Insert;
    else if (vk == VK_RETURN)
        key = Qt::Key_Return;
    else if (vk == VK_ESCAPE)
        key = Qt::Key_Escape;
    else
        return {};
    int mods = 0;
    if (s & scShift)
        mods |= Qt::SHIFT;
    if (s & scCtrl)
        mods |= Qt::CTRL;
    if (s & scAlt)
        mods |= Qt::ALT;
    return QKeySequence(key | mods);
}

STEWARD_REGISTER_CLASS(TMenuItem, [](TPropertyBuilder<TMenuItem>& b) {
    b.Str("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
    b.Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
    b.Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
    b.Int("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex);
    b.Bool("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck);
    b.Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
    b.Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
    b.Ord("ShortCut", TypeInfoShortCut(), &TMenuItem::ShortCutValue, &TMenuItem::SetShortCut);
    b.Int("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
    b.Str("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
    b.Event("OnClick", "TNotifyEvent", &TMenuItem::OnClick);
    b.Event("OnDrawItem", "TMenuDrawItemEvent", &TMenuItem::OnDrawItem);
});

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(new QAction(nullptr)) {
    QObject::connect(action_, &QAction::triggered, [this](bool) {
        try {
            Click();
        } catch (...) {
            Application->HandleException(this);
        }
    });
}

TMenuItem::~TMenuItem() {
    Destroying();
    while (!items_.empty()) {
        TMenuItem* c = items_.back();
        items_.pop_back();
        c->parent_ = nullptr;
        c->Free();
    }
    if (parent_)
        parent_->Remove(this);
    delete subMenu_;
    delete action_;
}

void TMenuItem::SetCaption(const std::string& s) {
    caption_ = s;
    UpdateAction();
    if (parent_)
        parent_->RebuildActions(); // a line turns into a separator and back
}

void TMenuItem::SetChecked(bool v) {
    if (v == checked_)
        return;
    checked_ = v;
    if (v && radioItem_ && parent_)
        for (TMenuItem* sib : parent_->items_)
            if (sib != this && sib->radioItem_ && sib->groupIndex_ == groupIndex_ &&
                sib->checked_) {
                sib->checked_ = false;
                sib->UpdateAction();
            }
    UpdateAction();
}

void TMenuItem::SetRadioItem(bool v) {
    radioItem_ = v;
    UpdateAction();
}

void TMenuItem::SetEnabled(bool v) {
    enabled_ = v;
    UpdateAction();
}

void TMenuItem::SetVisible(bool v) {
    visible_ = v;
    UpdateAction();
}

void TMenuItem::SetShortCut(TShortCut v) {
    shortCut_ = v;
    UpdateAction();
}

void TMenuItem::SetImageIndex(int v) {
    imageIndex_ = v;
    UpdateAction();
}

void TMenuItem::UpdateAction() {
    action_->setText(QString::fromStdString(caption_));
    action_->setSeparator(IsLine());
    action_->setCheckable(checked_ || radioItem_ || autoCheck_);
    action_->setChecked(checked_);
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    action_->setShortcut(ToKeySequence(shortCut_));
    TMenu* menu = GetParentMenu();
    if (menu && menu->Images() && imageIndex_ >= 0 && imageIndex_ < menu->Images()->Count())
        action_->setIcon(QIcon(menu->Images()->Pixmap(imageIndex_)));
    else
        action_->setIcon(QIcon());
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item)
        return;
    if (item->parent_)
        throw EInvalidOperation("Menu item is already inserted");
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    item->UpdateAction();
    ChildrenChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (!IsDestroying())
        ChildrenChanged();
}

void TMenuItem::Delete(int index) {
    TMenuItem* item = Items(index);
    Remove(item);
}

void TMenuItem::Clear() {
    while (!items_.empty())
        items_.back()->Free();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* i = this;
    while (i->parent_)
        i = i->parent_;
    return i->menu_;
}

TMenuItem* TMenuItem::Find(std::string_view caption) const {
    auto strip = [](std::string s) {
        s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
        return s;
    };
    for (TMenuItem* i : items_)
        if (SameIdent(strip(i->caption_), strip(std::string(caption))))
            return i;
    return nullptr;
}

void TMenuItem::Click() {
    if (IsLoading() || IsDestroying())
        return;
    if (autoCheck_)
        SetChecked(radioItem_ ? true : !checked_);
    else
        action_->setChecked(checked_); // Qt toggled it; the item decides
    if (OnClick)
        OnClick(this);
}

void TMenuItem::ChildrenChanged() {
    if (menu_) {
        menu_->Rebuild();
        return;
    }
    if (!items_.empty() && !subMenu_) {
        subMenu_ = new QMenu;
        action_->setMenu(subMenu_);
    }
    RebuildActions();
}

void TMenuItem::RebuildActions() {
    if (menu_) {
        menu_->Rebuild();
        return;
    }
    if (!subMenu_)
        return;
    const QList<QAction*> old = subMenu_->actions(); // a copy: removing changes the list
    for (QAction* a : old)
        subMenu_->removeAction(a);
    for (TMenuItem* i : items_)
        subMenu_->addAction(i->action_);
}

// ---------------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TMenu, [](TPropertyBuilder<TMenu>& b) {
    b.Object("Items", &TMenu::Items, nullptr);
    b.Object("Images", &TMenu::Images, &TMenu::SetImages);
    b.Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
});

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    Destroying();
    if (images_)
        images_->RemoveFreeNotification(this);
    TMenuItem* root = items_;
    items_ = nullptr;
    root->menu_ = nullptr;
    root->Free();
}

void TMenu::SetImages(TImageList* images) {
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = images;
    if (images_)
        images_->FreeNotification(this);
    Rebuild();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == images_)
        images_ = nullptr;
}

void TMenu::Rebuild() {
    QWidget* c = Container();
    if (!c || !items_ || IsDestroying())
        return;
    const QList<QAction*> old = c->actions(); // a copy: removing changes the list
    for (QAction* a : old)
        c->removeAction(a);
    for (TMenuItem* i : items_->items_) {
        i->UpdateAction();
        c->addAction(i->action_);
    }
}

STEWARD_REGISTER_CLASS(TMainMenu, [](auto&) {});

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner), bar_(new QMenuBar) {}

TMainMenu::~TMainMenu() {
    Destroying();
    delete bar_;
}

QWidget* TMainMenu::Container() const {
    return bar_;
}

STEWARD_REGISTER_CLASS(TPopupMenu, [](TPropertyBuilder<TPopupMenu>& b) {
    b.Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
    b.Event("OnPopup", "TNotifyEvent", &TPopupMenu::OnPopup);
});

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner), menu_(new QMenu) {}

TPopupMenu::~TPopupMenu() {
    Destroying();
    delete menu_;
}

QWidget* TPopupMenu::Container() const {
    return menu_;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup)
        OnPopup(this);
    menu_->popup(QPoint(x, y));
}
