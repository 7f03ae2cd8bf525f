#include "KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>

TKeyPreview::TKeyPreview(QWidget* window, std::function<void(QKeyEvent*)> handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() {
    qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        lastPress_ = nullptr;
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() != window_)
        return false;
    const bool passedUp = event == lastPress_ && lastReceiver_ && lastReceiver_->isWidgetType() &&
                          w->isAncestorOf(static_cast<QWidget*>(lastReceiver_.data()));
    lastPress_ = event;
    lastReceiver_ = watched;
    if (!passedUp)
        handler_(static_cast<QKeyEvent*>(event));
    return false;
}
