#include "PendingRead.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace {
std::atomic<int> openFiles{0};
} // namespace

TPendingRead::TPendingRead(std::unique_ptr<QFile> file, const TFileContent& content,
                           std::function<void()> whenChanged)
    : file_(std::move(file)), whenChanged_(std::move(whenChanged)), size_(content.Bytes),
      content_(content.Content) {
    ++openFiles;
}

TPendingRead::~TPendingRead() {
    if (file_)
        --openFiles;
}

int TPendingRead::OpenFiles() {
    return openFiles;
}

// Read by position, so that threads reading at once do not move each other's
// place in the file; to its end, which a file written since may have moved.
TPendingRead::TResult TPendingRead::ReadFile() const {
    TResult result;
    result.Bytes = QByteArray(size_ + 1, Qt::Uninitialized);
    const int fd = file_->handle();
    qint64 done = 0;
    for (;;) {
        if (done == result.Bytes.size())
            result.Bytes.resize(done * 2);
        const ssize_t n =
            ::pread(fd, result.Bytes.data() + done, size_t(result.Bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            result.Failed = n < 0;
            break;
        }
        done += n;
    }
    result.Bytes.resize(result.Failed ? 0 : done);
    result.Changed = done != size_ || ContentHash(result.Bytes) != content_;
    return result;
}

bool TPendingRead::FoundChanged() const {
    const std::lock_guard lock(lock_);
    return done_ && result_.Changed;
}

const TPendingRead::TResult& TPendingRead::Read() {
    std::unique_lock lock(lock_);
    if (done_)
        return result_;
    ++readers_;
    lock.unlock();
    TResult read = ReadFile();
    lock.lock();
    const bool tell = !done_ && read.Changed && whenChanged_;
    if (!done_) {
        result_ = std::move(read);
        done_ = true;
    }
    if (--readers_ == 0) {
        file_.reset();
        --openFiles;
    }
    lock.unlock();
    if (tell)
        whenChanged_();
    return result_;
}
