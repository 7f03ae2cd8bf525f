#include "HeldPicture.h"

#include "Errors.h"
#include "ShownCache.h"
#include "Worker.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <cmath>
#include <limits>

namespace {
constexpr qint64 kMaxShownPixels = 16'000'000;
// At most this many files stay open, held before they are read; past them
// pictures are read at once.
constexpr int kMaxPendingFiles = 256;

// The reads put off: at low priority (LowerThreadPriority), so that they
// take little of what the window's start needs of the processors.
QThreadPool& LaterReads() {
    static TOwnPool pool(2);
    return pool;
}

// A later read's start as ThreadSanitizer is told of it.
THandOffPoint laterReadHandOff;
} // namespace

THeldPictureChanges* HeldPictureChanges() {
    static THeldPictureChanges* changes = [] {
        auto* made = new THeldPictureChanges;
        if (const QCoreApplication* app = QCoreApplication::instance())
            made->moveToThread(app->thread());
        return made;
    }();
    return changes;
}

namespace {
// Posted to the window's thread, whichever thread read the file.
void TellFileChanged() {
    QMetaObject::invokeMethod(
        HeldPictureChanges(), [] { emit HeldPictureChanges()->FileChanged(); },
        Qt::QueuedConnection);
}
} // namespace

THeldPicture::THeldPicture(const QImage& pixels)
    : pixels_(pixels), holdsPixels_(true), size_(pixels.size()), alpha_(pixels.hasAlphaChannel()),
      use_(pixels.sizeInBytes()) {}

THeldPicture::THeldPicture(const TPictureRead& read, const QString& name, quint64 content)
    : bytes_(read.Bytes), name_(name), holdsPixels_(read.Bytes.isEmpty()), size_(read.Size),
      alpha_(read.Decoded.hasAlphaChannel()), content_(content), byteCount_(read.Bytes.size()),
      use_(read.Bytes.size()) {
    if (holdsPixels_) {
        pixels_ = read.Decoded;
        use_.Set(pixels_.sizeInBytes());
    }
}

THeldPicture::THeldPicture(std::unique_ptr<QFile> file, const QString& name,
                           const TFileContent& content)
    : pending_(std::make_shared<TPendingRead>(std::move(file), content, TellFileChanged)),
      name_(name), size_(content.Size), alpha_(content.Alpha), content_(content.Content),
      byteCount_(content.Bytes), use_(content.Bytes) {}

QSize THeldPicture::Size() const {
    return FoundChanged() ? Found().Size : size_;
}

bool THeldPicture::HasAlpha() const {
    return FoundChanged() ? Found().Alpha : alpha_;
}

// A JPEG has no transparency; another picture is taken to have some (it is
// then painted over what lies beneath, which is right either way). Bytes
// whose header cannot be read keep what the picture was held as: decoding
// them raises.
const THeldPicture::TFound& THeldPicture::Found() const {
    std::call_once(foundOnce_, [this] {
        found_ = {size_, alpha_};
        try {
            const TPictureRead read = ReadPictureBytes(
                Bytes(), name_, QSize(), std::numeric_limits<qint64>::max(), TPictureDecode::Later);
            found_ = {read.Size, PictureFormatOfName(name_) != "jpeg"};
        } catch (const EError&) {
        }
    });
    return found_;
}

const QByteArray& THeldPicture::BytesToDecode() const {
    if (pending_ && pending_->Read().Failed)
        throw EError(QStringLiteral("ファイル %1 は開けません").arg(name_));
    return Bytes();
}

