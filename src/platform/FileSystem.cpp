#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Large files go out in pieces, each write checked on its own.
constexpr size_t kWriteChunk = size_t(64) * 1024;

TFileCalls& Calls() {
    static TFileCalls calls = SystemFileCalls();
    return calls;
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QString NotRegularMessage() {
    return QStringLiteral("通常のファイルではありません");
}

bool StatOf(const QString& path, struct stat& st) {
    return ::stat(Native(path).constData(), &st) == 0;
}

// The file a save replaces: `path` itself when it is a regular file or does
// not exist yet, the target of a link to a regular file. Anything else is
// refused.
QString ReplaceableTarget(const QString& path) {
    struct stat st;
    if (::lstat(Native(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return path;
        if (errno == ENOTDIR || errno == EACCES)
            throw EFolderRefused(FileError(path, SystemMessage(errno)).Message());
        throw FileError(path, SystemMessage(errno));
    }
    if (S_ISREG(st.st_mode))
        return path;
    if (S_ISLNK(st.st_mode)) {
        QString target = QFileInfo(path).canonicalFilePath();
        if (!target.isEmpty() && StatOf(target, st) && S_ISREG(st.st_mode))
            return target;
    }
    throw ERefusedTarget(
        FileError(path, QStringLiteral("通常のファイルではないため、置き換えられません"))
            .Message());
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = Calls().Write(fd, p, qMin(left, kWriteChunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= size_t(n);
    }
    return true;
}

// The new file gets the permissions of the one it replaces.
bool KeepMode(int fd, const QString& target) {
    struct stat st;
    if (!StatOf(target, st))
        return true;
    return ::fchmod(fd, st.st_mode & 07777) == 0;
}

// Makes the rename itself durable. The new file is in place by now, so a
// failure here is no failure of the save.
void SyncFolder(const QString& target) {
    const int fd = ::open(Native(QFileInfo(target).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool RefusesWriting(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// A folder that refuses writing, or a link whose target lies in one, can
// never be saved to from here; everything else (a full disk) may work on a
// later try.
[[noreturn]] void ThrowCreateError(const QString& path, const QString& target, int error) {
    const QString reason = SystemMessage(error);
    if (target != path && RefusesWriting(error))
        throw ERefusedTarget(
            FileError(path, QStringLiteral("%1 (%2)").arg(reason, QDir::toNativeSeparators(target)))
                .Message());
    if (target == path && (RefusesWriting(error) || error == ENOENT || error == ENOTDIR))
        throw EFolderRefused(FileError(path, reason).Message());
    throw FileError(path, reason);
}
} // namespace

TFileCalls SystemFileCalls() {
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the parameters of open(2)
    return {[](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
            ::write, ::fsync, ::close, ::rename};
}

TFileCalls SetFileCalls(const TFileCalls& calls) {
    const TFileCalls previous = Calls();
    Calls() = calls;
    return previous;
}

QString SystemMessage(int error) {
    char buffer[256];
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

EError FileError(const QString& path, const QString& reason) {
    return EError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

bool PathExists(const QString& path) {
    struct stat st;
    return ::lstat(Native(path).constData(), &st) == 0;
}

bool IsRegularFile(const QString& path) {
    struct stat st;
    return StatOf(path, st) && S_ISREG(st.st_mode);
}

std::optional<TFileIdentity> FileIdentityOf(const QFile& file) {
    struct stat st;
    if (file.handle() < 0 || ::fstat(file.handle(), &st) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec& t) {
        return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    return TFileIdentity{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
                         nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

void OpenRegularFile(QFile& file, const QString& path) {
    // Checked before opening, since opening a device can act on it, and again
    // on what was opened, since the path may have changed in between.
    struct stat st;
    if (!StatOf(path, st))
        throw FileError(path, SystemMessage(errno));
    if (!S_ISREG(st.st_mode))
        throw FileError(path, NotRegularMessage());
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, SystemMessage(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw FileError(path, NotRegularMessage());
    }
    // Reads of a regular file then wait for the disk as usual.
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        throw FileError(path, SystemMessage(error));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError(path, file.errorString());
    }
}

QByteArray ReadRegularFile(const QString& path) {
    QFile file;
    OpenRegularFile(file, path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(path, file.errorString());
    return bytes;
}

TAtomicSave::TAtomicSave(const QString& path, const QByteArray& bytes)
    : path_(path), target_(ReplaceableTarget(path)) {
    try {
        Create();
        Write(bytes);
    } catch (const EError&) {
        Discard();
        throw;
    }
}

TAtomicSave::TAtomicSave(const QString& path, const std::function<void(const QString&)>& fill)
    : path_(path), target_(ReplaceableTarget(path)) {
    try {
        Create();
        fill(QFile::decodeName(temporary_));
        Write(QByteArray()); // syncs what the filler wrote through its own handle
    } catch (const EError&) {
        Discard();
        throw;
    }
}

TAtomicSave::~TAtomicSave() {
    Discard();
}

void TAtomicSave::Discard() {
    if (fd_ >= 0)
        Calls().Close(fd_);
    fd_ = -1;
    for (QByteArray* name : {&temporary_, &old_}) {
        if (!name->isEmpty())
            ::unlink(name->constData());
        name->clear();
    }
}

void TAtomicSave::Create() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = Native(target_) + ".tmp" +
                                QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd_ = Calls().Open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    ThrowCreateError(path_, target_, errno);
}

void TAtomicSave::Write(const QByteArray& bytes) {
    if (!KeepMode(fd_, target_) || !WriteAll(fd_, bytes) || Calls().Sync(fd_) != 0)
        throw FileError(path_, SystemMessage(errno));
    const int fd = fd_;
    fd_ = -1;
    if (Calls().Close(fd) != 0)
        throw FileError(path_, SystemMessage(errno));
}

void TAtomicSave::Commit(TFolderSync sync) {
    KeepOldFile();
    if (Calls().Rename(temporary_.constData(), Native(target_).constData()) != 0)
        throw FileError(path_, SystemMessage(errno));
    temporary_.clear();
    replaced_ = true;
    if (sync == kSyncFolder)
        SyncFolder(target_);
}

// A hard link keeps the old content reachable under a name of its own while
// the new file takes its place, so Revert can bring it back atomically.
void TAtomicSave::KeepOldFile() {
    const QByteArray target = Native(target_);
    hadOld_ = ::access(target.constData(), F_OK) == 0;
    if (!hadOld_)
        return;
    const QByteArray name =
        target + ".old" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    if (::link(target.constData(), name.constData()) == 0)
        old_ = name;
}

void TAtomicSave::Revert() {
    if (!replaced_)
        return;
    const QByteArray target = Native(target_);
    if (!old_.isEmpty() && ::rename(old_.constData(), target.constData()) == 0)
        old_.clear();
    else if (!hadOld_)
        ::unlink(target.constData());
    replaced_ = false;
    SyncFolder(target_);
}

void SaveFileAtomically(const QString& path, const QByteArray& bytes) {
    TAtomicSave(path, bytes).Commit();
}
