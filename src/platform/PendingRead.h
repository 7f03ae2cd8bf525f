#pragma once
// TPendingRead: the bytes of an open file, read when first asked for. The
// file is read once, whole, by the first thread that asks; a thread that asks
// while another one is reading reads too rather than wait, so that a read
// running at low priority never holds up the window's thread. The file is
// closed once its bytes are in. What a file was taken to hold (its length
// and the hash of its bytes) is checked against what is read: a file written
// since it was opened is told as changed.

#include "ShownCache.h"

#include <QByteArray>
#include <QFile>
#include <functional>
#include <memory>
#include <mutex>

class TPendingRead {
public:
    struct TResult {
        QByteArray Bytes; // the file's, to its end when read; none on failure
        bool Failed = false;
        bool Changed = false;
    };

    // Reads `file`, taken to hold what `content` tells; whenChanged is called
    // once, by the thread that read it, when it was not.
    TPendingRead(std::unique_ptr<QFile> file, const TFileContent& content,
                 std::function<void()> whenChanged = {});
    ~TPendingRead();
    TPendingRead(const TPendingRead&) = delete;
    TPendingRead& operator=(const TPendingRead&) = delete;

    // The bytes, read now unless they are in already.
    const TResult& Read();
    // True once a read found the file changed; reads nothing.
    bool FoundChanged() const;

    // How many files are held open so far, process-wide.
    static int OpenFiles();

private:
    TResult ReadFile() const;

    mutable std::mutex lock_;
    std::unique_ptr<QFile> file_;
    const std::function<void()> whenChanged_;
    int readers_ = 0;
    bool done_ = false;
    TResult result_;
    const qint64 size_;
    const quint64 content_;
};
