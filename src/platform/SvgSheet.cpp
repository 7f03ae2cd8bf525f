#include "SvgSheet.h"

#include <QBuffer>
#include <QImageWriter>
#include <QList>
#include <QPaintEngine>
#include <QPainterPath>
#include <QRegion>
#include <cmath>

namespace {
// Coordinates to a thousandth of a dot, without trailing zeros.
QString Num(double v) {
    QString text = QString::number(v, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString CapOf(Qt::PenCapStyle cap) {
    switch (cap) {
    case Qt::FlatCap:
        return QStringLiteral("butt");
    case Qt::RoundCap:
        return QStringLiteral("round");
    default:
        return QStringLiteral("square");
    }
}

struct TGroup {
    QString Id;
    int Figure = 0;
    QStringList Elements;
};
} // namespace

// The engine behind TSvgSheet: it follows the painter's pen, brush,
// transform, clip and hints, and turns each primitive into one element of
// the current group.
class TSvgSheetEngine : public QPaintEngine {
public:
    explicit TSvgSheetEngine(const QStringList& groups) : QPaintEngine(AllFeatures) {
        for (const QString& id : groups)
            groups_.append({id, 0, {}});
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::SVG; }

    void updateState(const QPaintEngineState& state) override;
    void drawRects(const QRectF* rects, int count) override;
    void drawRects(const QRect* rects, int count) override;
    void drawLines(const QLineF* lines, int count) override;
    void drawLines(const QLine* lines, int count) override;
    void drawPoints(const QPointF* points, int count) override;
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
    void drawPath(const QPainterPath& path) override;
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                   Qt::ImageConversionFlags) override;
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& sr) override {
        drawImage(r, pixmap.toImage(), sr, Qt::AutoColor);
    }

    void SetGroups(const QString& lines, const QString& areas) {
        lines_ = lines;
        areas_ = areas;
    }
    void BeginFigure() { ++figure_; }
    QString Body() const;

private:
    QString StrokeAttributes() const;
    QString FillAttribute() const;
    QString PathData(const QPainterPath& path) const;
    void Add(const QString& element, bool stroke);
    void SetClip(const QRegion& region, Qt::ClipOperation op);

    QPen pen_;
    QBrush brush_;
    QTransform transform_;
    QPainter::RenderHints hints_;
    bool clipEnabled_ = false;
    std::optional<QRegion> clip_;
    int clips_ = 0;

    QString lines_;
    QString areas_;
    int figure_ = 0;
    QList<TGroup> groups_;
    QString last_;
};

void TSvgSheetEngine::SetClip(const QRegion& region, Qt::ClipOperation op) {
    const QRegion mapped = transform_.map(region);
    if (op == Qt::NoClip)
        clip_.reset();
    else if (op == Qt::IntersectClip && clip_)
        clip_ = *clip_ & mapped;
    else
        clip_ = mapped;
}

void TSvgSheetEngine::updateState(const QPaintEngineState& state) {
    const DirtyFlags dirty = state.state();
    if (dirty & DirtyPen)
        pen_ = state.pen();
    if (dirty & DirtyBrush)
        brush_ = state.brush();
    if (dirty & DirtyTransform)
        transform_ = state.transform();
    if (dirty & DirtyHints)
        hints_ = state.renderHints();
    if (dirty & DirtyClipEnabled)
        clipEnabled_ = state.isClipEnabled();
    if (dirty & DirtyClipRegion)
        SetClip(state.clipRegion(), state.clipOperation());
    if (dirty & DirtyClipPath)
        SetClip(QRegion(state.clipPath().boundingRect().toAlignedRect()), state.clipOperation());
}

QString TSvgSheetEngine::StrokeAttributes() const {
    const double width = pen_.widthF() > 0 ? pen_.widthF() : 1.0;
    QString text =
        QStringLiteral(R"( fill="none" stroke="%1" stroke-width="%2" stroke-linecap="%3")")
            .arg(pen_.color().name(), Num(width), CapOf(pen_.capStyle()));
    if (pen_.joinStyle() == Qt::MiterJoin || pen_.joinStyle() == Qt::SvgMiterJoin)
        text += QStringLiteral(R"( stroke-linejoin="miter")");
    return text;
}

QString TSvgSheetEngine::FillAttribute() const {
    return QStringLiteral(R"( fill="%1")").arg(brush_.color().name());
}

