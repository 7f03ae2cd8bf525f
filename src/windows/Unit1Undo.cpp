// The main window's undo stack: every change of the design is a step, taken
// back with "元に戻す" (Ctrl+Z) and taken again with "やり直す" (Ctrl+Shift+Z,
// Ctrl+Y); the page's own menu; and the steps that add, delete, restack and
// move pictures.
#include "DesignSteps.h"
#include "TrPanel.h"
#include "Unit1.h"
#include "bag/ImageEx.h"

#include <QAction>
#include <QMenu>
#include <QUndoStack>

namespace {
// At least this many steps can be taken back; older ones are let go, and
// with them the deleted pictures they hold.
constexpr int kUndoSteps = 100;

QAction* StepAction(QWidget* window, const char* name, const QString& caption,
                    const QList<QKeySequence>& keys) {
    auto* action = new QAction(caption, window);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setEnabled(false);
    // On the window, so that its keys work wherever the focus is in it.
    window->addAction(action);
    return action;
}
} // namespace

void TForm1::SetUpUndo() {
    undoStack_ = new QUndoStack(this);
    undoStack_->setUndoLimit(kUndoSteps);
    Undo1 =
        StepAction(this, "Undo1", QStringLiteral("元に戻す"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    Redo1 = StepAction(
        this, "Redo1", QStringLiteral("やり直す"),
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undoStack_, &QUndoStack::canUndoChanged, Undo1, &QAction::setEnabled);
    connect(undoStack_, &QUndoStack::canRedoChanged, Redo1, &QAction::setEnabled);
    connect(Undo1, &QAction::triggered, this, &TForm1::Undo1Click);
    connect(Redo1, &QAction::triggered, this, &TForm1::Redo1Click);
    BuildPageMenu();
}

// The menu of a right press on the page where no picture is: the commands on
// the whole design. Undo and redo come first; further design commands are
// added below them.
void TForm1::BuildPageMenu() {
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    PopupMenu2->addAction(Undo1);
    PopupMenu2->addAction(Redo1);
    TransPanel1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TransPanel1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { PopupMenu2->popup(TransPanel1->mapToGlobal(at)); });
}

void TForm1::Undo1Click() {
    if (!GestureUnderWay())
        undoStack_->undo();
}

void TForm1::Redo1Click() {
    if (!GestureUnderWay())
        undoStack_->redo();
}

bool TForm1::GestureUnderWay() const {
    return imageDrag_ && imageDrag_->Phase() != TDragManager::TPhase::Idle;
}

TImageEx* TForm1::PlaceNewImage(std::unique_ptr<TImageEx> image) {
    TImageEx* placed = image.release();
    PushPresenceStep(placed, int(placedImages_.size()), true);
    return placed;
}

void TForm1::PushPresenceStep(TImageEx* image, int index, bool adds) {
    undoStack_->push(new TPresenceStep(
        image, index, adds, [this](TImageEx* i, int at, bool in) { PutImage(i, at, in); }));
}

void TForm1::PutImage(TImageEx* image, int index, bool in) {
    if (in) {
        const QRect bounds = image->geometry();
        image->setParent(TransPanel1);
        image->setGeometry(bounds);
        StackImageAt(image, index);
        image->show();
        return;
    }
    if (selectedImage_ == image)
        selectedImage_ = nullptr;
    // The repaint of the vacated area wipes its frame and draws none again.
    if (framedImage_ == image)
        framedImage_ = nullptr;
    placedImages_.removeOne(image);
    image->hide();
    image->setParent(nullptr);
}

void TForm1::StackImageAt(TImageEx* image, int index) {
    placedImages_.removeOne(image);
    placedImages_.insert(index, image);
    if (index + 1 < placedImages_.size())
        image->stackUnder(placedImages_[index + 1]);
    else
        image->raise();
}

void TForm1::ChangeImageBounds(TImageEx* image, const QRect& bounds) {
    if (image->geometry() == bounds)
        return;
    undoStack_->push(new TValueStep<QRect>(
        image->geometry(), bounds, [this, image](const QRect& b) { PutImageBounds(image, b); }));
}

// The layer repaints in full, which draws the selection frame around the
// picture's new bounds.
void TForm1::PutImageBounds(TImageEx* image, const QRect& bounds) {
    image->setGeometry(bounds);
    image->update();
    TransPanel1->repaint();
}
