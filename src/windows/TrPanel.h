#pragma once
// TTransPanel: a panel that can be transparent: it paints no background of
// its own, so whatever lies beneath shows through, while its children are
// drawn on top. It also offers bevels, a border band, a caption or several
// caption lines, a drawn shape up to a speech balloon, and confinement of the
// mouse cursor to itself. The program's image layer turns all of that off and
// uses it as the see-through parent of the placed pictures.

#include "platform/Canvas.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };
enum TShapeType {
    stNone,
    stRectangle,
    stSquare,
    stRoundRect,
    stRoundSquare,
    stEllipse,
    stCircle,
    stFukidasi // speech balloon: a rectangle with a pointed tail on one side
};
enum TFukidasiType { ftLeft, ftRight, ftTop, ftBottom };

// Raised when the pointer leaves the panel; x, y in the panel's coordinates.
using TMouseLeaveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift,
                                            Qt::MouseButtons buttons, int x, int y)>;

class TTransPanel : public QWidget {
    Q_OBJECT
public:
    explicit TTransPanel(QWidget* parent = nullptr);
    ~TTransPanel() override;

    // Covers the parent's client area, inside its one-pixel edge.
    void FitToParent();

    // The panel's repaint request. A transparent panel paints nothing of its
    // own, so on it this changes nothing on screen.
    void Invalidate();
    // Change handler of ShapeBrush and ShapePen.
    void StyleChanged() { Invalidate(); }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel b);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle s) { borderStyle_ = s; }
    bool MouseClip() const { return mouseClip_; }
    void SetMouseClip(bool clip);
    bool MouseClipBack() const { return mouseClipBack_; }
    void SetMouseClipBack(bool back) { mouseClipBack_ = back; }
    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType s);
    const TBrush& ShapeBrush() const { return shapeBrush_; }
    void SetShapeBrush(const TBrush& b);
    const TPen& ShapePen() const { return shapePen_; }
    void SetShapePen(const TPen& p);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t);
    bool ShapeTransparent() const { return shapeTransparent_; }
    void SetShapeTransparent(bool t);
    int ShapeRoundSize() const { return shapeRoundSize_; }
    void SetShapeRoundSize(int s);
    int FukidasiPosition() const { return fukidasiPosition_; }
    void SetFukidasiPosition(int p);
    TFukidasiType FukidasiType() const { return fukidasiType_; }
    void SetFukidasiType(TFukidasiType t);
    const QStringList& CaptionLines() const { return captionLines_; }
    void SetCaptionLines(const QStringList& lines);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& c);
    TColor Color() const { return color_; }
    void SetColor(TColor c);

    TMouseLeaveEvent OnMouseLeave;

    // The seven corners of the balloon over the whole panel.
    QVector<QPoint> BalloonPolygon() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

    // Draws bevels, border, fill, shape and caption on the client rectangle.
    virtual void Paint(TCanvas& canvas);

private:
    void PaintFrames(TCanvas& canvas, QRect& r);
    void PaintBevel(TCanvas& canvas, QRect& r, TPanelBevel bevel);
    void PaintShape(TCanvas& canvas);
    void DrawShapeOnce(TCanvas& canvas, const QRect& box);
    void PaintCaption(TCanvas& canvas, const QRect& r);
    void PaintCaptionLines(TCanvas& canvas);
    int CaptionMargin() const;

    TAlignment alignment_ = taCenter;
    TPanelBevel bevelInner_ = bvNone;
    TPanelBevel bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    bool mouseClip_ = false;
    bool mouseClipBack_ = false;
    TShapeType shape_ = stNone;
    TBrush shapeBrush_;
    TPen shapePen_;
    bool transparent_ = false;
    bool shapeTransparent_ = false;
    int shapeRoundSize_ = 4;
    int fukidasiPosition_ = 0;
    TFukidasiType fukidasiType_ = ftLeft;
    QStringList captionLines_;
    QString caption_;
    TColor color_;
    // The cursor confinement in force when the panel was made, and the one to
    // put back when MouseClip ends.
    std::optional<QRect> clipAtCreation_;
    std::optional<QRect> clipToRestore_;
};