// The element goes to its group once; a later figure's first element in a
// group that others were drawn over replaces the group's content and moves
// it to the top (TGroupedDevice).
void TSvgSheetEngine::Add(const QString& element, bool stroke) {
    const QString id = stroke ? lines_ : areas_;
    qsizetype at = -1;
    for (qsizetype i = 0; i < groups_.size(); ++i)
        if (groups_[i].Id == id)
            at = i;
    if (at < 0) {
        groups_.append({id, figure_, {}});
        at = groups_.size() - 1;
    } else if (!groups_[at].Elements.isEmpty() && groups_[at].Figure != figure_ && last_ != id) {
        TGroup moved{id, figure_, {}};
        groups_.removeAt(at);
        groups_.append(moved);
        at = groups_.size() - 1;
    }
    TGroup& group = groups_[at];
    group.Figure = figure_;
    last_ = id;
    if (!group.Elements.contains(element))
        group.Elements.append(element);
}

void TSvgSheetEngine::drawRects(const QRectF* rects, int count) {
    const bool stroke = pen_.style() != Qt::NoPen;
    const bool fill = brush_.style() != Qt::NoBrush;
    for (int i = 0; i < count; ++i) {
        const QRectF r = transform_.mapRect(rects[i]);
        if (fill)
            Add(QStringLiteral(R"(<rect x="%1" y="%2" width="%3" height="%4"%5/>)")
                    .arg(Num(r.x()), Num(r.y()), Num(r.width()), Num(r.height()), FillAttribute()),
                false);
        if (stroke) // one closed path, as a cut line
            Add(QStringLiteral(R"(<path d="M%1 %2H%3V%4H%1Z"%5/>)")
                    .arg(Num(r.left()), Num(r.top()), Num(r.right()), Num(r.bottom()),
                         StrokeAttributes()),
                true);
    }
}

void TSvgSheetEngine::drawRects(const QRect* rects, int count) {
    for (int i = 0; i < count; ++i) {
        const QRectF r(rects[i]);
        drawRects(&r, 1);
    }
}

void TSvgSheetEngine::drawLines(const QLineF* lines, int count) {
    if (pen_.style() == Qt::NoPen)
        return;
    for (int i = 0; i < count; ++i) {
        const QLineF l = transform_.map(lines[i]);
        Add(QStringLiteral(R"(<path d="M%1 %2L%3 %4"%5/>)")
                .arg(Num(l.x1()), Num(l.y1()), Num(l.x2()), Num(l.y2()), StrokeAttributes()),
            true);
    }
}

void TSvgSheetEngine::drawLines(const QLine* lines, int count) {
    for (int i = 0; i < count; ++i) {
        const QLineF l(lines[i]);
        drawLines(&l, 1);
    }
}

// A point of a one-dot pen: the dot it stands for, filled.
void TSvgSheetEngine::drawPoints(const QPointF* points, int count) {
    const double half = (pen_.widthF() > 0 ? pen_.widthF() : 1.0) / 2;
    for (int i = 0; i < count; ++i) {
        const QPointF p = transform_.map(points[i]);
        Add(QStringLiteral(R"(<rect x="%1" y="%2" width="%3" height="%3" fill="%4"/>)")
                .arg(Num(p.x() - half), Num(p.y() - half), Num(2 * half), pen_.color().name()),
            true);
    }
}

QString TSvgSheetEngine::PathData(const QPainterPath& path) const {
    const QPainterPath mapped = transform_.map(path);
    QString d;
    for (int i = 0; i < mapped.elementCount(); ++i) {
        const QPainterPath::Element e = mapped.elementAt(i);
        if (e.isCurveTo()) {
            const QPainterPath::Element c2 = mapped.elementAt(i + 1);
            const QPainterPath::Element end = mapped.elementAt(i + 2);
            d += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                     .arg(Num(e.x), Num(e.y), Num(c2.x), Num(c2.y), Num(end.x), Num(end.y));
            i += 2;
        } else {
            d += QStringLiteral("%1%2 %3").arg(e.isMoveTo() ? "M" : "L", Num(e.x), Num(e.y));
        }
    }
    return d;
}

void TSvgSheetEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
    if (count < 2)
        return;
    QPainterPath path(points[0]);
    for (int i = 1; i < count; ++i)
        path.lineTo(points[i]);
    if (mode != PolylineMode)
        path.closeSubpath();
    const QBrush brush = brush_;
    if (mode == PolylineMode)
        brush_ = Qt::NoBrush;
    drawPath(path);
    brush_ = brush;
}

