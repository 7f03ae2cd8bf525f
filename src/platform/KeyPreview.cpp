#include "KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>

TKeyPreview::TKeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() {
    qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const bool release = event->type() == QEvent::KeyRelease;
    if (release)
        lastPress_ = nullptr;
    if ((!release && event->type() != QEvent::KeyPress) || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != window_)
        return false;
    if (release) {
        if (keyUp_)
            keyUp_(static_cast<QKeyEvent*>(event));
        return false;
    }
    // A new press may reuse the address of the one before (a modifier's
    // press is followed by the key's without a release between), so only a
    // strict ancestor of the first receiver is seeing the same press again.
    const bool passedUp = event == lastPress_ && lastReceiver_ && w != lastReceiver_ &&
                          lastReceiver_->isWidgetType() &&
                          w->isAncestorOf(static_cast<QWidget*>(lastReceiver_.data()));
    if (passedUp)
        return false;
    lastPress_ = event;
    lastReceiver_ = watched;
    return handler_(static_cast<QKeyEvent*>(event));
}
