#include "PictureHeaders.h"

#include <QList>
#include <QPair>
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

namespace {
// The bytes of a JPEG read in order, through a window of the file.
class TJpegBytes {
public:
    explicit TJpegBytes(QIODevice& file) : file_(file) {}
    int Next() { // -1 at the end of the file
        if (pos_ < start_ || pos_ >= start_ + window_.size()) {
            start_ = pos_;
            window_ = ReadAt(file_, pos_, 4096);
            if (window_.isEmpty())
                return -1;
        }
        return quint8(window_[int(pos_++ - start_)]);
    }
    QByteArray Take(int size) {
        QByteArray bytes = ReadAt(file_, pos_, size);
        pos_ += bytes.size();
        return bytes;
    }
    void Skip(qint64 size) { pos_ += size; }

    // The next marker as the decoder finds it: bytes other than 0xFF before
    // it are passed over, as are fill bytes and a stuffed 0xFF 0x00; -1 at
    // the end of the file.
    int NextMarker() {
        for (;;) {
            int c = Next();
            while (c >= 0 && c != 0xFF)
                c = Next();
            while (c == 0xFF)
                c = Next();
            if (c != 0)
                return c;
        }
    }

private:
    QIODevice& file_;
    qint64 pos_ = 2; // past the start of image
    qint64 start_ = 0;
    QByteArray window_;
};

bool HasNoLength(int marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); // TEM, RST0-7
}

// What the frame header and the first scan's header tell.
struct TJpegFrame {
    qint64 width = 0;
    qint64 height = 0;
    QList<QPair<int, int>> sampling; // each component's, across and down
    bool progressive = false;
    int scanComponents = -1; // -1 where no scan header follows the frame
};

// A frame header: precision, height, width, the count of components, then
// 3 bytes a component (its id, its sampling, its table).
TJpegFrame ParseFrame(const QByteArray& header, bool progressive) {
    TJpegFrame f;
    f.progressive = progressive;
    if (header.size() < 6)
        return f;
    f.height = BigEndian16(header, 1);
    f.width = BigEndian16(header, 3);
    for (int i = 0; i < quint8(header[5]) && 7 + 3 * i < header.size(); ++i) {
        const quint8 s = quint8(header[7 + 3 * i]);
        f.sampling.append({qMax(1, s >> 4), qMax(1, s & 15)});
    }
    return f;
}

std::optional<TJpegFrame> ReadJpegFrame(QIODevice& file) {
    TJpegBytes bytes(file);
    std::optional<TJpegFrame> found;
    for (int step = 0; step < kMaxBlocks; ++step) {
        const int marker = bytes.NextMarker();
        if (marker < 0 || marker == 0xD9)
            break;
        if (HasNoLength(marker))
            continue;
        const QByteArray length = bytes.Take(2);
        if (length.size() < 2)
            break;
        // A length too short to count itself is taken as no content, as
        // the decoder takes it for blocks it passes over.
        const int size = qMax(0, BigEndian16(length, 0) - 2);
        if (IsJpegFrameMarker(marker) && !found) {
            found = ParseFrame(bytes.Take(size), IsProgressive(marker));
            continue;
        }
        if (marker == 0xDA) {
            const QByteArray count = bytes.Take(qMin(size, 1));
            if (found && !count.isEmpty())
                found->scanComponents = quint8(count[0]);
            break;
        }
        bytes.Skip(size);
    }
    return found;
}

// The blocks of 8 along one side of a component sampled `sampling` times
// in `max`, rounded up to whole units of its sampling.
qint64 Blocks(qint64 side, qint64 sampling, qint64 max) {
    const qint64 blocks = (side * sampling + 8 * max - 1) / (8 * max);
    return (blocks + sampling - 1) / sampling * sampling;
}

// The coefficient buffers of libjpeg's decoder: each component's blocks of
// 8 x 8 coefficients of 2 bytes.
qint64 CoefficientBytes(const TJpegFrame& f) {
    int maxH = 1, maxV = 1;
    for (const auto& [h, v] : f.sampling) {
        maxH = qMax(maxH, h);
        maxV = qMax(maxV, v);
    }
    qint64 bytes = 0;
    for (const auto& [h, v] : f.sampling)
        bytes += Blocks(f.width, h, maxH) * Blocks(f.height, v, maxV) * 64 * 2;
    return bytes;
}
} // namespace

qint64 JpegWorkingBytes(QIODevice& file) {
    const std::optional<TJpegFrame> f = ReadJpegFrame(file);
    file.seek(0);
    if (!f)
        return 0;
    // A picture coded in one scan of all its components is decoded row by
    // row; otherwise every scan adds to coefficients held for all of it.
    const bool oneScan = !f->progressive && f->scanComponents >= f->sampling.size();
    return oneScan ? 0 : CoefficientBytes(*f);
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
