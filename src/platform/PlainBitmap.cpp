#include "PlainBitmap.h"

#include "PictureHeaders.h"

#include <QByteArray>
#include <QtEndian>
#include <limits>

namespace {
constexpr int kFileHeaderBytes = 14;

// A bitmap whose rows this reader takes: 24 bits, no compression, one of the
// common information headers (the others carry more than plain rows), the
// rows after the headers and all inside the file.
bool IsPlain(const TBitmapHeader& h, QIODevice& file) {
    return (h.infoSize == 40 || h.infoSize == 108 || h.infoSize == 124) && h.planes == 1 &&
           h.bits == 24 && h.compression == 0 && h.width > 0 && h.height != 0 &&
           h.height != std::numeric_limits<qint32>::min() &&
           h.offBits >= kFileHeaderBytes + qint64(h.infoSize) && BitmapFitsItsFile(file);
}

qint64 Stride(qint64 width) {
    return (width * 3 + 3) / 4 * 4;
}

// Blue, green, red bytes to opaque pixels; four pixels at a time are read
// as three little-endian words.
void ConvertRow(const uchar* bgr, QRgb* row, int width) {
    constexpr QRgb kOpaque = 0xff000000u;
    int x = 0;
    for (; x + 4 <= width; x += 4, bgr += 12) {
        const quint32 a = qFromLittleEndian<quint32>(bgr);
        const quint32 b = qFromLittleEndian<quint32>(bgr + 4);
        const quint32 c = qFromLittleEndian<quint32>(bgr + 8);
        row[x] = kOpaque | (a & 0xffffffu);
        row[x + 1] = kOpaque | a >> 24 | (b & 0xffffu) << 8;
        row[x + 2] = kOpaque | b >> 16 | (c & 0xffu) << 16;
        row[x + 3] = kOpaque | c >> 8;
    }
    for (; x < width; ++x, bgr += 3)
        row[x] = kOpaque | uint(bgr[2]) << 16 | uint(bgr[1]) << 8 | bgr[0];
}
} // namespace

std::optional<QImage> ReadPlainBitmap(QIODevice& file) {
    if (!file.seek(0))
        return std::nullopt;
    const std::optional<TBitmapHeader> header = ReadBitmapHeader(file);
    if (!header || !IsPlain(*header, file) || !file.seek(header->offBits))
        return std::nullopt;
    const int width = int(header->width);
    const int rows = int(qAbs(header->height));
    const qint64 stride = Stride(width);
    QImage image(width, rows, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    QByteArray line(stride, Qt::Uninitialized);
    for (int i = 0; i < rows; ++i) {
        if (file.read(line.data(), stride) != stride)
            return std::nullopt;
        const int y = header->height < 0 ? i : rows - 1 - i;
        ConvertRow(reinterpret_cast<const uchar*>(line.constData()),
                   reinterpret_cast<QRgb*>(image.scanLine(y)), width);
    }
    if (header->dotsPerMeterX > 0)
        image.setDotsPerMeterX(header->dotsPerMeterX);
    if (header->dotsPerMeterY > 0)
        image.setDotsPerMeterY(header->dotsPerMeterY);
    return image;
}
