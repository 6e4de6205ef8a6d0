// TExtPageControl: the page control of the condition forms. It draws its own tabs in the
// window-caption colours, the active tab bold.
#pragma once

#include "ComCtrls.h"

class TExtPageControl : public TPageControl {
    STEWARD_CLASS(TExtPageControl, TPageControl)
    explicit TExtPageControl(TComponent* owner);

protected:
    void DrawTab(int tabIndex, const TRect& rect, bool active) override;
};
