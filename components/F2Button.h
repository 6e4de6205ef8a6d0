// TF2Button: the lookup button beside an input control. It sits square and flush to the
// control's right and, on a click, asks the owning form for the control's lookup (the same
// request as the F2 key).
#pragma once

#include "GSpdBtn.h"

#include <cstdint>

class TF2Button : public TGSpeedButton {
    STEWARD_CLASS(TF2Button, TGSpeedButton)
    explicit TF2Button(TComponent* owner);
    ~TF2Button() override;

    bool AutoAlign() const { return autoAlign_; }
    void SetAutoAlign(bool v);
    TWinControl* F2Control() const { return f2Control_; }
    // Refused, with a message, when another lookup button of the form serves c.
    void SetF2Control(TWinControl* c);
    int Gap() const { return gap_; }
    void SetGap(int v);

    // OnClick, then the lookup request for F2Control.
    void Click() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void AlignToControl();
    bool ServedByAnother(const TWinControl* c) const;
    bool autoAlign_ = true;
    TWinControl* f2Control_ = nullptr;
    std::uint8_t gap_ = 2;
};

inline constexpr const char* kF2ButtonTaken = "不能同时有两个 F2Button 指到同一个 Edit.";
inline constexpr int kLookupGlyph = 8;

// Focuses control when it can take the focus and, once it holds it, sends WM_F2LOOKUP
// (second parameter: the control) to its owner's window. False when nothing was sent.
bool SendLookupRequest(TWinControl* control);
