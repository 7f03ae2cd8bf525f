// The main window's side of dragging a placed picture: the outline while the
// pointer moves, the new bounds on the drop, and the confinement of the
// pointer to the page area meanwhile; and the arrow keys, which move the
// selected picture within the same confinement.
#include "DesignSteps.h"
#include "TrPanel.h"
#include "Unit1.h"
#include "bag/ImageEx.h"
#include "platform/CursorClip.h"
#include "platform/Marks.h"

#include <QKeyEvent>
#include <QScrollArea>
#include <QStyle>
#include <QUndoStack>
#include <optional>

namespace {
TMark OutlineMark(const TRectL& r) {
    return TMark{TMarkKind::Outline, r.Left, r.Top, r.Right, r.Bottom};
}

// A zone with a sizing cursor moves the edges it names; any other zone (the
// interior, or top and bottom at once on a very low picture) moves all four.
bool IsSizing(TImageEdges zone) {
    return zone != 0 && (zone & (ieTop | ieBottom)) != (ieTop | ieBottom);
}

// Where the picture would go. There is no minimum size, no snapping and no
// clamping; an edge dragged past the opposite one inverts the rectangle.
TRectL OutlineFor(TImageEdges zone, const QRect& b, int dx, int dy) {
    TRectL r{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    const bool all = !IsSizing(zone);
    if (all || (zone & ieLeft))
        r.Left += dx;
    if (all || (zone & ieRight))
        r.Right += dx;
    if (all || (zone & ieTop))
        r.Top += dy;
    if (all || (zone & ieBottom))
        r.Bottom += dy;
    return r;
}

// How far a picture from..from+extent-1 on one axis goes for a key's step by,
// when a pixel of it must stay within lo..hi as the pointer on it would
// during a drag; a picture already beyond the area goes no further out.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the picture's span, the step, the area
int ConfinedStep(int from, int extent, int by, int lo, int hi) {
    if (by > 0)
        return qMax(0, qMin(by, hi - from));
    const int last = from + qMax(extent, 1) - 1;
    return qMin(0, qMax(by, lo - last));
}

constexpr int kKeyStep = 1;
constexpr int kShiftKeyStep = 10;
// The longest time between a key's release and its press again that makes a
// repeat; the toolkit allows the same.
constexpr quint64 kRepeatGapMs = 10;

std::optional<QPoint> KeyDirection(int key) {
    switch (key) {
    case Qt::Key_Left:
        return QPoint(-1, 0);
    case Qt::Key_Right:
        return QPoint(1, 0);
    case Qt::Key_Up:
        return QPoint(0, -1);
    case Qt::Key_Down:
        return QPoint(0, 1);
    default:
        return std::nullopt;
    }
}
} // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the drag manager's handler signature
bool TForm1::ImagePanelDragOver(QWidget* target, QWidget* source, QPoint pos, TDragState) {
    if (imageDrag_->EscapeDown()) {
        ReleaseCursor();
        EraseDragOutline(gesture_.DragOutline);
        gesture_.DragOutline = TRectL{};
        return true;
    }
    const auto* dragged = qobject_cast<TImageEx*>(source);
    if (!dragged)
        return false;
    ConfineCursorToPage();
    const QPoint p = target == TransPanel1 ? pos : target->mapTo(TransPanel1, pos);
    const QPoint grabbedAt = gesture_.GrabOrigin + gesture_.GrabPoint;
    const TRectL r = OutlineFor(gesture_.EdgeZone, dragged->geometry(), p.x() - grabbedAt.x(),
                                p.y() - grabbedAt.y());
    DrawDragOutline(r, gesture_.DragOutline);
    gesture_.DragOutline = r;
    return true;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the drag manager's handler signature
void TForm1::ImagePanelDragDrop(QWidget* target, QWidget* source, QPoint) {
    auto* dropped = qobject_cast<TImageEx*>(source);
    if (!dropped)
        return;
    const TRectL r = gesture_.DragOutline;
    const int w = r.Right - r.Left;
    const int h = r.Bottom - r.Top;
    // The outline is taken away here rather than left to the repaint: the
    // marks are kept apart from the layer and survive its repaints.
    EraseDragOutline(gesture_.DragOutline);
    gesture_.DragOutline = TRectL{};
    ChangeImageBounds(dropped,
                      QRect(w < 0 ? r.Right : r.Left, h < 0 ? r.Bottom : r.Top, qAbs(w), qAbs(h)));
    target->update();
    ReleaseCursor();
}

// Whatever way a drag ended, also released over a place that takes no drop,
// the outline goes and the pointer is free again: a pointer left confined to
// the page could not reach the command bar.
void TForm1::ImagePanelEndDrag() {
    EraseDragOutline(gesture_.DragOutline);
    gesture_.DragOutline = TRectL{};
    ReleaseCursor();
}

void TForm1::DrawDragOutline(const TRectL& newRect, const TRectL& oldRect) {
    layerMarks_->Toggle(OutlineMark(oldRect));
    layerMarks_->Toggle(OutlineMark(newRect));
}

void TForm1::EraseDragOutline(const TRectL& r) {
    layerMarks_->Toggle(OutlineMark(r));
}

void TForm1::ConfineCursorToPage() {
    TCursorClip::Instance().Confine(PageAreaOnScreen());
}

// The scrolling area on screen, less its left pixel and any scroll bar shown.
QRect TForm1::PageAreaOnScreen() const {
    QRect r(ScrollBox1->mapToGlobal(QPoint(0, 0)), ScrollBox1->size());
    r.setLeft(r.left() + 1);
    const int bar =
        ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox1);
    const QSize client = ScrollBox1->viewport()->size();
    if (ScrollBox1->width() - client.width() >= bar)
        r.setRight(r.right() - bar);
    if (ScrollBox1->height() - client.height() >= bar)
        r.setBottom(r.bottom() - bar);
    return r;
}

void TForm1::ReleaseCursor() {
    TCursorClip::Instance().Release();
}

// The window system repeats a held key as a release and a press at the same
// moment. The toolkit marks them as repeats only when it has both at hand at
// once, which a busy program may not, so a press of the key that was let go
// no more than a few milliseconds before counts as a repeat too: no hand
// lets go of a key and presses it again as fast.
bool TForm1::IsKeyRepeat(const QKeyEvent* key) const {
    return key->isAutoRepeat() || (key->key() == keyUp_.Key && key->modifiers() == keyUp_.Mods &&
                                   key->timestamp() - keyUp_.At <= kRepeatGapMs);
}

void TForm1::FormKeyUp(const QKeyEvent* key) {
    keyUp_ = {key->key(), key->modifiers(), key->timestamp()};
}

// Each press of an arrow key is one step; the repeats of a held key join the
// step of its first press.
bool TForm1::KeyMoveSelectedImage(const QKeyEvent* key) {
    const std::optional<QPoint> direction = KeyDirection(key->key());
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (!direction || !selectedImage_ || GestureUnderWay() ||
        (mods != Qt::NoModifier && mods != Qt::ShiftModifier))
        return false;
    if (!IsKeyRepeat(key))
        ++keyMoveRun_;
    const QPoint by = *direction * (mods == Qt::ShiftModifier ? kShiftKeyStep : kKeyStep);
    const QRect screen = PageAreaOnScreen();
    const QRect area(TransPanel1->mapFromGlobal(screen.topLeft()),
                     TransPanel1->mapFromGlobal(screen.bottomRight()));
    TImageEx* image = selectedImage_;
    const QRect from = image->geometry();
    const QRect to =
        from.translated(ConfinedStep(from.left(), from.width(), by.x(), area.left(), area.right()),
                        ConfinedStep(from.top(), from.height(), by.y(), area.top(), area.bottom()));
    if (to != from)
        undoStack_->push(
            new TKeyMoveStep(image, keyMoveRun_, from, to,
                             [this, image](const QRect& b) { PutImageBounds(image, b); }));
    return true;
}