void THeldPicture::WaitForPendingReads() {
    LaterReads().waitForDone();
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

// A stretched picture whose file is unchanged since it was read, and whose
// pixels at that size are kept, is held open without reading it.
std::optional<TReadPicture> THeldPicture::ReadKnown(const QString& path, const QByteArray& format,
                                                    QSize shown, qint64 room) {
    if (shown.isEmpty() || format == "bmp" || TPendingRead::OpenFiles() >= kMaxPendingFiles)
        return std::nullopt;
    auto file = std::make_unique<QFile>();
    try {
        OpenRegularFile(*file, path);
    } catch (const EError&) {
        return std::nullopt; // a read tells why
    }
    const std::optional<TFileIdentity> identity = FileIdentityOf(*file);
    const std::optional<TFileContent> content =
        identity ? FindFileContent(*identity, format) : std::nullopt;
    if (!content)
        return std::nullopt;
    const QImage decoded = FindShown({content->Content, content->Bytes, shown});
    if (decoded.isNull())
        return std::nullopt;
    if (content->Bytes + decoded.sizeInBytes() > room)
        RaiseNoRoom(content->Size);
    // Made for the thread of the later read too, which Qt hands the task to;
    // the file opened here is read there.
    laterReadHandOff.Give();
    [[maybe_unused]] const TTaskHandOff handOff;
    auto held = std::make_shared<const THeldPicture>(std::move(file), path, *content);
    LaterReads().start([read = std::weak_ptr<TPendingRead>(held->pending_)] {
        laterReadHandOff.Take();
        LowerThreadPriority();
        // A picture that is gone is not read.
        if (const std::shared_ptr<TPendingRead> pending = read.lock())
            pending->Read();
    });
    return TReadPicture{held, decoded};
}

TReadPicture THeldPicture::ReadFile(const QString& path, QSize shown, qint64 room) {
    const QByteArray format = PictureFormatOfName(path);
    if (std::optional<TReadPicture> known = ReadKnown(path, format, shown, room))
        return *known;
    const TPictureRead read = ReadPictureFile(path, shown, room, TPictureDecode::Later);
    TReadPicture held = Held(read, path, shown, room);
    if (read.Identity && !held.Held->HoldsPixels())
        KeepFileContent(*read.Identity, format,
                        {held.Held->content_, read.Bytes.size(), read.Size, held.Held->HasAlpha()});
    return held;
}

TReadPicture THeldPicture::ReadBytes(const QByteArray& bytes, const QString& name, QSize shown,
                                     qint64 room) {
    return Held(ReadPictureBytes(bytes, name, shown, room, TPictureDecode::Later), name, shown,
                room);
}

std::optional<TShownKey> THeldPicture::ShownKey(QSize shown) const {
    if (HoldsPixels() || FoundChanged())
        return std::nullopt;
    return TShownKey{content_, byteCount_, shown};
}

QImage THeldPicture::Decode(QSize atLeast, qint64 room) const {
    if (HoldsPixels())
        return pixels_;
    return DecodePictureBytes(BytesToDecode(), name_, atLeast.boundedTo(Size()), room);
}

std::optional<TShownKey> THeldPicture::DecodedKey(const QByteArray& bytes, QSize at) const {
    return ShownKey(DecodedPictureSize(bytes, name_, at));
}

QImage THeldPicture::DecodeKept(QSize atLeast, qint64 room, QImage into) const {
    if (HoldsPixels())
        return pixels_;
    const QByteArray& bytes = BytesToDecode();
    const QSize at = atLeast.boundedTo(Size());
    const std::optional<TShownKey> key = DecodedKey(bytes, at);
    if (key) {
        QImage kept = FindDecoded(*key, into);
        if (!kept.isNull()) {
            CheckPictureRoom(kept, room);
            return kept;
        }
    }
    QImage decoded = DecodePictureBytes(bytes, name_, at, room, std::move(into));
    if (key)
        KeepDecoded(*key, decoded);
    return decoded;
}

void THeldPicture::KeepDecode(QSize atLeast, qint64 room) const {
    if (HoldsPixels())
        return;
    const QByteArray& bytes = BytesToDecode();
    const QSize at = atLeast.boundedTo(Size());
    const std::optional<TShownKey> key = DecodedKey(bytes, at);
    if (key && WantsDecoded(*key))
        KeepDecoded(*key, DecodePictureBytes(bytes, name_, at, room));
}

qint64 THeldPicture::DecodeBytes(QSize atLeast) const {
    if (HoldsPixels())
        return 0;
    return DecodedPictureBytes(BytesToDecode(), name_, atLeast.boundedTo(Size()));
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
