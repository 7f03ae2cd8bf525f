#pragma once
// Pictures read and decoded ahead on worker threads while the caller places
// them one after the other, in the order they were started. Each is read
// whole (THeldPicture) and decoded only at the size it shows. A picture is
// started only while the bytes its file and those before it take, with
// their decodes, fit in the memory the caller can spare, so reading ahead
// never holds more than placing them one by one would. What is not taken is
// discarded.

#include "HeldPicture.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <future>
#include <memory>
#include <optional>

class TPictureQueue {
public:
    // A picture to read and the size to decode it at (DecodeSizeFor).
    struct TRequest {
        QString Path;
        QSize Shown;
    };

    TPictureQueue(const QList<TRequest>& requests, qint64 room);
    ~TPictureQueue();
    TPictureQueue(const TPictureQueue&) = delete;
    TPictureQueue& operator=(const TPictureQueue&) = delete;

    // The picture of path when it is the next one started: waits for it and
    // raises its loading error. Empty when path was not started next; the
    // caller then loads it itself.
    std::optional<TReadPicture> Take(const QString& path);

private:
    void Start(const TRequest& request, qint64 room);

    struct TEntry {
        QString Path;
        std::future<TReadPicture> Picture;
    };
    std::deque<TEntry> entries_;
    std::shared_ptr<std::atomic<bool>> discarded_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};
