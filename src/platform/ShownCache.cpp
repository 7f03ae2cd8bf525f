#include "ShownCache.h"

#include "Errors.h"
#include "FileSystem.h"
#include "Worker.h"

#include <QColorSpace>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThreadPool>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace {
constexpr char kMagic[4] = {'T', 'S', 'H', '1'};
constexpr int kHeaderBytes = 20; // magic, width, height, format, bytes per line
constexpr int kMaxEntries = 4000;
constexpr qint64 kMaxFolderBytes = qint64(256) << 20;
// Larger pictures are decoded again: their entries would cost more to read
// than the decode saves.
constexpr qint64 kMaxEntryPixels = 2'000'000;
// No picture that a file held is wider or taller than this.
constexpr quint32 kMaxSide = 1'000'000;
// Longer colour profiles are no profile (they run to a few kilobytes).
constexpr qint64 kMaxProfileBytes = qint64(1) << 20;

// The formats the screen's decodes come in, all without a colour table.
bool KeptFormat(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGB888 ||
           f == QImage::Format_Grayscale8;
}

QMutex folderLock;

QString& Folder() {
    static QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/shown");
    return folder;
}

// Shown pixels end in .px, decodes in .dx: a shown size that a decode has
// too holds other pixels (scaled from a larger decode).
enum class TPixelsKind { Shown, Decoded };

QString EntryPath(const QString& folder, const TShownKey& key, TPixelsKind kind) {
    return QStringLiteral("%1/%2-%3-%4x%5.%6")
        .arg(folder)
        .arg(key.Content, 16, 16, QLatin1Char('0'))
        .arg(key.Bytes)
        .arg(key.Shown.width())
        .arg(key.Shown.height())
        .arg(kind == TPixelsKind::Shown ? QLatin1String("px") : QLatin1String("dx"));
}

QByteArray Encode(const QImage& image) {
    QByteArray bytes(kHeaderBytes, '\0');
    std::memcpy(bytes.data(), kMagic, 4);
    const quint32 fields[4] = {quint32(image.width()), quint32(image.height()),
                               quint32(image.format()), quint32(image.bytesPerLine())};
    for (qsizetype i = 0; i < 4; ++i)
        qToLittleEndian(fields[i], bytes.data() + 4 + 4 * i);
    bytes.append(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    bytes.append(image.colorSpace().iccProfile());
    return bytes;
}

// Made into *into where it has the entry's size and format and is not
// shared (which leaves it empty).
QImage Decode(const QByteArray& bytes, QSize shown, QImage* into) {
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.constData(), kMagic, 4) != 0)
        return QImage();
    quint32 fields[4];
    for (qsizetype i = 0; i < 4; ++i)
        fields[i] = qFromLittleEndian<quint32>(bytes.constData() + 4 + 4 * i);
    const auto format = QImage::Format(fields[2]);
    if (QSize(int(fields[0]), int(fields[1])) != shown || !KeptFormat(format))
        return QImage();
    QImage image = into && into->size() == shown && into->format() == format && into->isDetached()
                       ? std::exchange(*into, QImage())
                       : QImage(shown, format);
    if (image.isNull() || quint32(image.bytesPerLine()) != fields[3] ||
        bytes.size() - kHeaderBytes < image.sizeInBytes()) {
        if (into && into->isNull())
            *into = std::move(image); // given back, as the entry is no use
        return QImage();
    }
    std::memcpy(image.bits(), bytes.constData() + kHeaderBytes, size_t(image.sizeInBytes()));
    // The rest is the colour space's profile, if the pixels have one.
    // Pixels made into keep no profile of the picture they held before.
    const QByteArray profile = bytes.sliced(kHeaderBytes + image.sizeInBytes());
    if (profile.isEmpty()) {
        image.setColorSpace(QColorSpace());
        return image;
    }
    const QColorSpace space = QColorSpace::fromIccProfile(profile);
    if (!space.isValid())
        return QImage();
    image.setColorSpace(space);
    return image;
}

// The newest entries of each kind stay, within the count and the bytes
// allowed.
void Prune(const QDir& dir, const QString& pattern) {
    const QFileInfoList entries = dir.entryInfoList({pattern}, QDir::Files, QDir::Time);
    qint64 bytes = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        bytes += entries[i].size();
        if (i >= kMaxEntries || bytes > kMaxFolderBytes)
            QFile::remove(entries[i].filePath());
    }
}

