#pragma once
// TMarkOverlay: the transient marks of a layer (a dotted selection frame, a
// drag outline). Qt draws only inside a paint, so instead of inverting pixels
// on the layer at once, a mark is held in a set by a transparent overlay that
// lies above the layer, lets every mouse event through, and paints each mark
// in NOT-XOR over whatever was painted beneath it. Drawing a mark toggles it
// in the set, so drawing the same mark twice removes it, as an inverting
// drawing on the layer itself would.
//
// Marks are sets of logical pixels, each filled as a whole rectangle in the
// overlay's logical coordinates. At any screen scale a logical pixel then
// covers exactly the device pixels that the pictures beneath give it, the
// pixels of neighbouring marks tile without gap or overlap, and a second
// drawing (a repaint without the mark) restores every one of them.

#include <QList>
#include <QRegion>
#include <QWidget>

enum class TMarkKind {
    Frame,  // dotted 1-pixel rectangle along the outermost pixels
    Outline // 3-pixel band inside the rectangle
};

// A rectangle as drawn: Right and Bottom exclusive, and Right < Left or
// Bottom < Top allowed (an edge dragged past the opposite one).
struct TMark {
    TMarkKind Kind = TMarkKind::Frame;
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TMark&) const = default;
    // A rectangle without area draws nothing.
    bool Empty() const { return Left == Right || Top == Bottom; }
    // The pixels the mark touches.
    QRegion Pixels() const;
    // The pixels it inverts, as rectangles that do not overlap, so that each
    // is inverted exactly once: an outline's whole band, every other pixel
    // round a frame's edge starting at its top-left corner.
    QList<QRect> Inverted() const;
};

class TMarkOverlay : public QWidget {
    Q_OBJECT
public:
    // Made a sibling of layer, stacked just above it, with its geometry and
    // visibility kept equal to the layer's.
    explicit TMarkOverlay(QWidget* layer);

    // Draws the mark: adds it, or removes it when it is already there.
    void Toggle(const TMark& mark);
    // Removes every mark of one kind, as a repaint of the layer wipes them.
    void ClearKind(TMarkKind kind);
    const QList<TMark>& Marks() const { return marks_; }

    // Brackets the changes made while the layer paints 'painted': inside it
    // the overlay is painted in the same pass anyway, so only marks that end
    // up changed outside it are repainted, once the bracket closes.
    void BeginLayerPaint(const QRegion& painted);
    void EndLayerPaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Repaint(const TMark& mark);

    QWidget* layer_;
    QList<TMark> marks_;
    bool inLayerPaint_ = false;
    QRegion layerPaint_;
    QList<TMark> before_;
};
