#include "core/app/outside_keys.h"

namespace zv::keys {

int OutsideKeys::press(Key key)
{
    if (key < 0 || key >= Count)
        return 0;
    down_[key] = true;
    const bool ctrl = down_[CtrlL] || down_[CtrlR];
    const bool shift = down_[ShiftL] || down_[ShiftR];
    if (!ctrl || !shift)
        return 0;
    // Letters in the order Z, X, C, V, B: the first one down that has not fired yet wins.
    for (int letter = Z, code = kPrev; letter <= B; ++letter, ++code) {
        if (down_[letter] && last_ != code) {
            last_ = code;
            return code;
        }
    }
    return 0;
}

void OutsideKeys::release(Key key)
{
    if (key < 0 || key >= Count)
        return;
    down_[key] = false;
    if (!down_[Z] && !down_[X] && !down_[C] && !down_[V] && !down_[B])
        last_ = 0;
}

} // namespace zv::keys
