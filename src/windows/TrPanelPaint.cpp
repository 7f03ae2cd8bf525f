// The panel's own drawing: bevels, border band, fill, shape, caption.
#include "TrPanel.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

void TTransPanel::Paint(TCanvas& canvas) {
    QRect r = rect();
    PaintFrames(canvas, r);
    if (!transparent_) {
        canvas.SetBrushColor(color_);
        canvas.FillRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    }
    canvas.SetBrushStyle(TBrushStyle::Clear);
    const int h = QFontMetrics(font()).height();
    const int top = (r.top() + r.bottom() + 1 - h) / 2;
    QRect captionRect(r.left(), top, r.width(), h);
    if (shape_ != stNone)
        PaintShape(canvas);
    if (shape_ == stFukidasi) {
        static const QPoint away[] = {{4, 0}, {-4, 0}, {0, 4}, {0, -4}};
        captionRect.translate(away[fukidasiType_]);
    }
    if (captionLines_.isEmpty())
        PaintCaption(canvas, captionRect);
    else
        PaintCaptionLines(canvas);
}

void TTransPanel::PaintFrames(TCanvas& canvas, QRect& r) {
    PaintBevel(canvas, r, bevelOuter_);
    for (int i = 0; i < borderWidth_; ++i) {
        canvas.SetBrushColor(color_);
        canvas.FillRect(r.left(), r.top(), r.right() + 1, r.top() + 1);
        canvas.FillRect(r.left(), r.top(), r.left() + 1, r.bottom() + 1);
        canvas.FillRect(r.right(), r.top(), r.right() + 1, r.bottom() + 1);
        canvas.FillRect(r.left(), r.bottom(), r.right() + 1, r.bottom() + 1);
        r.adjust(1, 1, -1, -1);
    }
    PaintBevel(canvas, r, bevelInner_);
}

// A three-dimensional frame of BevelWidth pixels: the top and left lines in
// one colour, the right and bottom lines (with both far corners) in the other.
void TTransPanel::PaintBevel(TCanvas& canvas, QRect& r, TPanelBevel bevel) {
    if (bevel == bvNone)
        return;
    const TColor light = FromQColor(palette().color(QPalette::Light));
    const TColor shadow = FromQColor(palette().color(QPalette::Dark));
    const TColor topLeft = bevel == bvLowered ? shadow : light;
    const TColor bottomRight = bevel == bvLowered ? light : shadow;
    for (int i = 0; i < bevelWidth_; ++i) {
        const int l = r.left(), t = r.top(), rr = r.right() + 1, b = r.bottom() + 1;
        canvas.SetBrushColor(topLeft);
        canvas.FillRect(l, t, rr - 1, t + 1);
        canvas.FillRect(l, t, l + 1, b);
        canvas.SetBrushColor(bottomRight);
        canvas.FillRect(rr - 1, t, rr, b);
        canvas.FillRect(l, b - 1, rr, b);
        r.adjust(1, 1, -1, -1);
    }
}

void TTransPanel::PaintShape(TCanvas& canvas) {
    canvas.SetPenWidth(shapePen_.Width);
    canvas.SetPenStyle(shapePen_.Style);
    canvas.SetPenColor(shapePen_.Color);
    const int p = shapePen_.Width;
    QRect box = p == 0 ? rect() : QRect(p / 2, p / 2, width() - p + 1, height() - p + 1);
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        const int s = qMin(box.width(), box.height());
        box = QRect(box.left() + (box.width() - s) / 2, box.top() + (box.height() - s) / 2, s, s);
    }
    if (!shapeTransparent_) {
        canvas.SetBrushColor(color_);
        canvas.SetBrushStyle(TBrushStyle::Solid);
        DrawShapeOnce(canvas, box);
    }
    canvas.SetBrushColor(shapeBrush_.Color);
    canvas.SetBrushStyle(shapeBrush_.Style);
    DrawShapeOnce(canvas, box);
}

void TTransPanel::DrawShapeOnce(TCanvas& canvas, const QRect& box) {
    const int l = box.left(), t = box.top(), r = box.left() + box.width(),
              b = box.top() + box.height();
    const int corner = qMin(box.width(), box.height()) / shapeRoundSize_;
    switch (shape_) {
    case stRectangle:
    case stSquare:
        canvas.Rectangle(l, t, r, b);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas.RoundRect(l, t, r, b, corner, corner);
        break;
    case stEllipse:
    case stCircle:
        canvas.Ellipse(l, t, r, b);
        break;
    case stFukidasi:
        canvas.Polygon(BalloonPolygon());
        break;
    case stNone:
        break;
    }
}

QVector<QPoint> TTransPanel::BalloonPolygon() const {
    const int w = width() - 1, h = height() - 1, p = fukidasiPosition_;
    switch (fukidasiType_) {
    case ftLeft:
        return {{8, 0}, {w, 0}, {w, h}, {8, h}, {8, p + 8}, {0, p + 4}, {8, p}};
    case ftRight:
        return {{0, 0}, {w - 7, 0}, {w - 7, p}, {w, p + 4}, {w - 7, p + 8}, {w - 7, h}, {0, h}};
    case ftTop:
        return {{0, 8}, {p, 8}, {p + 4, 0}, {p + 8, 8}, {w, 8}, {w, h}, {0, h}};
    case ftBottom:
        return {{0, 0}, {w, 0}, {w, h - 7}, {p + 8, h - 7}, {p + 4, h}, {p, h - 7}, {0, h - 7}};
    }
    return {};
}

void TTransPanel::PaintCaption(TCanvas& canvas, const QRect& r) {
    if (caption_.isEmpty())
        return;
    static const Qt::Alignment align[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    QPainter* p = canvas.Painter();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setPen(palette().color(QPalette::WindowText));
    p->drawText(r, int(align[alignment_] | Qt::AlignVCenter | Qt::TextExpandTabs), caption_);
}

int TTransPanel::CaptionMargin() const {
    return (shape_ != stNone ? shapePen_.Width : borderWidth_) + 1;
}

void TTransPanel::PaintCaptionLines(TCanvas& canvas) {
    const int fh = QFontInfo(font()).pixelSize();
    const int start = qMax(0, (height() - int(captionLines_.size()) * fh) / 2);
    canvas.SetFontColor(FromQColor(palette().color(QPalette::WindowText)));
    for (int i = 0; i < captionLines_.size(); ++i) {
        const QString& line = captionLines_[i];
        const int textWidth = int(line.size()) * fh / 2;
        int x = (width() - textWidth) / 2;
        if (alignment_ == taLeftJustify)
            x = CaptionMargin();
        else if (alignment_ == taRightJustify)
            x = width() - textWidth - CaptionMargin();
        canvas.TextOut(x, i * fh + start, line);
    }
}
