// Captions with an accelerator ("&" before a letter): the text as shown, the marked
// letter, and a Qt shortcut that delivers CM_DIALOGCHAR to the control on Alt+letter.
#pragma once

#include "Messages.h"

#include <string>

class QShortcut;
class TControl;

// The platform has no accelerator dispatch yet; the components deliver this message.
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;

struct TAccelText {
    std::string shown; // "&&" becomes "&", a lone "&" is dropped
    int marked = -1;   // byte position of the marked character in shown, -1 when none
};

TAccelText StripAccel(const std::string& caption);
// Byte length of the UTF-8 character starting at pos.
int Utf8CharLength(const std::string& text, std::size_t pos);

// Keeps an Alt+letter shortcut in step with a control's caption.
class TAcceleratorHook {
public:
    explicit TAcceleratorHook(TControl* control);
    // Call when the caption changes.
    void Update(const std::string& caption);

private:
    TControl* control_;
    QShortcut* shortcut_;
};
