// TKtSpinEdit: a spin edit that drops signs typed after the first character and raises
// no OnChange while its text is blank.
#pragma once

#include "Spin.h"

class TKtSpinEdit : public TSpinEdit {
    STEWARD_CLASS(TKtSpinEdit, TSpinEdit)
    explicit TKtSpinEdit(TComponent* owner) : TSpinEdit(owner) {}

protected:
    void Change() override;
};
