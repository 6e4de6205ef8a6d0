// Drag and drop between controls of one application, the drag and dock events by name,
// and the screen's hint and menu fonts with the hint pause.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Mask.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TypInfo.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string NameOf(TObject* o) {
    auto* c = dynamic_cast<TComponent*>(o);
    return c ? c->Name() : std::string("null");
}

// A form with a source panel and two targets side by side, shown at a known place.
class DragDrop : public ::testing::Test {
public:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetName("frmDrag");
        form->SetBounds(100, 100, 400, 200);
        source = new TPanel(form);
        source->SetName("pnlSource");
        source->SetParent(form);
        source->SetBounds(10, 10, 80, 80);
        target = new TEdit(form);
        target->SetName("edTarget");
        target->SetParent(form);
        target->SetBounds(120, 10, 100, 24);
        other = new TLabel(form);
        other->SetName("lblOther");
        other->SetParent(form);
        other->SetBounds(260, 10, 100, 24);
        form->Show();
        QApplication::processEvents();

        source->OnStartDrag = [this](TObject* s, TObject*&) {
            log.push_back("start:" + NameOf(s));
        };
        source->OnEndDrag = [this](TObject* s, TObject* t, int x, int y) {
            log.push_back("end:" + NameOf(s) + "->" + NameOf(t));
            endAt = {x, y};
        };
        for (TControl* c : std::initializer_list<TControl*>{target, other}) {
            c->OnDragOver = [this](TObject* s, TObject* src, int, int, TDragState st,
                                   bool& accept) {
                static const char* const states[] = {"enter", "leave", "move"};
                log.push_back("over:" + NameOf(s) + ":" + states[st] + "<-" + NameOf(src));
                accept = accepting;
            };
            c->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
                log.push_back("drop:" + NameOf(s) + "<-" + NameOf(src));
                dropAt = {x, y};
            };
        }
    }
    void TearDown() override { form->Free(); }

    TPoint Inside(TControl* c, int x = 5, int y = 5) const { return c->ClientToScreen({x, y}); }
    void Mouse(QEvent::Type type, TPoint screen, Qt::MouseButtons buttons) {
        QWidget* w = source->Widget();
        QPointF global(screen.X, screen.Y);
        QMouseEvent e(type, w->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    TForm* form = nullptr;
    TPanel* source = nullptr;
    TEdit* target = nullptr;
    TLabel* other = nullptr;
    bool accepting = true;
    std::vector<std::string> log;
    TPoint dropAt{-1, -1}, endAt{-1, -1};
};

TEST_F(DragDrop, AcceptedDropRaisesTheEventsInOrder) {
    source->BeginDrag(true);
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(TControl::DragSource(), source);
    TControl::DragTo(Inside(target, 3, 4));
    TControl::DragTo(Inside(target, 7, 9));
    source->EndDrag(true);

    EXPECT_EQ(log,
              (std::vector<std::string>{"start:pnlSource", "over:edTarget:enter<-pnlSource",
                                        "over:edTarget:move<-pnlSource", "drop:edTarget<-pnlSource",
                                        "end:pnlSource->edTarget"}));
    // Both the drop and the end report the point in the target's client coordinates.
    EXPECT_EQ(dropAt.X, 7);
    EXPECT_EQ(dropAt.Y, 9);
    EXPECT_EQ(endAt.X, 7);
    EXPECT_EQ(endAt.Y, 9);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(TControl::DragSource(), nullptr);
}

TEST_F(DragDrop, NoDropWithoutAcceptance) {
    struct Case {
        const char* what;
        std::function<void(DragDrop&)> prepare;
        bool drop;
        std::vector<std::string> log;
    };
    const std::vector<Case> cases = {
        {"target refuses",
         [](DragDrop& t) { t.accepting = false; },
         true,
         {"start:pnlSource", "over:edTarget:enter<-pnlSource", "over:edTarget:leave<-pnlSource",
          "end:pnlSource->null"}},
        {"target has no OnDragOver",
         [](DragDrop& t) { t.target->OnDragOver = {}; },
         true,
         {"start:pnlSource", "end:pnlSource->null"}},
        {"drag cancelled",
         [](DragDrop&) {},
         false,
         {"start:pnlSource", "over:edTarget:enter<-pnlSource", "over:edTarget:leave<-pnlSource",
          "end:pnlSource->null"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        log.clear();
        accepting = true;
        SetUp();
        c.prepare(*this);
        source->BeginDrag(true);
        TControl::DragTo(Inside(target));
        source->EndDrag(c.drop);
        EXPECT_EQ(log, c.log);
    }
}

TEST_F(DragDrop, MovingOnLeavesTheOldTargetAndEntersTheNew) {
    source->BeginDrag(true);
    TControl::DragTo(Inside(target));
    TControl::DragTo(Inside(other));
    TControl::DragTo(Inside(form, 380, 150)); // empty form: a target without OnDragOver
    TControl::DragTo(Inside(other));
    source->EndDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "start:pnlSource", "over:edTarget:enter<-pnlSource",
                       "over:edTarget:leave<-pnlSource", "over:lblOther:enter<-pnlSource",
                       "over:lblOther:leave<-pnlSource", "over:lblOther:enter<-pnlSource",
                       "drop:lblOther<-pnlSource", "end:pnlSource->lblOther"}));
}

