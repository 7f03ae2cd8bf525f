#include "PictureLoader.h"

#include "Errors.h"
#include "FileSystem.h"
#include "PictureHeaders.h"
#include "PlainBitmap.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {
// A backstop for headers that lie about their size: room for the largest
// picture held (4 bytes a pixel) and no more.
constexpr int kAllocationLimitMB = 512;

QByteArray FormatOfExtension(const QString& ext) {
    const QString e = ext.toLower();
    if (e == "bmp" || e == "png" || e == "gif")
        return e.toLatin1();
    if (e == "jpg" || e == "jpeg")
        return "jpeg";
    return {};
}

EError CannotOpen(const QString& path) {
    return EError(QStringLiteral("ファイル %1 は開けません").arg(path));
}

QString KindName(const QByteArray& format) {
    if (format == "bmp")
        return QStringLiteral("ビットマップイメージ");
    if (format == "png")
        return QStringLiteral("PNG イメージ");
    if (format == "jpeg")
        return QStringLiteral("JPEG イメージ");
    return QStringLiteral("GIF イメージ");
}

// A picture that cannot be read, named with its file and with the kind its
// content is (which its extension may not tell).
EError InvalidPicture(const QString& path, const QByteArray& format, QIODevice& file) {
    const QByteArray content = PictureFormatOfContent(file);
    if (content == format)
        return EError(QStringLiteral("ファイル %1 の%2が不正です").arg(path, KindName(format)));
    if (content.isEmpty())
        return EError(QStringLiteral("ファイル %1 は%2ではありません").arg(path, KindName(format)));
    return EError(QStringLiteral("ファイル %1 は%2です。拡張子 .%3 の%4としては読めません")
                      .arg(path, KindName(content), QFileInfo(path).suffix(), KindName(format)));
}

qint64 DecodedBytes(QSize size, QImage::Format format) {
    // The GIF decoder tells no format before decoding; it decodes to 32 bits.
    const int bits =
        format == QImage::Format_Invalid ? 32 : int(QImage::toPixelFormat(format).bitsPerPixel());
    return (qint64(size.width()) * bits + 31) / 32 * 4 * size.height();
}

} // namespace

QByteArray PictureFormatOfName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    QByteArray format = FormatOfExtension(suffix);
    if (format.isEmpty())
        throw EError(QStringLiteral("拡張子 .%1 の画像形式は処理できません").arg(suffix));
    return format;
}

namespace {
qint64 Pixels(QSize size) {
    return qint64(size.width()) * size.height();
}

// The largest of the sizes that the JPEG decoder reads directly (an eighth
// of the picture times 1 to 7) within the pixel limit, rounded down, so that
// the decoder's own result is no larger than the picture kept.
QSize ReducedJpegSize(QSize size) {
    QSize reduced;
    for (int eighths = 7; eighths >= 1; --eighths) {
        reduced = QSize(qMax(1, int(qint64(size.width()) * eighths / 8)),
                        qMax(1, int(qint64(size.height()) * eighths / 8)));
        if (Pixels(reduced) <= MaxPicturePixels)
            break;
    }
    return reduced;
}

// True when Qt's JPEG reader, asked for a picture of `own` size at `asked`,
// scales the decoder's result: it reads at M/8 of the picture, M the
// eighths that the size asked for takes (rounded up), and the decoder
// rounds its result up.
bool JpegRescales(QSize own, QSize asked) {
    if (asked == own || asked.isEmpty())
        return false;
    const double f =
        std::min(double(own.width()) / asked.width(), double(own.height()) / asked.height());
    const int eighths = std::clamp(int(std::ceil(8 / f)), 1, 8);
    const auto up = [eighths](int side) { return int((qint64(side) * eighths + 7) / 8); };
    return QSize(up(own.width()), up(own.height())) != asked;
}

// An opened picture, a file or bytes already read, whose header has been
// read and checked.
class TPictureFile {
public:
    explicit TPictureFile(const QString& path) {
        const QByteArray format = PictureFormatOfName(path);
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable())
            throw CannotOpen(path);
        try {
            OpenRegularFile(file_, path);
        } catch (const EError&) {
            throw CannotOpen(path);
        }
        name_ = path;
        // A bitmap is decoded from the file: its bytes are not held.
        if (format == "bmp") {
            Start(file_, format);
            return;
        }
        bytes_ = file_.readAll();
        if (file_.error() != QFileDevice::NoError)
            throw CannotOpen(path);
        identity_ = FileIdentityOf(file_);
        file_.close();
        StartOnBytes(format);
    }

