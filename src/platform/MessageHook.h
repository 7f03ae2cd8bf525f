#pragma once
// TPaintHook: replaces a control's handling of its paint events by one that
// lets the control paint first and then acts, as a replaced message handler
// that passes every message on to the saved one would. Removing the hook
// (destroying it) puts the control's own handling back.

#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>

class TPaintHook : public QObject {
    Q_OBJECT
public:
    // after runs once the control has handled each of its paint events, with
    // the region that was painted, while the paint is still in progress.
    using TAfterPaint = std::function<void(const QRegion& painted)>;

    TPaintHook(QWidget* control, TAfterPaint after);
    ~TPaintHook() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> control_;
    TAfterPaint after_;
};