TEST_F(DragDrop, TheDragObjectOfOnStartDragIsTheSource) {
    auto* carried = new TLabel(form); // any object the handler chooses to carry
    carried->SetName("carried");
    source->OnStartDrag = [&](TObject*, TObject*& obj) { obj = carried; };
    source->BeginDrag(true);
    TControl::DragTo(Inside(target));
    source->EndDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{"over:edTarget:enter<-carried",
                                             "drop:edTarget<-carried", "end:pnlSource->edTarget"}));
}

TEST_F(DragDrop, AutomaticModeFollowsTheMouseAndADropIsNoClick) {
    int clicks = 0;
    source->OnClick = [&](TObject*) { ++clicks; };
    source->SetDragMode(dmAutomatic);

    // A press and release without moving is a click and no drag.
    Mouse(QEvent::MouseButtonPress, Inside(source), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Inside(source), Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(log.empty());

    // Under the threshold nothing starts; beyond it the drag follows the mouse.
    Mouse(QEvent::MouseButtonPress, Inside(source), Qt::LeftButton);
    Mouse(QEvent::MouseMove, Inside(source, 7, 6), Qt::LeftButton);
    EXPECT_FALSE(source->Dragging());
    Mouse(QEvent::MouseMove, Inside(target, 3, 4), Qt::LeftButton);
    EXPECT_TRUE(source->Dragging());
    Mouse(QEvent::MouseButtonRelease, Inside(target, 6, 8), Qt::NoButton);
    EXPECT_EQ(log,
              (std::vector<std::string>{"start:pnlSource", "over:edTarget:enter<-pnlSource",
                                        "over:edTarget:move<-pnlSource", "drop:edTarget<-pnlSource",
                                        "end:pnlSource->edTarget"}));
    EXPECT_EQ(dropAt.X, 6);
    EXPECT_EQ(dropAt.Y, 8);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(source->Dragging());
}

TEST_F(DragDrop, DockDragRaisesTheDockEventsAndFindsNoSite) {
    source->SetDragKind(dkDock);
    source->OnStartDock = [&](TObject* s, TObject*&) { log.push_back("startdock:" + NameOf(s)); };
    source->OnEndDock = [&](TObject* s, TObject* t, int, int) {
        log.push_back("enddock:" + NameOf(s) + "->" + NameOf(t));
    };
    source->BeginDrag(true);
    TControl::DragTo(Inside(target));
    source->EndDrag(true);
    EXPECT_EQ(log, (std::vector<std::string>{"startdock:pnlSource", "enddock:pnlSource->null"}));
}

TEST_F(DragDrop, FreedTargetOrSourceEndsCleanly) {
    source->BeginDrag(true);
    TControl::DragTo(Inside(target));
    target->Free();
    source->EndDrag(true);
    EXPECT_EQ(log.back(), "end:pnlSource->null");

    source->BeginDrag(true);
    source->Free();
    EXPECT_EQ(TControl::DragSource(), nullptr);
    // A new drag can start afterwards.
    other->BeginDrag(true);
    EXPECT_TRUE(other->Dragging());
    other->EndDrag(false);
}

// A control that paints itself, as the module's own controls do.
class TDragTestCustom : public TCustomControl {
    STEWARD_CLASS(TDragTestCustom, TCustomControl)
    explicit TDragTestCustom(TComponent* owner) : TCustomControl(owner) {}
};
STEWARD_REGISTER_CLASS(TDragTestCustom, [](TPropertyBuilder<TDragTestCustom>&) {});

struct Handlers {
    void DragDrop(TObject*, TObject*, int, int) {}
    void DragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
    void StartDrag(TObject*, TObject*&) {}
    void EndDrag(TObject*, TObject*, int, int) {}
};

TEST(DragEvents, PublishedAndSavableByNameOnTheControlClasses) {
    TForm* form = Create<TForm>(nullptr);
    std::vector<TControl*> controls = {
        new TEdit(form),  new TMaskEdit(form), new TListView(form),      new TPanel(form),
        new TLabel(form), new TCheckBox(form), new TDragTestCustom(form)};
    Handlers h;
    const std::vector<std::pair<const char*, TMethod>> events = {
        {"OnDragDrop", TDragDropEvent(&h, &Handlers::DragDrop).Method()},
        {"OnDragOver", TDragOverEvent(&h, &Handlers::DragOver).Method()},
        {"OnStartDrag", TStartDragEvent(&h, &Handlers::StartDrag).Method()},
        {"OnEndDrag", TEndDragEvent(&h, &Handlers::EndDrag).Method()},
        {"OnStartDock", TStartDragEvent(&h, &Handlers::StartDrag).Method()},
        {"OnEndDock", TEndDragEvent(&h, &Handlers::EndDrag).Method()},
    };
    for (TControl* c : controls) {
        SCOPED_TRACE(c->ClassName());
        for (const auto& [name, method] : events) {
            SCOPED_TRACE(name);
            ASSERT_TRUE(HasPropByName(c, name));
            SetMethodPropByName(c, name, method);
            TMethod saved = GetMethodPropByName(c, name);
            EXPECT_TRUE(saved == method);
            EXPECT_EQ(saved.Data, &h);
        }
        SetPropText(c, "DragMode", "dmAutomatic");
        SetPropText(c, "DragKind", "dkDock");
        SetPropText(c, "DragCursor", "crMultiDrag");
        EXPECT_EQ(c->DragMode(), dmAutomatic);
        EXPECT_EQ(c->DragKind(), dkDock);
        EXPECT_EQ(c->DragCursor(), crMultiDrag);
    }
    // A drop handler does not fit a drag-over event.
    SetMethodPropByName(controls[0], "OnDragOver", events[0].second);
    EXPECT_TRUE(GetMethodPropByName(controls[0], "OnDragOver") == events[1].second);
    form->Free();
}

// Fonts from TFont carry either a pixel or a point size.
int SizeOf(const QFont& f) {
    return f.pixelSize() > 0 ? f.pixelSize() : f.pointSize();
}

TEST(ScreenHints, HintFontMenuFontAndHintPauseReachQt) {
    TForm* form = Create<TForm>(nullptr);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    auto* menu = new TPopupMenu(form);
    const int savedPause = Application->HintHidePause();
    TFont savedHint, savedMenu;
    savedHint.Assign(Screen->HintFont());
    savedMenu.Assign(Screen->MenuFont());

    Screen->HintFont()->SetSize(15);
    const int hint = SizeOf(Screen->HintFont()->ToQFont());
    EXPECT_EQ(SizeOf(QToolTip::font()), hint);
    Screen->MenuFont()->SetSize(21);
    const int menuSize = SizeOf(Screen->MenuFont()->ToQFont());
    EXPECT_NE(menuSize, hint);
    EXPECT_EQ(SizeOf(QApplication::font("QMenu")), menuSize);
    // Menus resolve their font when polished for showing; one built before the change
    // follows as well.
    auto* later = new TPopupMenu(form);
    for (TPopupMenu* m : {menu, later}) {
        m->Menu()->ensurePolished();
        EXPECT_EQ(SizeOf(m->Menu()->font()), menuSize);
    }

    Application->SetHintHidePause(4000);
    EXPECT_EQ(edit->Widget()->toolTipDuration(), 4000);
    auto* newer = new TEdit(form);
    newer->SetParent(form);
    EXPECT_EQ(newer->Widget()->toolTipDuration(), 4000);

    Application->SetHintHidePause(savedPause);
    EXPECT_EQ(edit->Widget()->toolTipDuration(), savedPause);
    Screen->SetHintFont(&savedHint);
    Screen->SetMenuFont(&savedMenu);
    form->Free();
}

} // namespace