    // The decoder goes by the extension of `name`; the bytes are shared, not
    // copied.
    TPictureFile(const QByteArray& bytes, const QString& name) : bytes_(bytes) {
        const QByteArray format = PictureFormatOfName(name);
        name_ = name;
        StartOnBytes(format);
    }

    // The size Read(room, atLeast) decodes at.
    QSize SizeAt(QSize atLeast) const { return ReadSize(atLeast); }
    // The bytes that decoding at full size takes.
    qint64 DecodedBytes() const { return decodedBytes_; }
    // The bytes that Read(room, atLeast) takes.
    qint64 BytesAt(QSize atLeast) const {
        const QSize readSize = ReadSize(atLeast);
        return readSize == readSize_ ? decodedBytes_ : DecodedSize(readSize);
    }
    const QByteArray& FileBytes() const { return bytes_; }
    const std::optional<TFileIdentity>& Identity() const { return identity_; }
    bool IsBitmap() const { return bitmap_; }
    QSize Size() const { return size_; }

    // Decoded at no less than atLeast pixels each way where the decoder reads
    // reduced (JPEG, by its DCT scaling), else at the picture's own size;
    // an empty atLeast asks for the own size. The decoder writes into `into`
    // where it has that size and format and nobody shares it.
    QImage Read(qint64 room, QSize atLeast = QSize(), QImage into = QImage()) {
        const QSize readSize = ReadSize(atLeast);
        if (BytesAt(atLeast) > room)
            RaiseNoRoom(readSize);
        if (readSize != size_)
            reader_.setScaledSize(readSize);
        std::optional<QImage> plain;
        if (bitmap_)
            plain = ReadPlainBitmap(*device_);
        QImage image = plain ? std::move(*plain) : std::move(into);
        // The decoder sets a profile only where the file has one: pixels
        // made into keep none of the picture they held before.
        if (!plain && !image.isNull())
            image.setColorSpace(QColorSpace());
        if (!plain && !reader_.read(&image))
            image = QImage();
        if (image.isNull())
            throw Invalid();
        MakePictureSafe(image);
        CheckPictureRoom(image, room);
        return image;
    }

private:
    EError Invalid() { return InvalidPicture(name_, format_, *device_); }

    // A JPEG decode that Qt's reader scales to the size asked for takes a
    // 32-bit copy of the decoder's result where that is not 32 bits, and
    // the scaled one beside it.
    qint64 DecodedSize(QSize size) const {
        const QImage::Format format = reader_.imageFormat();
        qint64 bytes = ::DecodedBytes(size, format) + working_;
        if (format_ == "jpeg" && JpegRescales(size_, size))
            bytes += ::DecodedBytes(size, QImage::Format_RGB32) *
                     (format == QImage::Format_RGB32 ? 1 : 2);
        return bytes;
    }

    // The JPEG decoder reads at an eighth, a quarter or a half of the
    // picture with no work beyond it, its result rounded up; Qt's reader
    // takes the fraction from the size asked for, rounded up, and scales the
    // decoder's result to that size (JpegRescales). Asked for the size
    // rounded down, it reads at that fraction and scales by a pixel at most;
    // asked for the one rounded up, it would read at twice the fraction
    // where a side is not a multiple of it. The smallest of these that
    // still holds atLeast.
    QSize ReadSize(QSize atLeast) const {
        if (format_ != "jpeg" || atLeast.isEmpty())
            return readSize_;
        for (const int denominator : {8, 4, 2}) {
            const QSize reduced(size_.width() / denominator, size_.height() / denominator);
            if (reduced.width() >= atLeast.width() && reduced.height() >= atLeast.height() &&
                Pixels(reduced) <= Pixels(readSize_))
                return reduced;
        }
        return readSize_;
    }

    void StartOnBytes(const QByteArray& format) {
        buffer_.setData(bytes_);
        buffer_.open(QIODevice::ReadOnly);
        Start(buffer_, format);
    }

    void Start(QIODevice& device, const QByteArray& format) {
        static const bool limited = [] {
            QImageReader::setAllocationLimit(kAllocationLimitMB);
            return true;
        }();
        Q_UNUSED(limited);
        device_ = &device;
        format_ = format;
        bitmap_ = format == "bmp";
        if ((format == "bmp" && !BitmapFitsItsFile(device)) ||
            (format == "png" && !PngChunksFitTheFile(device)))
            throw Invalid();
        // Read before the decoder starts on the device: it keeps its place in it.
        const QSize canvas = format == "gif" ? GifCanvasSize(device) : QSize();
        working_ = format == "jpeg" ? JpegWorkingBytes(device) : 0;
        reader_.setDevice(&device);
        reader_.setFormat(format);
        // The format named is the one used: no plugin is loaded to ask
        // whether it knows the content better.
        reader_.setAutoDetectImageFormat(false);
        reader_.setDecideFormatFromContent(false);
        reader_.setAutoTransform(false);
        ReadHeader(format, canvas);
    }

