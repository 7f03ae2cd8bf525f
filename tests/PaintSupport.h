#pragma once
// Reading back what a shown window has on screen. Repaints asked for with
// update() are events queued for the window, and handling one event may
// queue the next (a child shown, then its repaint), so the picture is taken
// once the queue has run dry.

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <limits>

// Counts the events the application delivers while it lives, and posts
// markers behind everything queued (the lowest priority comes last).
class TQueueWatch : public QObject {
public:
    TQueueWatch() { qApp->installEventFilter(this); }
    ~TQueueWatch() override { qApp->removeEventFilter(this); }

    // True once a marker arrives with nothing delivered before it since it
    // was posted: the queue holds nothing more.
    bool WaitUntilDry(int ms) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            const int before = delivered_;
            const int marker = ++posted_;
            QCoreApplication::postEvent(this, new QEvent(QEvent::User),
                                        std::numeric_limits<int>::min());
            if (!QTest::qWaitFor([&] { return reached_ == marker; }, int(deadline.remainingTime())))
                return false;
            if (delivered_ == before + 1)
                return true;
        }
    }

protected:
    bool eventFilter(QObject*, QEvent*) override {
        ++delivered_;
        return false;
    }
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++reached_;
        return true;
    }

private:
    int delivered_ = 0;
    int posted_ = 0;
    int reached_ = 0;
};

// The window's pixels once its pending repaints are on screen; a null image
// if the events do not run dry within 5 s.
inline QImage ShownImage(QWidget& window) {
    if (!TQueueWatch().WaitUntilDry(5000))
        return QImage();
    return window.screen()->grabWindow(window.winId()).toImage();
}
