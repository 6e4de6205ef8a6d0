#include "FormPeers.h"

#include "Forms.h"

bool OnSameForm(const TControl* a, const TControl* b) {
    TCustomForm* formA = GetParentForm(a);
    TCustomForm* formB = GetParentForm(b);
    if (formA != nullptr || formB != nullptr)
        return formA == formB;
    return a->Owner() == b->Owner();
}