    void ReadHeader(const QByteArray& format, QSize canvas) {
        size_ = reader_.size();
        if (size_.isEmpty())
            throw Invalid();
        size_ = size_.expandedTo(canvas);
        // Only the JPEG decoder reads reduced without decoding in full.
        readSize_ =
            format == "jpeg" && Pixels(size_) > MaxPicturePixels ? ReducedJpegSize(size_) : size_;
        if (Pixels(readSize_) > MaxPicturePixels)
            throw EError(QStringLiteral("画像が大きすぎて開けません (%1 x %2 ピクセル)")
                             .arg(size_.width())
                             .arg(size_.height()));
        decodedBytes_ = DecodedSize(readSize_);
    }

    QFile file_;
    std::optional<TFileIdentity> identity_; // the file's, once read
    QByteArray bytes_; // the file's content (not a bitmap's), shared with the caller
    QBuffer buffer_;
    QIODevice* device_ = nullptr;
    QString name_; // the file's path, or the name the bytes were read under
    QByteArray format_;
    bool bitmap_ = false;
    QImageReader reader_;
    QSize size_;
    QSize readSize_;
    qint64 working_ = 0; // what the decoder takes beside the picture
    qint64 decodedBytes_ = 0;
};

} // namespace

QImage LoadPictureFile(const QString& path, qint64 room) {
    return TPictureFile(path).Read(room);
}

QImage LoadPictureBytes(const QByteArray& bytes, const QString& name, qint64 room) {
    return TPictureFile(bytes, name).Read(room);
}

qint64 PictureFileBytes(const QString& path) {
    return TPictureFile(path).DecodedBytes();
}

namespace {
// A bitmap keeps its pixels, not its bytes; other pictures hold their bytes,
// which the decode's room leaves out.
TPictureRead ReadForHolding(TPictureFile& file, QSize atLeast, qint64 room, TPictureDecode when) {
    if (file.IsBitmap())
        return {QByteArray(), file.Size(), file.Read(room), std::nullopt};
    const qint64 held = file.FileBytes().size();
    if (held > room)
        RaiseNoRoom(file.Size());
    if (when == TPictureDecode::Later)
        return {file.FileBytes(), file.Size(), QImage(), file.Identity()};
    return {file.FileBytes(), file.Size(), file.Read(room - held, atLeast), file.Identity()};
}
} // namespace

TPictureRead ReadPictureFile(const QString& path, QSize atLeast, qint64 room, TPictureDecode when) {
    TPictureFile file(path);
    return ReadForHolding(file, atLeast, room, when);
}

TPictureRead ReadPictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast,
                              qint64 room, TPictureDecode when) {
    TPictureFile file(bytes, name);
    return ReadForHolding(file, atLeast, room, when);
}

QImage DecodePictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast, qint64 room,
                          QImage into) {
    return TPictureFile(bytes, name).Read(room, atLeast, std::move(into));
}

qint64 DecodedPictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast) {
    return TPictureFile(bytes, name).BytesAt(atLeast);
}

QSize DecodedPictureSize(const QByteArray& bytes, const QString& name, QSize atLeast) {
    return TPictureFile(bytes, name).SizeAt(atLeast);
}

void RaiseNoRoom(QSize size) {
    throw EError(QStringLiteral("メモリが足りないため画像を開けません (%1 x %2 ピクセル)")
                     .arg(size.width())
                     .arg(size.height()));
}

void CheckPictureRoom(const QImage& picture, qint64 room) {
    if (picture.sizeInBytes() > room)
        RaiseNoRoom(picture.size());
}

void MakePictureSafe(QImage& picture) {
    const QImage::Format f = picture.format();
    if (f != QImage::Format_Mono && f != QImage::Format_MonoLSB && f != QImage::Format_Indexed8)
        return;
    const int entries = 1 << picture.depth();
    if (picture.colorCount() >= entries)
        return;
    QList<QRgb> table = picture.colorTable();
    table.resize(entries, qRgb(0, 0, 0));
    picture.setColorTable(table);
}
