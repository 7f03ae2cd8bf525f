#include "MessageHook.h"

#include <QPaintEvent>

TPaintHook::TPaintHook(QWidget* control, TAfterPaint after)
    : control_(control), after_(std::move(after)) {
    control->installEventFilter(this);
}

TPaintHook::~TPaintHook() {
    if (control_)
        control_->removeEventFilter(this);
}

bool TPaintHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != control_ || event->type() != QEvent::Paint)
        return false;
    // QObject::event is public; through it the control's own handler runs
    // without passing the filters again.
    static_cast<QObject*>(control_.data())->event(event);
    after_(static_cast<QPaintEvent*>(event)->region());
    return true;
}
