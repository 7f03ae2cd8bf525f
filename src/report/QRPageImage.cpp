#include "QRPageImage.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace {
// A page rectangle in device pixels of the painter: edges rounded, as the
// device rounds the edges of what it draws.
QRect ToDevicePixels(const QTransform& toDevice, const QRect& r) {
    const QRectF m = toDevice.mapRect(QRectF(r));
    const auto edge = [](qreal v) { return int(std::lround(std::clamp(v, -1e9, 1e9))); };
    return QRect(QPoint(edge(m.left()), edge(m.top())),
                 QPoint(edge(m.right()) - 1, edge(m.bottom()) - 1));
}
} // namespace

TQRPageImage::TQRPageImage(const QPicture& drawing)
    : bounds_(drawing.boundingRect()), null_(false) {
    AddDrawing(drawing);
}

void TQRPageImage::AddDrawing(const QPicture& drawing) {
    parts_.append(TPart{drawing, std::nullopt});
}

void TQRPageImage::AddPicture(const TQRPagePicture& picture) {
    parts_.append(TPart{QPicture(), picture});
}

// Each drawing was recorded from a fresh painter, so it is replayed from
// the default pen and brush whatever the painter held before.
void TQRPageImage::Play(QPainter& painter) const {
    fits_.resize(parts_.size());
    for (int i = 0; i < parts_.size(); ++i) {
        if (parts_[i].Picture) {
            PlayPicture(painter, i);
            continue;
        }
        painter.save();
        painter.setPen(QPen());
        painter.setBrush(QBrush());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawPicture(0, 0, parts_[i].Drawing);
        painter.restore();
    }
}

// The picture is fitted in physical pixels of the device, where the page's
// transform puts it; the fit is kept for as long as that does not change.
void TQRPageImage::PlayPicture(QPainter& painter, int part) const {
    const TQRPagePicture& picture = *parts_[part].Picture;
    const QPaintDevice* device = painter.device();
    const qreal ratio = device->devicePixelRatioF();
    const QTransform toDevice = painter.combinedTransform() * QTransform::fromScale(ratio, ratio);
    const QRect screen(0, 0, int(std::ceil(device->width() * ratio)),
                       int(std::ceil(device->height() * ratio)));
    const QRect target = ToDevicePixels(toDevice, picture.Placement.Target);
    const QRect visible = ToDevicePixels(toDevice, picture.Placement.Visible) & screen;
    TFitCache& fit = fits_[part];
    if (fit.Target != target || fit.Visible != visible || fit.Fitted.Image.isNull())
        fit = {target, visible, FitPicture(picture.Picture, {target, visible})};
    painter.save();
    painter.resetTransform();
    painter.scale(1 / ratio, 1 / ratio);
    DrawFittedPicture(painter, fit.Fitted, true);
    painter.restore();
}

TQRPageRecorder::TQRPageRecorder(const QRect& bounds) : page_(bounds) {
    BeginDrawing();
}

TQRPageRecorder::~TQRPageRecorder() {
    if (painter_.isActive())
        painter_.end();
}

void TQRPageRecorder::BeginDrawing() {
    drawing_ = QPicture();
    drawing_.setBoundingRect(page_.BoundingRect());
    painter_.begin(&drawing_);
}

void TQRPageRecorder::EndDrawing() {
    painter_.end();
    page_.AddDrawing(drawing_);
}

// The recording painter ends one drawing and begins the next; what the
// page's canvas set on it (font, hints) carries over.
void TQRPageRecorder::PlacePicture(const TQRPagePicture& picture) {
    const QFont font = painter_.font();
    const QPainter::RenderHints hints = painter_.renderHints();
    EndDrawing();
    page_.AddPicture(picture);
    BeginDrawing();
    painter_.setFont(font);
    painter_.setRenderHints(hints);
}

TQRPageImage TQRPageRecorder::Finish() {
    if (painter_.isActive())
        EndDrawing();
    return page_;
}
