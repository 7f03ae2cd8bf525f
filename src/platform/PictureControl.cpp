#include "PictureControl.h"

#include "Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QtEndian>
#include <cmath>

namespace {
// Scaled copies beyond this size are not kept; such a control is drawn
// straight from the picture, clipped to what is visible.
constexpr qint64 kMaxScaledPixels = 16'000'000;
constexpr int kAllocationLimitMB = 512;

QByteArray FormatOfExtension(const QString& ext) {
    const QString e = ext.toLower();
    if (e == "bmp" || e == "png" || e == "gif")
        return e.toLatin1();
    if (e == "jpg" || e == "jpeg")
        return "jpeg";
    return {};
}

// Qt's bitmap decoder fills in what a cut-off file lacks; an uncompressed
// bitmap whose pixel rows do not all fit in the file is refused instead.
bool BitmapFitsItsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = file.read(34);
    if (h.size() < 26 || !h.startsWith("BM"))
        return false;
    const qint64 offBits = qFromLittleEndian<quint32>(h.constData() + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(h.constData() + 14);
    qint64 width, height, bits, compression = 0;
    if (infoSize == 12) {
        width = qFromLittleEndian<quint16>(h.constData() + 18);
        height = qFromLittleEndian<quint16>(h.constData() + 20);
        bits = qFromLittleEndian<quint16>(h.constData() + 24);
    } else {
        if (h.size() < 34)
            return false;
        width = qFromLittleEndian<qint32>(h.constData() + 18);
        height = qAbs(qint64(qFromLittleEndian<qint32>(h.constData() + 22)));
        bits = qFromLittleEndian<quint16>(h.constData() + 28);
        compression = qFromLittleEndian<quint32>(h.constData() + 30);
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed)
        return true; // run-length data: the decoder checks it as it goes
    const qint64 stride = (width * bits + 31) / 32 * 4;
    return width > 0 && offBits + stride * height <= file.size();
}

QImage ReadPicture(const QString& path, const QByteArray& format) {
    // A backstop for headers that lie about their size: room for the largest
    // picture held (4 bytes a pixel) and no more.
    QImageReader::setAllocationLimit(kAllocationLimitMB);
    QImageReader reader(path, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    if (format == "bmp" && !BitmapFitsItsFile(path))
        throw EError(QStringLiteral("ビットマップイメージが不正です"));
    const QSize size = reader.size();
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isValid() && pixels > TPictureControl::MaxPixels) {
        // Only the JPEG decoder reads reduced without decoding in full.
        if (format != "jpeg")
            throw EError(QStringLiteral("画像が大きすぎて開けません (%1 x %2 ピクセル)")
                             .arg(size.width())
                             .arg(size.height()));
        const double k = std::sqrt(double(TPictureControl::MaxPixels) / double(pixels));
        reader.setScaledSize(
            QSize(qMax(1, int(size.width() * k)), qMax(1, int(size.height() * k))));
    }
    QImage image = reader.read();
    if (image.isNull())
        throw EError(QStringLiteral("ビットマップイメージが不正です"));
    return image;
}
} // namespace

TPictureControl::TPictureControl(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 105, 105);
    setMouseTracking(true);
    // A non-windowed control: a press on it leaves the keyboard focus where
    // it was.
    setFocusPolicy(Qt::NoFocus);
}

void TPictureControl::SetPicture(const QImage& picture) {
    picture_ = picture;
    scaled_ = QImage();
    UpdateOpacity();
    update();
}

void TPictureControl::SetStretch(bool s) {
    if (stretch_ == s)
        return;
    stretch_ = s;
    UpdateOpacity();
    update();
}

// Where the picture covers the whole control without transparency, Qt need
// not paint the page and the net beneath it: that keeps the repaints of a
// drag outline over many pictures as cheap as over none.
void TPictureControl::UpdateOpacity() {
    const bool covers = stretch_ || (picture_.width() >= width() && picture_.height() >= height());
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !picture_.isNull() && !picture_.hasAlphaChannel() && covers);
}

void TPictureControl::LoadFromFile(const QString& path) {
    const QFileInfo info(path);
    const QByteArray format = FormatOfExtension(info.suffix());
    if (format.isEmpty())
        throw EError(QStringLiteral("拡張子 .%1 の画像形式は処理できません").arg(info.suffix()));
    if (!info.isFile() || !info.isReadable())
        throw EError(QStringLiteral("ファイル %1 は開けません").arg(path));
    SetPicture(ReadPicture(path, format));
}

const QImage& TPictureControl::ScaledCopy() {
    if (scaled_.size() != size())
        scaled_ = picture_.scaled(size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return scaled_;
}

void TPictureControl::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    QPainter p(this);
    if (!stretch_ || picture_.size() == size())
        p.drawImage(QPoint(0, 0), picture_);
    else if (qint64(width()) * height() <= kMaxScaledPixels)
        p.drawImage(QPoint(0, 0), ScaledCopy());
    else
        p.drawImage(rect(), picture_);
}

void TPictureControl::resizeEvent(QResizeEvent*) {
    if (scaled_.size() != size())
        scaled_ = QImage();
    UpdateOpacity();
}

void TPictureControl::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TPictureControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, Qt::NoButton, event->modifiers(), at.x(), at.y());
}
