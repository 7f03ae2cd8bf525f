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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<bool(QKeyEvent*)> handler_;
    // A key press that the focused control leaves is offered to its parents
    // as the same event; it is previewed once.
    const QEvent* lastPress_ = nullptr;
    QPointer<QObject> lastReceiver_;
};
