#include "QRPictureDecodes.h"

#include "../platform/Errors.h"
#include "../platform/PictureMemory.h"
#include "../platform/Worker.h"

#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <exception>
#include <utility>

namespace {
// Decodes started and not yet taken, at most.
constexpr size_t kAhead = 4;
// Beyond the next one, decodes start ahead only while those started take
// less than this: each decode lands in fresh memory, and whole photos for a
// 1200 dpi printer need not all be in memory at once to keep the run busy.
constexpr qint64 kMostAhead = qint64(128) << 20;

// The decoding workers, one a core. Of their own: the runs' pool holds the
// runs themselves, and the global pool is what Qt's own work on the UI
// thread waits for.
QThreadPool* DecodePool() {
    static TOwnPool pool(QThread::idealThreadCount());
    return &pool;
}

// A decode's start as ThreadSanitizer is told of it: what the run made for
// it comes before the decode on the worker.
THandOffPoint decodeHandOff;

// The latest batch of decodes made ahead of a print; an earlier one stops.
std::atomic<int> latestWarmup{0};
THandOffPoint warmupHandOff;

// What the decode of ask takes. A header that cannot be read counts
// nothing: the decode raises the same error, which reaches the run when
// that picture's turn comes.
qint64 DecodeRoom(const TQRPictureAsk& ask) {
    try {
        return ask.Picture->DecodeBytes(ask.AtLeast);
    } catch (const EError&) {
        return 0;
    }
}
} // namespace

QThreadPool& PictureWarmups() {
    static TOwnPool pool(1);
    return pool;
}

namespace {
// Starts work(batch) on the warm-up thread as the latest batch, which stops
// the ones before it.
template <typename F> void StartWarmup(F work) {
    const int batch = ++latestWarmup;
    warmupHandOff.Give();
    [[maybe_unused]] const TTaskHandOff handOff;
    PictureWarmups().start([work = std::move(work), batch] {
        warmupHandOff.Take();
        work(batch);
    });
}
} // namespace

void WarmPictureDecodes(std::vector<TQRPictureAsk> asks) {
    StartWarmup([asks = std::move(asks)](int batch) {
        LowerThreadPriority();
        for (const TQRPictureAsk& ask : asks) {
            if (latestWarmup != batch)
                return;
            try {
                ask.Picture->KeepDecode(ask.AtLeast, PictureRoom());
            } catch (const std::exception&) {
                // The print decodes it again and meets the failure then.
            }
        }
    });
}

void WarmPicturesWhen(std::function<bool()> ready, QObject* context, std::function<void()> then) {
    StartWarmup([ready = std::move(ready), context, then = std::move(then)](int batch) {
        if (latestWarmup != batch || !ready())
            return;
        QMetaObject::invokeMethod(
            context,
            [then, batch] {
                if (latestWarmup == batch)
                    then();
            },
            Qt::QueuedConnection);
    });
}

void StopPictureWarmups() {
    ++latestWarmup;
    PictureWarmups().waitForDone();
}

TQRPictureDecodes::~TQRPictureDecodes() {
    Discard();
}

void TQRPictureDecodes::Start(std::vector<TQRPictureAsk> asks, std::function<bool()> cancelled) {
    Discard();
    asks_ = std::move(asks);
    cancelled_ = std::move(cancelled);
    discarded_ = std::make_shared<std::atomic<bool>>(false);
    StartMore();
}

// In order, while fewer than kAhead wait to be taken and the room that they
// and the next one take fits in what the budget leaves and in kMostAhead.
// With none waiting the next one starts all the same, with all that room, so
// that its decode tells when it has none, as decoding it in its turn would,
// and so that it is made while the one before is placed.
void TQRPictureDecodes::StartMore() {
    while (next_ < asks_.size() && started_.size() < kAhead && !(cancelled_ && cancelled_())) {
        const TQRPictureAsk& ask = asks_[next_];
        const qint64 cost = DecodeRoom(ask);
        if (!started_.empty() && (cost > RoomLeft() || startedCost_ + cost > kMostAhead))
            return;
        StartDecode(ask, cost);
        ++next_;
    }
}

qint64 TQRPictureDecodes::RoomLeft() const {
    return PictureRoom() - startedCost_;
}

void TQRPictureDecodes::StartDecode(const TQRPictureAsk& ask, qint64 cost) {
    const qint64 room = RoomLeft();
    auto promise = std::make_shared<std::promise<QImage>>();
    started_.push_back({ask, cost, promise->get_future()});
    startedCost_ += cost;
    decodeHandOff.Give();
    [[maybe_unused]] const TTaskHandOff handOff;
    DecodePool()->start([promise, ask, room, discarded = discarded_,
                         into = std::exchange(spare_, QImage())]() mutable {
        decodeHandOff.Take();
        try {
            promise->set_value(*discarded
                                   ? QImage()
                                   : ask.Picture->DecodeKept(ask.AtLeast, room, std::move(into)));
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
}

QImage TQRPictureDecodes::Take(const TQRPictureAsk& ask) {
    if (started_.empty() || !(started_.front().Ask == ask))
        return ask.Picture->DecodeKept(ask.AtLeast, PictureRoom(), std::exchange(spare_, QImage()));
    std::future<QImage> pixels = std::move(started_.front().Pixels);
    startedCost_ -= started_.front().Cost;
    started_.pop_front();
    StartMore();
    return pixels.get();
}

void TQRPictureDecodes::GiveBack(QImage pixels) {
    if (pixels.isDetached())
        spare_ = std::move(pixels);
}

void TQRPictureDecodes::Discard() {
    if (discarded_)
        *discarded_ = true;
    started_.clear();
    startedCost_ = 0;
    spare_ = QImage();
    asks_.clear();
    next_ = 0;
    cancelled_ = nullptr;
}