// What a write cut short leaves (the program ended during it) goes once a
// day old, which no write still under way is.
void RemoveLeftovers(const QDir& dir) {
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QFileInfo& left : dir.entryInfoList({QStringLiteral("*.tmp*")}, QDir::Files))
        if (left.lastModified() < dayAgo)
            QFile::remove(left.filePath());
}

// The bytes of the entries waiting to be written, at most: past them an
// entry is let go, so that a print of many photos, whose decodes are kept,
// holds no more memory than this for the cache however slow the disk.
constexpr qint64 kMostWaiting = qint64(64) << 20;
std::atomic<qint64> waiting{0};

// The folder is pruned before a run's first entry and again once 1000
// entries or 64 MB have been written since, so that a long session of
// prints, each keeping its decodes, stays within the bounds as well.
constexpr int kPruneEveryEntries = 1000;
constexpr qint64 kPruneEveryBytes = qint64(64) << 20;
QMutex pruneLock;
bool prunedOnce = false;    // under pruneLock
int entriesSincePrune = 0;  // under pruneLock
qint64 bytesSincePrune = 0; // under pruneLock

void PruneWhenDue(const QString& folder, qint64 bytes) {
    const QMutexLocker lock(&pruneLock);
    ++entriesSincePrune;
    bytesSincePrune += bytes;
    if (prunedOnce && entriesSincePrune < kPruneEveryEntries && bytesSincePrune < kPruneEveryBytes)
        return;
    prunedOnce = true;
    entriesSincePrune = 0;
    bytesSincePrune = 0;
    for (const QString& pattern :
         {QStringLiteral("*.px"), QStringLiteral("*.dx"), QStringLiteral("*.id")})
        Prune(QDir(folder), pattern);
    RemoveLeftovers(QDir(folder));
}

// The last entry written failed (a full disk, a folder that cannot be
// made): decodes are then not made ahead only to be dropped, until an entry
// is written again or another folder is set.
std::atomic<bool> writesFail{false};

// Writes an entry on the writing thread, once the folder is pruned when due.
void Write(const QString& folder, const QString& path, const QByteArray& bytes) {
    if (waiting.fetch_add(bytes.size()) + bytes.size() > kMostWaiting) {
        waiting -= bytes.size();
        return;
    }
    [[maybe_unused]] const TTaskHandOff handOff;
    ShownCacheWrites().start([folder, path, bytes] {
        const auto written = qScopeGuard([size = bytes.size()] { waiting -= size; });
        if (PathExists(path))
            return;
        PruneWhenDue(folder, bytes.size());
        try {
            QDir().mkpath(folder);
            SaveFileAtomically(path, bytes);
            writesFail = false;
        } catch (const EError&) {
            // A cache that cannot be written costs a read at the next start.
            writesFail = true;
        }
    });
}

// An entry's whole content, when it is a regular file of at most `most` bytes.
std::optional<QByteArray> ReadEntry(const QString& path, qint64 most) {
    QFile file;
    try {
        OpenRegularFile(file, path);
    } catch (const EError&) {
        return std::nullopt;
    }
    if (file.size() > most)
        return std::nullopt;
    return file.readAll();
}

QString ContentPath(const QString& folder, const TFileIdentity& file, const QByteArray& format) {
    return QStringLiteral("%1/%2-%3-%4-%5-%6.%7.id")
        .arg(folder)
        .arg(file.Device)
        .arg(file.Inode)
        .arg(file.Size)
        .arg(file.Written)
        .arg(file.Changed)
        .arg(QString::fromLatin1(format));
}

constexpr char kContentMagic[4] = {'T', 'I', 'D', '1'};
constexpr int kContentBytes = 29; // magic, hash, byte count, width, height, alpha

QByteArray EncodeContent(const TFileContent& content) {
    QByteArray bytes(kContentBytes, '\0');
    std::memcpy(bytes.data(), kContentMagic, 4);
    qToLittleEndian(content.Content, bytes.data() + 4);
    qToLittleEndian(quint64(content.Bytes), bytes.data() + 12);
    qToLittleEndian(quint32(content.Size.width()), bytes.data() + 20);
    qToLittleEndian(quint32(content.Size.height()), bytes.data() + 24);
    bytes[28] = content.Alpha ? 1 : 0;
    return bytes;
}

