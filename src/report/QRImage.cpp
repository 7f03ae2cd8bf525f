#include "QRImage.h"

#include "../platform/Rounding.h"
#include "QRPrinter.h"

#include <QPainter>

TQRImage::TQRImage(QWidget* owner, int resolution) : TQRPrintable(owner, resolution) {
    SetBounds(x(), y(), 105, 105);
}

QImage TQRImage::Picture() const {
    return picture_ ? picture_->Decode(picture_->Size(), PictureRoom()) : QImage();
}

void TQRImage::SetPicture(const QImage& image) {
    SetPicture(image.isNull() ? nullptr : std::make_shared<const THeldPicture>(image));
}

void TQRImage::SetPicture(const THeldPicturePtr& picture) {
    picture_ = picture;
    FitToPicture();
    update();
}

void TQRImage::SetStretch(bool s) {
    stretch_ = s;
    update();
}

void TQRImage::SetCenter(bool c) {
    center_ = c;
    update();
}

void TQRImage::SetAutoSize(bool a) {
    autoSize_ = a;
    FitToPicture();
}

void TQRImage::FitToPicture() {
    const QSize own = picture_ ? picture_->Size() : QSize();
    if (autoSize_ && !own.isEmpty())
        SetBounds(x(), y(), own.width(), own.height());
}

void TQRImage::paintEvent(QPaintEvent*) {
    if (!picture_)
        return;
    QPainter painter(this);
    const QImage shown = picture_->Decode(stretch_ ? size() : picture_->Size(), PictureRoom());
    painter.drawImage(stretch_ ? rect() : QRect(QPoint(0, 0), picture_->Size()), shown);
}

std::unique_ptr<TQRPrintableSnapshot> TQRImage::TakeSnapshot() const {
    return std::make_unique<TQRImageSnapshot>(*this);
}

TQRImageSnapshot::TQRImageSnapshot(const TQRImage& image)
    : TQRPrintableSnapshot(image), picture_(image.Held()), stretch_(image.Stretch()),
      center_(image.Center()), jpegSource_(image.JpegSource()) {}

QSize TQRImageSnapshot::NaturalSize(const TQRPrinter& printer) const {
    const long double nativePerPixel = kNativePerInch / Resolution();
    const QSize own = picture_->Size();
    return QSize(int(RoundHalfEven(own.width() * nativePerPixel * printer.DevicePerNativeX())),
                 int(RoundHalfEven(own.height() * nativePerPixel * printer.DevicePerNativeY())));
}

// With Stretch the picture fills the rectangle; without, it lies at its
// natural size from the rectangle's top-left corner (or centred) and is cut
// at the rectangle.
TQRPicturePlacement TQRImageSnapshot::Placement(const TQRPrinter& printer, long double offsetX,
                                                long double offsetY) const {
    const auto [l, t, r, b] = DeviceEdges(printer, offsetX, offsetY);
    const QRect rect(QPoint(l, t), QPoint(r - 1, b - 1));
    if (stretch_)
        return {rect, rect};
    QPoint at = rect.topLeft();
    const QSize natural = NaturalSize(printer);
    if (center_) // halves truncate towards zero
        at += QPoint((printer.ToDeviceWidth(Width()) - natural.width()) / 2,
                     (printer.ToDeviceHeight(Height()) - natural.height()) / 2);
    return {QRect(at, natural), rect};
}

TQRPictureAsk TQRImageSnapshot::Ask(const TQRPrinter& printer,
                                    const TQRPicturePlacement& placement) const {
    return {picture_, printer.PicturePixels(placement.Target.size())};
}

std::optional<TQRPictureAsk> TQRImageSnapshot::PictureAsk(const TQRPrinter& printer) const {
    if (!picture_)
        return std::nullopt;
    return Ask(printer, Placement(printer, 0, 0));
}

// Picture work is the long part of a run: a cancelled run places no
// picture, and the printer's preparation of one checks it too. The decode
// was started ahead by the run and is let go once placed.
void TQRImageSnapshot::PrintAt(long double offsetX, long double offsetY) {
    TQRPrinter* printer = QRPrinter();
    if (printer && printer->Canvas() && picture_ && !Cancelled()) {
        const TQRPicturePlacement placement = Placement(*printer, offsetX, offsetY);
        QImage pixels = PictureDecodes().Take(Ask(*printer, placement));
        printer->PlacePicture(pixels, placement, !jpegSource_);
        PictureDecodes().GiveBack(std::move(pixels));
    }
    TQRPrintableSnapshot::PrintAt(offsetX, offsetY);
}
