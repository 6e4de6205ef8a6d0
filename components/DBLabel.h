// TDBLabel: a caption label attached to one input control. It places itself beside the
// control and, when the control is bound to a data field, shows the field's display label.
#pragma once

#include "StdCtrls.h"

#include <cstdint>

enum TPos { psTop, psLeft, psRight, psBottom };

class TDBLabel : public TLabel {
    STEWARD_CLASS(TDBLabel, TLabel)
    explicit TDBLabel(TComponent* owner);
    ~TDBLabel() override;

    TWinControl* FocusControl() const { return TLabel::FocusControl(); }
    // Refused, with a message, when another attached label of the form serves c.
    void SetFocusControl(TWinControl* c);
    bool AutoAlign() const { return autoAlign_; }
    void SetAutoAlign(bool v);
    bool AutoCaption() const { return autoCaption_; }
    void SetAutoCaption(bool v);
    TPos Pos() const { return pos_; }
    void SetPos(TPos v);
    int Gap() const { return gap_; }
    void SetGap(int v);

    // The caption rule, then the position rule.
    void RefreshAttachment();

private:
    void TakeFieldCaption();
    void PlaceBesideControl();
    bool AttachedElsewhere(const TWinControl* c) const;
    bool autoAlign_ = true;
    bool autoCaption_ = true;
    TPos pos_ = psLeft;
    std::uint8_t gap_ = 4;
};

inline constexpr const char* kDBLabelTaken = "不能同时有两个 DBLabel 指到同一个 Control.";