// A content of the file's length and of a size that a picture can have.
std::optional<TFileContent> DecodeContent(const QByteArray& bytes, const TFileIdentity& file) {
    if (bytes.size() != kContentBytes || std::memcmp(bytes.constData(), kContentMagic, 4) != 0)
        return std::nullopt;
    TFileContent content;
    content.Content = qFromLittleEndian<quint64>(bytes.constData() + 4);
    content.Bytes = qint64(qFromLittleEndian<quint64>(bytes.constData() + 12));
    const quint32 width = qFromLittleEndian<quint32>(bytes.constData() + 20);
    const quint32 height = qFromLittleEndian<quint32>(bytes.constData() + 24);
    const auto alpha = quint8(bytes[28]);
    if (content.Bytes != file.Size || width == 0 || height == 0 || width > kMaxSide ||
        height > kMaxSide || alpha > 1)
        return std::nullopt;
    content.Size = QSize(int(width), int(height));
    content.Alpha = alpha == 1;
    return content;
}
} // namespace

quint64 ContentHash(const QByteArray& bytes) {
    return quint64(qHashBits(bytes.constData(), size_t(bytes.size()), 0));
}

// One thread of its own: the global pool's threads are what Qt's own work on
// the window's thread waits for, and a print's decodes keep many entries.
QThreadPool& ShownCacheWrites() {
    static TOwnPool pool(1);
    return pool;
}

QString ShownCacheFolder() {
    const QMutexLocker lock(&folderLock);
    return Folder();
}

void SetShownCacheFolder(const QString& folder) {
    const QMutexLocker lock(&folderLock);
    Folder() = folder;
    writesFail = false;
}

namespace {
QImage FindPixels(const TShownKey& key, TPixelsKind kind, QImage* into = nullptr) {
    const QString folder = ShownCacheFolder();
    if (folder.isEmpty() || key.Shown.isEmpty())
        return QImage();
    // Anything longer than a 32-bit picture of that size and its colour
    // profile is no entry.
    const qint64 most =
        kHeaderBytes + qint64(key.Shown.width()) * key.Shown.height() * 4 + kMaxProfileBytes;
    const std::optional<QByteArray> bytes = ReadEntry(EntryPath(folder, key, kind), most);
    return bytes ? Decode(*bytes, key.Shown, into) : QImage();
}

bool FitsAnEntry(QSize size) {
    return qint64(size.width()) * size.height() <= kMaxEntryPixels;
}

void KeepPixels(const TShownKey& key, const QImage& pixels, TPixelsKind kind) {
    const QString folder = ShownCacheFolder();
    if (folder.isEmpty() || pixels.size() != key.Shown || !KeptFormat(pixels.format()) ||
        !FitsAnEntry(pixels.size()))
        return;
    Write(folder, EntryPath(folder, key, kind), Encode(pixels));
}
} // namespace

QImage FindShown(const TShownKey& key) {
    return FindPixels(key, TPixelsKind::Shown);
}

void KeepShown(const TShownKey& key, const QImage& shown) {
    KeepPixels(key, shown, TPixelsKind::Shown);
}

QImage FindDecoded(const TShownKey& key, QImage& into) {
    return FindPixels(key, TPixelsKind::Decoded, &into);
}

void KeepDecoded(const TShownKey& key, const QImage& decoded) {
    KeepPixels(key, decoded, TPixelsKind::Decoded);
}

bool WantsDecoded(const TShownKey& key) {
    const QString folder = ShownCacheFolder();
    return !folder.isEmpty() && !writesFail && !key.Shown.isEmpty() && FitsAnEntry(key.Shown) &&
           !PathExists(EntryPath(folder, key, TPixelsKind::Decoded));
}

std::optional<TFileContent> FindFileContent(const TFileIdentity& file, const QByteArray& format) {
    const QString folder = ShownCacheFolder();
    if (folder.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> bytes = ReadEntry(ContentPath(folder, file, format), 4096);
    return bytes ? DecodeContent(*bytes, file) : std::nullopt;
}

void KeepFileContent(const TFileIdentity& file, const QByteArray& format,
                     const TFileContent& content) {
    const QString folder = ShownCacheFolder();
    if (!folder.isEmpty() && content.Bytes == file.Size)
        Write(folder, ContentPath(folder, file, format), EncodeContent(content));
}
