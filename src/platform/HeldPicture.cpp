#include "HeldPicture.h"

#include "ShownCache.h"

#include <cmath>

namespace {
constexpr qint64 kMaxShownPixels = 16'000'000;
} // namespace

THeldPicture::THeldPicture(const QImage& pixels)
    : pixels_(pixels), size_(pixels.size()), alpha_(pixels.hasAlphaChannel()),
      use_(pixels.sizeInBytes()) {}

THeldPicture::THeldPicture(const TPictureRead& read, const QString& name, quint64 content)
    : bytes_(read.Bytes), name_(name), size_(read.Size), alpha_(read.Decoded.hasAlphaChannel()),
      content_(content), use_(read.Bytes.size()) {
    if (bytes_.isEmpty()) {
        pixels_ = read.Decoded;
        use_.Set(pixels_.sizeInBytes());
    }
}

namespace {
// Held bytes come back undecoded: the pixels shown at that size before are
// taken where they are kept, and decoded otherwise.
TReadPicture Held(TPictureRead read, const QString& name, QSize shown, qint64 room) {
    const quint64 content = read.Bytes.isEmpty() ? 0 : ContentHash(read.Bytes);
    if (read.Decoded.isNull())
        read.Decoded = FindShown({content, read.Bytes.size(), shown});
    if (read.Decoded.isNull())
        read.Decoded = DecodePictureBytes(read.Bytes, name, shown, room - read.Bytes.size());
    auto held = std::make_shared<const THeldPicture>(read, name, content);
    return {held, read.Decoded};
}
} // namespace

TReadPicture THeldPicture::ReadFile(const QString& path, QSize shown, qint64 room) {
    return Held(ReadPictureFile(path, shown, room, TPictureDecode::Later), path, shown, room);
}

TReadPicture THeldPicture::ReadBytes(const QByteArray& bytes, const QString& name, QSize shown,
                                     qint64 room) {
    return Held(ReadPictureBytes(bytes, name, shown, room, TPictureDecode::Later), name, shown,
                room);
}

std::optional<TShownKey> THeldPicture::ShownKey(QSize shown) const {
    if (HoldsPixels())
        return std::nullopt;
    return TShownKey{content_, bytes_.size(), shown};
}

QImage THeldPicture::Decode(QSize atLeast, qint64 room) const {
    if (HoldsPixels())
        return pixels_;
    return DecodePictureBytes(bytes_, name_, atLeast.boundedTo(size_), room);
}

qint64 THeldPicture::DecodeBytes(QSize atLeast) const {
    return HoldsPixels() ? 0 : DecodedPictureBytes(bytes_, name_, atLeast.boundedTo(size_));
}

QImage ShownPicture(const QImage& decoded, QSize size, bool stretch) {
    if (decoded.isNull() || decoded.size() == size)
        return decoded;
    if (!stretch && decoded.width() <= size.width() && decoded.height() <= size.height())
        return decoded;
    if (stretch)
        return decoded.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return decoded.copy(QRect(QPoint(0, 0), size.boundedTo(decoded.size())));
}

void CheckWithinBudget(const TReadPicture& read) {
    if (read.Held && PictureRoom() < 0)
        RaiseNoRoom(read.Held->Size());
}

QSize ShownSize(QSize size, QSize own, bool stretch) {
    if (!stretch)
        return size.boundedTo(own);
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels <= kMaxShownPixels)
        return size;
    const double f = std::sqrt(double(kMaxShownPixels) / double(pixels));
    return QSize(qMax(1, int(size.width() * f)), qMax(1, int(size.height() * f)));
}

QSize DecodeSizeFor(QSize size, bool stretch) {
    return stretch ? ShownSize(size, QSize(), true) : QSize();
}
