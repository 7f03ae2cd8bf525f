#pragma once
// A small file system of the test's own (tmpfs), for faults only a real file
// system shows: no space left, no inodes left, read-only. Mounting needs
// root; where the machine refuses, Mount() returns false and the test skips
// that case.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/mount.h>

class TScratchMount {
public:
    TScratchMount() = default;
    TScratchMount(const TScratchMount&) = delete;
    TScratchMount& operator=(const TScratchMount&) = delete;
    ~TScratchMount() {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }

    // tmpfs options, e.g. "size=256k" or "nr_inodes=8".
    bool Mount(const QByteArray& options) {
        mounted_ = dir_.isValid() && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(),
                                             "tmpfs", 0, options.constData()) == 0;
        return mounted_;
    }
    bool RemountReadOnly() {
        return ::mount(nullptr, QFile::encodeName(dir_.path()).constData(), nullptr,
                       MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    bool RemountWritable() {
        return ::mount(nullptr, QFile::encodeName(dir_.path()).constData(), nullptr, MS_REMOUNT,
                       nullptr) == 0;
    }
    // The mount point with a trailing separator.
    QString Folder() const { return dir_.path() + '/'; }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

#define MOUNT_OR_SKIP(mount, options)                                                              \
    do {                                                                                           \
        if (!(mount).Mount(options))                                                               \
            QSKIP("this machine does not let the test mount a file system of its own");            \
    } while (false)
