#pragma once
// The file operations the data files need, on the system's own calls so that
// every step can be checked: a reader that never blocks and takes regular
// files only, and a writer that replaces a file atomically and reports the
// system's message for any step that fails.

#include "platform/Errors.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <sys/types.h>

class QFile;

// Raised when a save is refused because the file in place is not a regular
// file (a device, a pipe, a folder, a link to one of them or to nothing), or a
// link whose target's folder cannot be written. Retrying cannot help until
// the user changes the file system.
class ERefusedTarget : public EError {
public:
    using EError::EError;
};
// Raised when a save is refused because the file's own folder cannot be
// written in (missing, not a folder, no permission, a read-only file
// system): no file can be saved there.
class EFolderRefused : public ERefusedTarget {
public:
    using ERefusedTarget::ERefusedTarget;
};

// The system calls a save goes through. Tests replace them to make any one
// step fail.
struct TFileCalls {
    int (*Open)(const char* path, int flags, mode_t mode);
    ssize_t (*Write)(int fd, const void* data, size_t size);
    int (*Sync)(int fd);
    int (*Close)(int fd);
    int (*Rename)(const char* from, const char* to);
};
// The system's own calls.
TFileCalls SystemFileCalls();
// Installs `calls` for every later save; returns the previous ones.
TFileCalls SetFileCalls(const TFileCalls& calls);

// The system's message for an error number, in the user's language where the
// system has one.
QString SystemMessage(int error);
// "path: reason", the path as the platform writes it.
EError FileError(const QString& path, const QString& reason);
// True when anything at all is at `path`, a link to nothing included.
bool PathExists(const QString& path);
// True when `path` is a regular file or a link to one.
bool IsRegularFile(const QString& path);

// Opens `path` for reading without blocking; anything but a regular file (or
// a link to one) is refused. Raises EError with the path and the reason.
void OpenRegularFile(QFile& file, const QString& path);
// The whole content of a regular file; raises EError.
QByteArray ReadRegularFile(const QString& path);

// What tells an opened file from another and from itself before a change:
// its device and inode, its length, and the times of its last write and of
// its last change of any kind (which no call sets back).
struct TFileIdentity {
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = 0;
    qint64 Written = 0; // nanoseconds since the epoch
    qint64 Changed = 0;
    bool operator==(const TFileIdentity&) const = default;
};
// The identity of an open file; nothing when it cannot be told.
std::optional<TFileIdentity> FileIdentityOf(const QFile& file);

// Replaces the file at `path` by `bytes` in two steps. The constructor writes
// a new file in the same folder, syncs and closes it; Commit renames it over
// the old one. On any failure the old file stays as it was, and a save that
// is not committed leaves no temporary file. A link to a regular file has its
// target replaced in the target's own folder; the link stays. Both steps
// raise EError, or ERefusedTarget (see above).
class TAtomicSave {
public:
    TAtomicSave(const QString& path, const QByteArray& bytes);
    // The same for a file that `fill` writes itself, given the new file's
    // path (made empty beside the old one); what it raises fails the save.
    TAtomicSave(const QString& path, const std::function<void(const QString& fresh)>& fill);
    ~TAtomicSave();
    TAtomicSave(const TAtomicSave&) = delete;
    TAtomicSave& operator=(const TAtomicSave&) = delete;
    // The folder is synced after the rename, so that the rename itself
    // survives a power cut; a save that another one in the same folder
    // follows at once can leave that to the last one (kLeaveFolderSync).
    enum TFolderSync { kSyncFolder, kLeaveFolderSync };
    void Commit(TFolderSync sync = kSyncFolder);
    // After Commit: puts the old file back (or removes the new one where
    // there was none), for a save that must not stand without another one.
    // Best effort: where the folder takes no second link to the old file,
    // the new file stays.
    void Revert();

private:
    void Create();
    void Write(const QByteArray& bytes);
    void Discard();
    void KeepOldFile();

    QString path_;
    QString target_;
    QByteArray temporary_;
    QByteArray old_; // a second link to the replaced file, until the save is done
    bool replaced_ = false;
    bool hadOld_ = false;
    int fd_ = -1;
};

// Both steps at once.
void SaveFileAtomically(const QString& path, const QByteArray& bytes);
