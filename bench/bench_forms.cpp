// Create, show and free a form of 300 controls offscreen, beside the same widgets built
// with bare Qt code.
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {
constexpr int kControls = 300;
constexpr int kRounds = 20;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void PlatformForm() {
    TForm* f = Create<TForm>(nullptr);
    f->SetBounds(0, 0, 800, 600);
    for (int i = 0; i < kControls; ++i) {
        int x = (i % 10) * 78, y = (i / 10) * 19;
        TControl* c;
        switch (i % 5) {
        case 0:
            c = new TLabel(f);
            static_cast<TLabel*>(c)->SetCaption("标签");
            break;
        case 1:
            c = new TEdit(f);
            static_cast<TEdit*>(c)->SetText("text");
            break;
        case 2:
            c = new TButton(f);
            static_cast<TButton*>(c)->SetCaption("确定");
            break;
        case 3:
            c = new TCheckBox(f);
            static_cast<TCheckBox*>(c)->SetCaption("选择");
            break;
        default: {
            auto* cb = new TComboBox(f);
            cb->Items()->SetCommaText("a,b,c");
            c = cb;
        }
        }
        c->SetParent(f);
        c->SetBounds(x, y, 75, 18);
    }
    f->Show();
    Application->ProcessMessages();
    f->Free();
}

void BareQtForm() {
    auto* w = new QWidget(nullptr, Qt::Window);
    w->resize(792, 569);
    QFont font;
    font.setFamilies({"DejaVu Sans", "Noto Sans CJK SC"});
    font.setPixelSize(11);
    w->setFont(font);
    for (int i = 0; i < kControls; ++i) {
        int x = (i % 10) * 78, y = (i / 10) * 19;
        QWidget* c;
        switch (i % 5) {
        case 0:
            c = new QLabel(QStringLiteral("标签"), w);
            break;
        case 1:
            c = new QLineEdit(QStringLiteral("text"), w);
            break;
        case 2:
            c = new QPushButton(QStringLiteral("确定"), w);
            break;
        case 3:
            c = new QCheckBox(QStringLiteral("选择"), w);
            break;
        default: {
            auto* cb = new QComboBox(w);
            cb->addItems({"a", "b", "c"});
            cb->setEditable(true);
            c = cb;
        }
        }
        c->setGeometry(x, y, 75, 18);
    }
    w->show();
    QCoreApplication::processEvents();
    delete w;
}

template <class F> double Time(F f) {
    f(); // warm up
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        f();
    return Seconds(std::chrono::steady_clock::now() - start) / kRounds;
}
} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double bare = Time(BareQtForm);
    double platform = Time(PlatformForm);
    std::printf("form of %d controls, create+show+free, mean of %d rounds\n", kControls, kRounds);
    std::printf("  bare Qt widgets : %8.2f ms\n", bare * 1000);
    std::printf("  platform form   : %8.2f ms\n", platform * 1000);
    std::printf("  ratio           : %8.2fx (goal: at most 1.5x)\n", platform / bare);
    return 0;
}
