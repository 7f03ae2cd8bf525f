#include "PlainBitmap.h"

#include <QByteArray>
#include <QtEndian>
#include <cstdlib>
#include <limits>

namespace {
constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

struct TPlainHeader {
    qint64 offBits = 0;
    int width = 0;
    int height = 0; // negative: the rows run top down
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
};

// The header of a plain 24-bit bitmap; empty for any other.
std::optional<TPlainHeader> ReadPlainHeader(QIODevice& file) {
    if (!file.seek(0))
        return std::nullopt;
    const QByteArray h = file.read(kFileHeaderBytes + kInfoHeaderBytes);
    if (h.size() < kFileHeaderBytes + kInfoHeaderBytes || !h.startsWith("BM"))
        return std::nullopt;
    const char* p = h.constData();
    const quint32 infoSize = qFromLittleEndian<quint32>(p + 14);
    // The common information headers; the others carry more than plain rows.
    if (infoSize != 40 && infoSize != 108 && infoSize != 124)
        return std::nullopt;
    TPlainHeader header;
    header.offBits = qFromLittleEndian<quint32>(p + 10);
    header.width = qFromLittleEndian<qint32>(p + 18);
    header.height = qFromLittleEndian<qint32>(p + 22);
    const quint16 planes = qFromLittleEndian<quint16>(p + 26);
    const quint16 bits = qFromLittleEndian<quint16>(p + 28);
    const quint32 compression = qFromLittleEndian<quint32>(p + 30);
    header.dotsPerMeterX = qFromLittleEndian<qint32>(p + 38);
    header.dotsPerMeterY = qFromLittleEndian<qint32>(p + 42);
    if (planes != 1 || bits != 24 || compression != 0 || header.width <= 0 || header.height == 0 ||
        header.height == std::numeric_limits<qint32>::min() ||
        header.offBits < kFileHeaderBytes + qint64(infoSize))
        return std::nullopt;
    return header;
}

qint64 Stride(int width) {
    return (qint64(width) * 3 + 3) / 4 * 4;
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
    const std::optional<TPlainHeader> header = ReadPlainHeader(file);
    if (!header)
        return std::nullopt;
    const int rows = std::abs(header->height);
    const qint64 stride = Stride(header->width);
    if ((file.size() - header->offBits) / stride < rows || !file.seek(header->offBits))
        return std::nullopt;
    QImage image(header->width, rows, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    QByteArray line(stride, Qt::Uninitialized);
    for (int i = 0; i < rows; ++i) {
        if (file.read(line.data(), stride) != stride)
            return std::nullopt;
        const int y = header->height < 0 ? i : rows - 1 - i;
        ConvertRow(reinterpret_cast<const uchar*>(line.constData()),
                   reinterpret_cast<QRgb*>(image.scanLine(y)), header->width);
    }
    if (header->dotsPerMeterX > 0)
        image.setDotsPerMeterX(header->dotsPerMeterX);
    if (header->dotsPerMeterY > 0)
        image.setDotsPerMeterY(header->dotsPerMeterY);
    return image;
}
