#include "Canvas.h"

#include "Rounding.h"

#include <QPaintEngine>
#include <QScopeGuard>
#include <algorithm>
#include <cmath>
#include <cstdlib>

QColor ToQColor(TColor c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor FromQColor(const QColor& c) {
    return RGBColor(c.red(), c.green(), c.blue());
}

namespace {
// Whether the device strokes a one-pixel line half a pixel either side of
// it (PDF, printer, SVG) rather than setting the line's own pixels (a
// screen, or a recorded page, replayed later mostly onto a screen).
bool StrokesByGeometry(const QPainter* painter) {
    const QPaintEngine* engine = painter->paintEngine();
    switch (engine ? engine->type() : QPaintEngine::Raster) {
    case QPaintEngine::Pdf:
    case QPaintEngine::SVG:
    case QPaintEngine::MacPrinter:
        return true;
    default:
        return false;
    }
}

// Shifts the painter by half a pixel for the length of one stroke: the
// returned guard shifts it back.
[[nodiscard]] auto HalfPixelShift(QPainter* painter, bool on) {
    if (on)
        painter->translate(0.5, 0.5);
    return qScopeGuard([painter, on] {
        if (on)
            painter->translate(-0.5, -0.5);
    });
}
} // namespace

TCanvas::TCanvas(QPainter* painter) : painter_(painter) {
    shiftStrokes_ = StrokesByGeometry(painter);
    const QPaintEngine* engine = painter->paintEngine();
    strokesAsPaths_ = engine && engine->type() == QPaintEngine::SVG;
    groups_ = dynamic_cast<TGroupedDevice*>(painter->device());
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Bitmaps reach a PDF print job unchanged, not re-encoded as JPEG.
    painter_->setRenderHint(QPainter::LosslessImageRendering, true);
}

void TCanvas::SetGroups(const QString& lines, const QString& areas) {
    if (groups_)
        groups_->SetGroups(lines, areas);
}

void TCanvas::BeginFigure() {
    if (groups_)
        groups_->BeginFigure();
}

void TCanvas::SetBrushColor(TColor c) {
    brushColor_ = c;
    if (brushStyle_ == TBrushStyle::Clear)
        brushStyle_ = TBrushStyle::Solid;
}

void TCanvas::SetFont(const QFont& f) {
    painter_->setFont(f);
}

void TCanvas::ApplyMode() {
    painter_->setCompositionMode(penMode_ == TPenMode::NotXor
                                     ? QPainter::RasterOp_NotSourceXorDestination
                                     : QPainter::CompositionMode_SourceOver);
}

QPen TCanvas::MakePen() const {
    QPen pen(ToQColor(penColor_), penWidth_);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (penStyle_ == TPenStyle::Dot)
        pen.setStyle(Qt::DotLine);
    else if (penStyle_ == TPenStyle::Dash)
        pen.setStyle(Qt::DashLine);
    return pen;
}

void TCanvas::FillRect(int l, int t, int r, int b) {
    if (brushStyle_ == TBrushStyle::Clear || r <= l || b <= t)
        return;
    ApplyMode();
    painter_->fillRect(QRect(l, t, r - l, b - t), ToQColor(brushColor_));
}

// Band of width w lying inside [l, r) x [t, b), as four rectangles that do not
// overlap, so that a NOT-XOR band touches every pixel exactly once.
void TCanvas::FillBand(int l, int t, int r, int b, int w) {
    const QColor c = ToQColor(penColor_);
    const int wy = std::min(w, (b - t + 1) / 2);
    const int wx = std::min(w, (r - l + 1) / 2);
    painter_->fillRect(QRect(l, t, r - l, wy), c);
    if (b - wy > t + wy - 1 && b - t > wy)
        painter_->fillRect(QRect(l, std::max(b - wy, t + wy), r - l, b - std::max(b - wy, t + wy)),
                           c);
    const int innerTop = t + wy;
    const int innerBottom = std::max(b - wy, innerTop);
    if (innerBottom > innerTop) {
        painter_->fillRect(QRect(l, innerTop, wx, innerBottom - innerTop), c);
        if (r - wx >= l + wx)
            painter_->fillRect(QRect(r - wx, innerTop, wx, innerBottom - innerTop), c);
    }
}

// Dotted outline: every other pixel along the perimeter, starting at the
// top-left corner, each pixel of the perimeter visited once.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): edges in l, t, r, b order, as Rectangle
void TCanvas::DrawDottedRect(int l, int t, int r, int b) {
    QVector<QPoint> dots;
    auto add = [&](int x, int y) {
        if (((x - l) + (y - t)) % 2 == 0)
            dots.append(QPoint(x, y));
    };
    for (int x = l; x < r; ++x)
        add(x, t);
    for (int y = t + 1; y < b; ++y)
        add(r - 1, y);
    if (b - 1 > t)
        for (int x = r - 2; x >= l; --x)
            add(x, b - 1);
    if (r - 1 > l)
        for (int y = b - 2; y > t; --y)
            add(l, y);
    QPen pen(ToQColor(penColor_), 1);
    pen.setCapStyle(Qt::SquareCap);
    painter_->setPen(pen);
    const auto shift = HalfPixelShift(painter_, shiftStrokes_);
    painter_->drawPoints(dots.constData(), int(dots.size()));
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    if (r == l || b == t)
        return;
    ApplyMode();
    const bool pen = penStyle_ != TPenStyle::Clear;
    const int w = pen ? (penStyle_ == TPenStyle::Dot ? 1 : penWidth_) : 0;
    if (brushStyle_ == TBrushStyle::Solid && r - l > 2 * w && b - t > 2 * w)
        painter_->fillRect(QRect(l + w, t + w, r - l - 2 * w, b - t - 2 * w),
                           ToQColor(brushColor_));
    if (!pen)
        return;
    if (penStyle_ == TPenStyle::Dot)
        DrawDottedRect(l, t, r, b);
    else if (strokesAsPaths_ && w == 1)
        StrokeOutline(l, t, r, b);
    else
        FillBand(l, t, r, b, w);
}

// The outline through the centres of its pixels, one closed path: it covers
// the band's pixels, the mitred corners included.
void TCanvas::StrokeOutline(int l, int t, int r, int b) {
    QPen pen = MakePen();
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
    painter_->setBrush(Qt::NoBrush);
    const auto shift = HalfPixelShift(painter_, true);
    painter_->drawRect(QRectF(l, t, r - l - 1, b - t - 1));
}

// A straight run as the line through its pixels' centres, flat at both
// ends: the same pixels, kept as a line.
void TCanvas::StrokeRun(const QRect& run) {
    QPen pen = MakePen();
    pen.setCapStyle(Qt::FlatCap);
    painter_->setPen(pen);
    const bool across = run.width() >= run.height();
    const QPointF from =
        across ? QPointF(run.left(), run.top() + 0.5) : QPointF(run.left() + 0.5, run.top());
    const QPointF to = across ? QPointF(run.right() + 1, run.top() + 0.5)
                              : QPointF(run.left() + 0.5, run.bottom() + 1);
    painter_->drawLine(from, to);
}

// One segment from 'from' towards 'to'; the end point itself is set only
// when includeLast is true (GDI lines never set it).
void TCanvas::DrawPixelRun(QPoint from, QPoint to, bool includeLast) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0) {
        if (includeLast)
            DrawSegment(from, from);
        return;
    }
    QPoint end = to;
    if (!includeLast)
        end = QPoint(from.x() + int(RoundDiv(static_cast<long long>(dx) * (n - 1), n)),
                     from.y() + int(RoundDiv(static_cast<long long>(dy) * (n - 1), n)));
    DrawSegment(from, end);
}

