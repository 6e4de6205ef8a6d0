#include "KtSpin.h"

#include "LibStrs.h"
#include "TypInfo.h"

STEWARD_REGISTER_CLASS(TKtSpinEdit, [](auto&) {});

namespace {
bool HasSignAfterFirst(const std::string& text) {
    return text.size() > 1 && text.find_first_of("+-", 1) != std::string::npos;
}
} // namespace

void TKtSpinEdit::Change() {
    std::string text = Text();
    if (HasSignAfterFirst(text)) {
        // Removing the last character changes the text, which runs this rule again until no
        // sign is left after the first character.
        text.pop_back();
        SetText(text);
        return;
    }
    if (TrimBlanks(text).empty())
        return;
    TSpinEdit::Change();
}
