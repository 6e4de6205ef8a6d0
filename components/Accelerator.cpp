#include "Accelerator.h"

#include "Controls.h"

#include <QKeySequence>
#include <QShortcut>

TAccelText StripAccel(const std::string& caption) {
    TAccelText t;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&' || i + 1 >= caption.size()) {
            t.shown += caption[i];
            continue;
        }
        ++i;
        if (caption[i] != '&' && t.marked < 0)
            t.marked = static_cast<int>(t.shown.size());
        t.shown += caption[i];
    }
    return t;
}

int Utf8CharLength(const std::string& text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    auto c = static_cast<unsigned char>(text[pos]);
    return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

TAcceleratorHook::TAcceleratorHook(TControl* control)
    : control_(control), shortcut_(new QShortcut(control->Widget())) {
    shortcut_->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut_, &QShortcut::activated, control->Widget(),
                     [c = control_] { c->Perform(CM_DIALOGCHAR, 0, 0); });
}

void TAcceleratorHook::Update(const std::string& caption) {
    TAccelText t = StripAccel(caption);
    if (t.marked < 0 || Utf8CharLength(t.shown, t.marked) != 1) {
        shortcut_->setKey(QKeySequence());
        return;
    }
    QString letter = QString(QChar(t.shown[t.marked])).toUpper();
    shortcut_->setKey(QKeySequence(QStringLiteral("Alt+") + letter));
}
