#include "DragManager.h"

#include "CursorClip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

TDragManager::TDragManager(QObject* parent) : QObject(parent) {}

TDragManager::~TDragManager() {
    if (phase_ != TPhase::Idle)
        Finish(false);
}

void TDragManager::SetDragOver(QWidget* target, const TDragOverEvent& handler) {
    if (!overs_.contains(target) && !drops_.contains(target))
        connect(target, &QObject::destroyed, this, &TDragManager::Forget);
    overs_.insert(target, handler);
}

void TDragManager::SetDragDrop(QWidget* target, const TDragDropEvent& handler) {
    if (!overs_.contains(target) && !drops_.contains(target))
        connect(target, &QObject::destroyed, this, &TDragManager::Forget);
    drops_.insert(target, handler);
}

void TDragManager::Forget(QObject* target) {
    overs_.remove(target);
    drops_.remove(target);
}

void TDragManager::BeginDrag(QWidget* source, QPoint pressGlobal, const QCursor& dragCursor,
                             int threshold) {
    if (phase_ != TPhase::Idle)
        Finish(false);
    source_ = source;
    pressAt_ = lastAt_ = TCursorClip::Instance().Clamp(pressGlobal);
    threshold_ = threshold;
    dragCursor_ = dragCursor;
    accepted_ = false;
    target_ = nullptr;
    phase_ = TPhase::Pressed;
    qApp->installEventFilter(this);
}

void TDragManager::CancelDrag() {
    if (phase_ == TPhase::Dragging && target_)
        Ask(target_, lastAt_, TDragState::Leave);
    Finish(false);
}

// While a gesture runs it owns the pointer and the keyboard, as a drag loop
// would: every mouse and key event goes here and no further.
bool TDragManager::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        HandlePointer(event->type(), static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            escapeDown_ = true;
            CancelDrag();
            escapeDown_ = false;
        }
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return false;
    }
}

// The one routine through which every pointer event of the gesture passes:
// idle -> pressed -> dragging -> dropped / ended.
void TDragManager::HandlePointer(QEvent::Type type, QPoint globalPos) {
    const QPoint at = TCursorClip::Instance().Clamp(globalPos);
    if (phase_ == TPhase::Pressed) {
        if (type == QEvent::MouseButtonRelease) {
            Finish(false); // a click: nothing was dragged
            return;
        }
        const QPoint moved = at - pressAt_;
        if (qAbs(moved.x()) < threshold_ && qAbs(moved.y()) < threshold_)
            return;
        phase_ = TPhase::Dragging;
        QGuiApplication::setOverrideCursor(QCursor(Qt::ForbiddenCursor));
    }
    if (phase_ != TPhase::Dragging)
        return;
    if (type == QEvent::MouseButtonRelease)
        Drop(at);
    else
        DragTo(at);
}

void TDragManager::DragTo(QPoint globalPos) {
    lastAt_ = globalPos;
    QWidget* target = TargetAt(globalPos);
    if (target != target_) {
        if (target_)
            Ask(target_, globalPos, TDragState::Leave);
        target_ = target;
        accepted_ = target && Ask(target, globalPos, TDragState::Enter);
    } else {
        accepted_ = target && Ask(target, globalPos, TDragState::Move);
    }
    QGuiApplication::changeOverrideCursor(accepted_ ? dragCursor_ : QCursor(Qt::ForbiddenCursor));
}

void TDragManager::Drop(QPoint globalPos) {
    DragTo(globalPos);
    const bool drop = accepted_ && target_ && drops_.contains(target_);
    if (drop)
        drops_.value(target_)(target_, source_, target_->mapFromGlobal(globalPos));
    Finish(drop);
}

void TDragManager::Finish(bool dropped) {
    const bool started = phase_ == TPhase::Dragging;
    phase_ = TPhase::Idle;
    qApp->removeEventFilter(this);
    if (!started)
        return;
    QGuiApplication::restoreOverrideCursor();
    if (endDrag_)
        endDrag_(source_, target_, dropped);
    target_ = nullptr;
}

QWidget* TDragManager::TargetAt(QPoint globalPos) const {
    QWidget* w = QApplication::widgetAt(globalPos);
    return w && overs_.contains(w) ? w : nullptr;
}

bool TDragManager::Ask(QWidget* target, QPoint globalPos, TDragState state) const {
    const auto handler = overs_.value(target);
    return handler && handler(target, source_, target->mapFromGlobal(globalPos), state);
}