// The pixels from 'from' to 'to', both included. A one-pixel horizontal or
// vertical run is filled as the pixel rectangle it stands for: on a screen
// these are the pixels the stroke would set, at a fraction of the work, and
// a PDF or printer would stroke a line at x from x - 0.5 to x + 0.5, half on
// each of two columns (the rectangle is exact wherever a recorded page is
// replayed). Any other line is stroked by the device, on vector devices
// through the pixel centres with square caps.
void TCanvas::DrawSegment(QPoint from, QPoint to) {
    const bool straight = from.x() == to.x() || from.y() == to.y();
    if (straight && penWidth_ == 1 && penStyle_ != TPenStyle::Dot && penStyle_ != TPenStyle::Dash) {
        // Both ends included whichever way the run goes (QRect::normalized
        // would drop one end of a run drawn backwards).
        const QRect run(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                        QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y())));
        if (strokesAsPaths_)
            StrokeRun(run);
        else
            painter_->fillRect(run, ToQColor(penColor_));
        return;
    }
    const auto shift = HalfPixelShift(painter_, shiftStrokes_);
    if (from == to)
        painter_->drawPoint(from);
    else
        painter_->drawLine(from, to);
}

void TCanvas::Polyline(const QVector<QPoint>& pts) {
    if (penStyle_ == TPenStyle::Clear || pts.size() < 2)
        return;
    ApplyMode();
    painter_->setPen(MakePen());
    painter_->setBrush(Qt::NoBrush);
    for (int i = 0; i + 1 < pts.size(); ++i)
        DrawPixelRun(pts[i], pts[i + 1], false);
}

