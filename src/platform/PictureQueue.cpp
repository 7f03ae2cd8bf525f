#include "PictureQueue.h"

#include "Errors.h"
#include "Worker.h"

#include <QFileInfo>

namespace {
// What a picture holds once read: its file's bytes, or a bitmap's pixels,
// which its header tells.
qint64 HeldBytes(const QString& path) {
    const qint64 file = QFileInfo(path).size();
    try {
        if (PictureFormatOfName(path) == "bmp")
            return qMax(file, PictureFileBytes(path));
    } catch (const EError&) {
        // Its read tells why.
    }
    return file;
}

// What reading a picture takes, told before it is read: what it holds and
// four bytes a pixel for its decode (the whole picture when no size is told,
// estimated from the file as a compressed picture's tenth).
qint64 ReadCost(const TPictureQueue::TRequest& request) {
    const qint64 file = HeldBytes(request.Path);
    const qint64 decode = request.Shown.isEmpty()
                              ? file * 10
                              : qint64(request.Shown.width()) * request.Shown.height() * 4;
    return file + decode;
}
} // namespace

TPictureQueue::TPictureQueue(const QList<TRequest>& requests, qint64 room) {
    for (const TRequest& request : requests) {
        const qint64 cost = ReadCost(request);
        if (cost > room)
            break;
        Start(request, room);
        room -= cost;
    }
}

void TPictureQueue::Start(const TRequest& request, qint64 room) {
    auto promise = std::make_shared<std::promise<TReadPicture>>();
    entries_.push_back({request.Path, promise->get_future()});
    [[maybe_unused]] const TTaskHandOff handOff;
    pool_.start([promise, request, room, discarded = discarded_] {
        try {
            // What the pictures read before this one hold by now counts too.
            const qint64 left = qMin(room, PictureRoom());
            promise->set_value(*discarded
                                   ? TReadPicture()
                                   : THeldPicture::ReadFile(request.Path, request.Shown, left));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
}

TPictureQueue::~TPictureQueue() {
    *discarded_ = true;
    pool_.waitForDone();
}

std::optional<TReadPicture> TPictureQueue::Take(const QString& path) {
    if (entries_.empty() || entries_.front().Path != path)
        return std::nullopt;
    std::future<TReadPicture> picture = std::move(entries_.front().Picture);
    entries_.pop_front();
    return picture.get();
}
