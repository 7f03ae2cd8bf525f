#include "PictureHeaders.h"

#include <QtEndian>

namespace {
// The longest walk through a file's blocks before its frame; real files
// need a few dozen steps.
constexpr int kMaxBlocks = 4096;

QByteArray ReadAt(QIODevice& file, qint64 pos, qint64 size) {
    return file.seek(pos) ? file.read(size) : QByteArray();
}

quint16 LittleEndian16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint16 BigEndian16(const QByteArray& bytes, int at) {
    return qFromBigEndian<quint16>(bytes.constData() + at);
}

// The offset of the first image descriptor of a GIF, after the colour table
// and the extension blocks; -1 when there is none.
qint64 GifFirstFrame(QIODevice& file, quint8 screenFlags) {
    qint64 pos = 13;
    if (screenFlags & 0x80)
        pos += 3 << ((screenFlags & 7) + 1);
    for (int step = 0; step < kMaxBlocks; ++step) {
        const QByteArray b = ReadAt(file, pos, 2);
        if (b.size() < 1 || (b[0] != 0x2C && b[0] != 0x21) || (b[0] == 0x21 && b.size() < 2))
            return -1;
        if (b[0] == 0x2C)
            return pos;
        pos += 2; // an extension: its label, then sub-blocks up to an empty one
        for (quint8 n = 1; n != 0 && step < kMaxBlocks; ++step, pos += 1 + n) {
            const QByteArray len = ReadAt(file, pos, 1);
            if (len.isEmpty())
                return -1;
            n = quint8(len[0]);
        }
    }
    return -1;
}

bool IsJpegFrameMarker(quint8 marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsProgressive(quint8 marker) {
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}
} // namespace

std::optional<TBitmapHeader> ReadBitmapHeader(QIODevice& file) {
    const QByteArray h = file.peek(46);
    if (h.size() < 26 || !h.startsWith("BM"))
        return std::nullopt;
    TBitmapHeader header;
    header.offBits = qFromLittleEndian<quint32>(h.constData() + 10);
    header.infoSize = qFromLittleEndian<quint32>(h.constData() + 14);
    if (header.infoSize == 12) {
        header.width = LittleEndian16(h, 18);
        header.height = LittleEndian16(h, 20);
        header.planes = LittleEndian16(h, 22);
        header.bits = LittleEndian16(h, 24);
        return header;
    }
    if (h.size() < 34)
        return std::nullopt;
    header.width = qFromLittleEndian<qint32>(h.constData() + 18);
    header.height = qFromLittleEndian<qint32>(h.constData() + 22);
    header.planes = LittleEndian16(h, 26);
    header.bits = LittleEndian16(h, 28);
    header.compression = qFromLittleEndian<quint32>(h.constData() + 30);
    if (h.size() >= 46) {
        header.dotsPerMeterX = qFromLittleEndian<qint32>(h.constData() + 38);
        header.dotsPerMeterY = qFromLittleEndian<qint32>(h.constData() + 42);
    }
    return header;
}

bool BitmapFitsItsFile(QIODevice& file) {
    const std::optional<TBitmapHeader> h = ReadBitmapHeader(file);
    if (!h)
        return false;
    const bool uncompressed = h->compression == 0 || h->compression == 3 || h->compression == 6;
    if (!uncompressed)
        return true; // run-length data: the decoder checks it as it goes
    if (h->width <= 0 || h->bits <= 0)
        return false;
    // Width and bits are below 2^32 and 2^16, so the stride cannot overflow;
    // the rows are counted by division, as their product could.
    const qint64 stride = (h->width * h->bits + 31) / 32 * 4;
    const qint64 data = file.size() - h->offBits;
    return data >= 0 && qAbs(h->height) <= data / stride;
}

bool PngChunksFitTheFile(QIODevice& file) {
    const qint64 size = file.size();
    bool fits = true;
    for (qint64 pos = 8; pos < size;) {
        const QByteArray head = ReadAt(file, pos, 8);
        if (head.size() < 8)
            break; // a cut-off end: the decoder reports it
        const qint64 next = pos + 12 + qFromBigEndian<quint32>(head.constData());
        if (next > size) {
            fits = false;
            break;
        }
        if (head.mid(4) == "IEND")
            break;
        pos = next;
    }
    file.seek(0);
    return fits;
}

QSize GifCanvasSize(QIODevice& file) {
    const QByteArray screen = file.peek(13);
    // The decoder skips the signature unread, so it is not checked here either.
    if (screen.size() < 13)
        return {};
    int width = LittleEndian16(screen, 6);
    int height = LittleEndian16(screen, 8);
    const qint64 frame = GifFirstFrame(file, quint8(screen[10]));
    const QByteArray d = frame < 0 ? QByteArray() : ReadAt(file, frame + 1, 8);
    if (d.size() == 8) {
        width = qMax(width, LittleEndian16(d, 0) + LittleEndian16(d, 4));
        height = qMax(height, LittleEndian16(d, 2) + LittleEndian16(d, 6));
    }
    file.seek(0);
    return QSize(width, height);
}

qint64 JpegWorkingBytes(QIODevice& file) {
    qint64 bytes = 0;
    qint64 pos = 2; // past the start of image
    for (int step = 0; step < kMaxBlocks; ++step) {
        const QByteArray m = ReadAt(file, pos, 10);
        if (m.size() < 4 || quint8(m[0]) != 0xFF)
            break;
        const quint8 marker = quint8(m[1]);
        if (marker == 0xFF) { // a fill byte
            ++pos;
            continue;
        }
        if (IsJpegFrameMarker(marker)) {
            // Precision, height, width and the number of components follow.
            if (IsProgressive(marker) && m.size() == 10)
                bytes = qint64(BigEndian16(m, 5)) * BigEndian16(m, 7) * quint8(m[9]) * 2;
            break;
        }
        pos += 2 + BigEndian16(m, 2);
    }
    file.seek(0);
    return bytes;
}

QByteArray PictureFormatOfContent(QIODevice& file) {
    const qint64 start = file.pos();
    const QByteArray head = ReadAt(file, 0, 8);
    file.seek(start);
    if (head.startsWith("BM"))
        return "bmp";
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    return {};
}