namespace {
struct TSpan {
    int first, last; // inclusive; empty when first > last
};

// Rows of the rounded rectangle [l, r) x [t, b) whose corners are quarters of
// an rx x ry ellipse. A pixel belongs to the figure when its centre does, so
// the four corners come out as mirror images of each other.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): edges, then radii, as RoundRect
QVector<TSpan> RoundRectSpans(int l, int t, int r, int b, int rx, int ry) {
    const double a = std::min(rx, r - l) / 2.0;
    const double e = std::min(ry, b - t) / 2.0;
    QVector<TSpan> rows;
    for (int y = t; y < b; ++y) {
        const double cy = y + 0.5;
        double dy = 0;
        if (e > 0 && cy < t + e)
            dy = (t + e - cy) / e;
        else if (e > 0 && cy > b - e)
            dy = (cy - (b - e)) / e;
        const double inset = a > 0 ? a - a * std::sqrt(std::max(0.0, 1 - dy * dy)) : 0;
        const int skip = int(std::ceil(inset - 0.5));
        rows.append({l + skip, r - 1 - skip});
    }
    return rows;
}
} // namespace

// With a one-pixel pen (or none) the figure is set pixel by pixel: the
// outline is every pixel of the figure next to one outside it, the brush
// fills the rest, and no pixel is touched twice (so NOT-XOR stays exact).
// Wider and patterned pens follow Qt's own curve.
void TCanvas::RoundRect(int l, int t, int r, int b, int rx, int ry) {
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    ApplyMode();
    const bool pen = penStyle_ != TPenStyle::Clear;
    const bool fill = brushStyle_ == TBrushStyle::Solid;
    if (pen && (penWidth_ > 1 || penStyle_ == TPenStyle::Dot || penStyle_ == TPenStyle::Dash)) {
        painter_->setPen(MakePen());
        painter_->setBrush(fill ? QBrush(ToQColor(brushColor_)) : QBrush(Qt::NoBrush));
        painter_->drawRoundedRect(QRect(l, t, r - l - 1, b - t - 1), rx / 2.0, ry / 2.0);
        return;
    }
    const QVector<TSpan> rows = RoundRectSpans(l, t, r, b, rx, ry);
    const QColor penColor = ToQColor(penColor_);
    const QColor brushColor = ToQColor(brushColor_);
    const TSpan none{1, 0};
    for (int i = 0; i < rows.size(); ++i) {
        const TSpan row = rows[i];
        if (row.first > row.last)
            continue;
        const int y = t + i;
        if (!pen) { // no outline: the brush covers the whole figure
            if (fill)
                painter_->fillRect(QRect(row.first, y, row.last - row.first + 1, 1), brushColor);
            continue;
        }
        const TSpan above = i > 0 ? rows[i - 1] : none;
        const TSpan below = i + 1 < rows.size() ? rows[i + 1] : none;
        const int inL = std::max({row.first + 1, above.first, below.first});
        const int inR = std::min({row.last - 1, above.last, below.last});
        if (inL > inR) {
            painter_->fillRect(QRect(row.first, y, row.last - row.first + 1, 1), penColor);
            continue;
        }
        if (fill)
            painter_->fillRect(QRect(inL, y, inR - inL + 1, 1), brushColor);
        painter_->fillRect(QRect(row.first, y, inL - row.first, 1), penColor);
        painter_->fillRect(QRect(inR + 1, y, row.last - inR, 1), penColor);
    }
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
    ApplyMode();
    painter_->setPen(penStyle_ == TPenStyle::Clear ? QPen(Qt::NoPen) : MakePen());
    painter_->setBrush(brushStyle_ == TBrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                         : QBrush(ToQColor(brushColor_)));
    painter_->drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

void TCanvas::Polygon(const QVector<QPoint>& pts) {
    ApplyMode();
    painter_->setPen(penStyle_ == TPenStyle::Clear ? QPen(Qt::NoPen) : MakePen());
    painter_->setBrush(brushStyle_ == TBrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                         : QBrush(ToQColor(brushColor_)));
    painter_->drawPolygon(pts.constData(), int(pts.size()));
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->setPen(ToQColor(fontColor_));
    const QFontMetrics fm(painter_->font());
    painter_->drawText(QPoint(x, y + fm.ascent()), text);
}

void TCanvas::StretchDraw(const QRect& target, const QImage& image) {
    if (target.isEmpty() || image.isNull())
        return;
    ApplyMode();
    painter_->drawImage(target, image);
}
