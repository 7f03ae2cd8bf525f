#include "DesignSteps.h"

#include "bag/ImageEx.h"

namespace {
// Steps of the same kind that may join; every other step stands alone.
constexpr int kKeyMoveId = 1;
} // namespace

TKeyMoveStep::TKeyMoveStep(const TImageEx* image, int run, QRect before, QRect after, TApply apply)
    : TValueStep(before, after, std::move(apply)), image_(image), run_(run) {}

int TKeyMoveStep::id() const {
    return kKeyMoveId;
}

bool TKeyMoveStep::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const TKeyMoveStep*>(other);
    if (next->image_ != image_ || next->run_ != run_)
        return false;
    after_ = next->after_;
    return true;
}

TPresenceStep::TPresenceStep(TImageEx* image, int index, bool adds, TPut put)
    : image_(image), index_(index), adds_(adds), in_(!adds), put_(std::move(put)) {}

TPresenceStep::~TPresenceStep() {
    if (!in_)
        delete image_;
}

void TPresenceStep::Put(bool in) {
    put_(image_, index_, in);
    in_ = in;
}
