#pragma once
// TKeyPreview: lets a window see every key press meant for it or for any of
// its controls before the focused control does. The key goes on to the
// focused control unless the handler says it used it up.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class QKeyEvent;

class TKeyPreview : public QObject {
    Q_OBJECT
public:
    TKeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    ~TKeyPreview() override;
    // Also shows the window the releases of keys (perhaps more than once,
    // as a release is offered to the parents of a control that leaves it).
    void SetKeyUp(std::function<void(QKeyEvent*)> handler) { keyUp_ = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<bool(QKeyEvent*)> handler_;
    std::function<void(QKeyEvent*)> keyUp_;
    // A key press that the focused control leaves is offered to its parents
    // as the same event; it is previewed once.
    const QEvent* lastPress_ = nullptr;
    QPointer<QObject> lastReceiver_;
};