void TSvgSheetEngine::drawPath(const QPainterPath& path) {
    const QString d = PathData(path);
    if (brush_.style() != Qt::NoBrush)
        Add(QStringLiteral(R"(<path d="%1"%2/>)").arg(d, FillAttribute()), false);
    if (pen_.style() != Qt::NoPen)
        Add(QStringLiteral(R"(<path d="%1"%2/>)").arg(d, StrokeAttributes()), true);
}

// Pictures travel as PNG, or as JPEG (quality 95) where the painter allows
// a lossy picture and it has no transparency; drawn without smoothing, so
// every picture pixel keeps its own square as on a printed sheet.
void TSvgSheetEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                                Qt::ImageConversionFlags) {
    const QImage part = sr == QRectF(image.rect()) ? image : image.copy(sr.toAlignedRect());
    const bool jpeg = !(hints_ & QPainter::LosslessImageRendering) && !part.hasAlphaChannel();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, jpeg ? "jpeg" : "png");
    if (jpeg)
        writer.setQuality(95);
    if (!writer.write(part))
        return;
    const QRectF at = transform_.mapRect(r);
    QString element =
        QStringLiteral(R"(<image x="%1" y="%2" width="%3" height="%4" preserveAspectRatio="none")"
                       R"( image-rendering="optimizeSpeed" xlink:href="data:image/%5;base64,%6"/>)")
            .arg(Num(at.x()), Num(at.y()), Num(at.width()), Num(at.height()), jpeg ? "jpeg" : "png",
                 QString::fromLatin1(bytes.toBase64()));
    if (clipEnabled_ && clip_) {
        const QRect c = clip_->boundingRect();
        const QString id = QStringLiteral("clip%1").arg(++clips_);
        element = QStringLiteral(R"(<clipPath id="%1"><rect x="%2" y="%3" width="%4" height="%5"/>)"
                                 R"x(</clipPath><g clip-path="url(#%1)">%6</g>)x")
                      .arg(id, Num(c.x()), Num(c.y()), Num(c.width()), Num(c.height()), element);
    }
    Add(element, false);
}

QString TSvgSheetEngine::Body() const {
    QString body;
    for (const TGroup& group : groups_) {
        body += QStringLiteral("<g id=\"%1\">\n").arg(Escaped(group.Id));
        for (const QString& element : group.Elements)
            body += element + QLatin1Char('\n');
        body += QStringLiteral("</g>\n");
    }
    return body;
}

TSvgSheet::TSvgSheet(QSizeF millimetres, int dpi, const QString& title, const QStringList& groups)
    : millimetres_(millimetres), dpi_(dpi), title_(title),
      engine_(std::make_unique<TSvgSheetEngine>(groups)) {}

TSvgSheet::~TSvgSheet() = default;

QPaintEngine* TSvgSheet::paintEngine() const {
    return engine_.get();
}

void TSvgSheet::SetGroups(const QString& lines, const QString& areas) {
    engine_->SetGroups(lines, areas);
}

void TSvgSheet::BeginFigure() {
    engine_->BeginFigure();
}

int TSvgSheet::metric(PaintDeviceMetric metric) const {
    const double dotsPerMm = dpi_ / 25.4;
    switch (metric) {
    case PdmWidth:
        return int(std::lround(millimetres_.width() * dotsPerMm));
    case PdmHeight:
        return int(std::lround(millimetres_.height() * dotsPerMm));
    case PdmWidthMM:
        return int(std::lround(millimetres_.width()));
    case PdmHeightMM:
        return int(std::lround(millimetres_.height()));
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return dpi_;
    case PdmNumColors:
        return INT_MAX;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

QByteArray TSvgSheet::Document() const {
    const double dotsPerMm = dpi_ / 25.4;
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                  "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\" "
                                  "width=\"%1mm\" height=\"%2mm\" viewBox=\"0 0 %3 %4\">\n"
                                  "<title>%5</title>\n")
                       .arg(Num(millimetres_.width()), Num(millimetres_.height()),
                            Num(millimetres_.width() * dotsPerMm),
                            Num(millimetres_.height() * dotsPerMm), Escaped(title_));
    text += engine_->Body() + QStringLiteral("</svg>\n");
    return text.toUtf8();
}
