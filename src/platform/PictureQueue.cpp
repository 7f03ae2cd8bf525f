#include "PictureQueue.h"

#include "Errors.h"
#include "PictureLoader.h"
#include "Worker.h"

TPictureQueue::TPictureQueue(const QStringList& paths, qint64 room) {
    for (const QString& path : paths) {
        qint64 bytes = 0;
        try {
            bytes = PictureFileBytes(path);
        } catch (const EError&) {
            continue; // the caller meets the error when it loads this one itself
        }
        if (bytes > room)
            break;
        Start(path, room);
        room -= bytes;
    }
}

void TPictureQueue::Start(const QString& path, qint64 room) {
    auto promise = std::make_shared<std::promise<QImage>>();
    entries_.push_back({path, promise->get_future()});
    [[maybe_unused]] const TTaskHandOff handOff;
    pool_.start([promise, path, room, discarded = discarded_] {
        try {
            promise->set_value(*discarded ? QImage() : LoadPictureFile(path, room));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
}

TPictureQueue::~TPictureQueue() {
    *discarded_ = true;
    pool_.waitForDone();
}

std::optional<QImage> TPictureQueue::Take(const QString& path) {
    if (entries_.empty() || entries_.front().Path != path)
        return std::nullopt;
    std::future<QImage> picture = std::move(entries_.front().Picture);
    entries_.pop_front();
    return picture.get();
}
