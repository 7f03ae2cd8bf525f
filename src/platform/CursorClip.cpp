#include "CursorClip.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>

TCursorClip& TCursorClip::Instance() {
    // Never destroyed: it may be asked about the pointer until the very end.
    static auto* instance = new TCursorClip;
    return *instance;
}

void TCursorClip::Confine(const QRect& r) {
    const QRect clip = r.normalized();
    if (!clip_)
        qApp->installEventFilter(this);
    clip_ = clip;
    PullPointerInside();
}

void TCursorClip::Release() {
    if (clip_)
        qApp->removeEventFilter(this);
    clip_.reset();
}

void TCursorClip::Restore(const std::optional<QRect>& clip) {
    if (clip)
        Confine(*clip);
    else
        Release();
}

QPoint TCursorClip::Clamp(QPoint p) const {
    if (!clip_)
        return p;
    return QPoint(qBound(clip_->left(), p.x(), clip_->right()),
                  qBound(clip_->top(), p.y(), clip_->bottom()));
}

void TCursorClip::PullPointerInside() {
    const QPoint at = QCursor::pos();
    const QPoint inside = Clamp(at);
    if (inside != at)
        QCursor::setPos(inside);
}

bool TCursorClip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
        const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        const QPoint inside = Clamp(at);
        if (inside != at)
            QCursor::setPos(inside);
    }
    return false;
}
