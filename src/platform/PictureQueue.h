#pragma once
// Pictures decoded ahead on worker threads while the caller places them one
// after the other, in the order they were started. A picture is started only
// while the sizes its header and those before it claim fit in the memory the
// caller can spare, so decoding ahead never holds more than placing them one
// by one would. A path whose header cannot be read is passed over, and the
// ones after it still start. What is not taken is discarded.

#include <QImage>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <future>
#include <memory>
#include <optional>

class TPictureQueue {
public:
    TPictureQueue(const QStringList& paths, qint64 room);
    ~TPictureQueue();
    TPictureQueue(const TPictureQueue&) = delete;
    TPictureQueue& operator=(const TPictureQueue&) = delete;

    // The picture of path when it is the next one started: waits for it and
    // raises its loading error. Empty when path was not started next; the
    // caller then loads it itself.
    std::optional<QImage> Take(const QString& path);

private:
    // Decodes path on a worker within room bytes.
    void Start(const QString& path, qint64 room);

    struct TEntry {
        QString Path;
        std::future<QImage> Picture;
    };
    std::deque<TEntry> entries_;
    std::shared_ptr<std::atomic<bool>> discarded_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};
