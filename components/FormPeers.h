// Controls that must be unique on their form (one lookup button per edit, one attached label
// per control) keep a list of their live instances and compare within one form.
#pragma once

#include "Controls.h"

#include <algorithm>
#include <vector>

// Whether two controls sit on the same form, or, outside any form, share an owner.
bool OnSameForm(const TControl* a, const TControl* b);

// The live instances of T: each adds itself when made and removes itself when freed.
template <class T> class TFormPeers {
public:
    static void Add(T* peer) { Live().push_back(peer); }
    static void Remove(T* peer) {
        auto& live = Live();
        live.erase(std::remove(live.begin(), live.end(), peer), live.end());
    }
    // Whether another instance on self's form satisfies pred.
    template <class Pred> static bool AnyOther(const T* self, Pred pred) {
        for (T* other : Live()) {
            if (other != self && pred(other) && OnSameForm(self, other))
                return true;
        }
        return false;
    }

private:
    static std::vector<T*>& Live() {
        static std::vector<T*> live;
        return live;
    }
};
