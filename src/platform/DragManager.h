#pragma once
// TDragManager: drag and drop between the controls of this program (Qt's
// QDrag carries data between programs and runs a loop of its own). A drag is
// armed by a press and starts only when the pointer has moved the threshold;
// while it runs, the control under the pointer is asked through its drag-over
// handler, the cursor shows whether it accepts, a release over an accepting
// control calls its drop handler, and Esc cancels. The whole gesture is one
// state machine fed by one routine.

#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

enum class TDragState { Enter, Leave, Move };

// Asked while a drag is over target; pos is in target's coordinates. Returns
// whether target would take a drop.
using TDragOverEvent =
    std::function<bool(QWidget* target, QWidget* source, QPoint pos, TDragState state)>;
using TDragDropEvent = std::function<void(QWidget* target, QWidget* source, QPoint pos)>;
// Called once when a started drag ends, dropped or not; target may be empty.
using TEndDragEvent = std::function<void(QWidget* source, QWidget* target, bool dropped)>;

class TDragManager : public QObject {
    Q_OBJECT
public:
    enum class TPhase { Idle, Pressed, Dragging };

    explicit TDragManager(QObject* parent = nullptr);
    ~TDragManager() override;

    void SetDragOver(QWidget* target, const TDragOverEvent& handler);
    void SetDragDrop(QWidget* target, const TDragDropEvent& handler);
    void SetEndDrag(TEndDragEvent handler) { endDrag_ = std::move(handler); }

    // Arms a drag of source from a press at pressGlobal. It starts when the
    // pointer has moved threshold pixels or more on either axis; a release
    // before that is a plain click. dragCursor shows over accepting targets.
    void BeginDrag(QWidget* source, QPoint pressGlobal, const QCursor& dragCursor,
                   int threshold = 2);
    // Ends the gesture as Esc does: the target is told to leave, no drop.
    void CancelDrag();

    TPhase Phase() const { return phase_; }
    // True while the cancel by Esc is being handled, so that a drag-over
    // handler can tell the cancel from an ordinary leave.
    bool EscapeDown() const { return escapeDown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HandlePointer(QEvent::Type type, QPoint globalPos);
    void DragTo(QPoint globalPos);
    void Drop(QPoint globalPos);
    void Finish(bool dropped);
    QWidget* TargetAt(QPoint globalPos) const;
    bool Ask(QWidget* target, QPoint globalPos, TDragState state) const;
    void Forget(QObject* target);

    TPhase phase_ = TPhase::Idle;
    QPointer<QWidget> source_;
    QPointer<QWidget> target_;
    QPoint pressAt_;
    QPoint lastAt_;
    int threshold_ = 2;
    bool accepted_ = false;
    bool escapeDown_ = false;
    QCursor dragCursor_;
    QHash<const QObject*, TDragOverEvent> overs_;
    QHash<const QObject*, TDragDropEvent> drops_;
    TEndDragEvent endDrag_;
};
