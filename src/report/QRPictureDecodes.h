#pragma once
// TQRPictureDecodes: the pictures of one run, decoded ahead of their turn on
// a small pool of workers of their own while the run places the ones before
// them. The run starts them in printing order once it knows each picture's
// decode size; each picture's printing then takes its own decode, waiting
// for it when it is not done. A few are decoded ahead at most, and only
// while the room they take fits in what the pictures' budget leaves, so
// decoding ahead holds little more than decoding each in its turn.

#include "../platform/HeldPicture.h"

#include <QImage>
#include <QSize>
#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <vector>

class QObject;
class QThreadPool;

// A decode that printing a picture takes: the held picture at no less than
// AtLeast pixels each way (THeldPicture::Decode).
struct TQRPictureAsk {
    THeldPicturePtr Picture;
    QSize AtLeast;
    bool operator==(const TQRPictureAsk&) const = default;
};

// Makes, one after another on a thread of low priority, the decodes that
// asks take and keeps each on disk where none is kept yet
// (THeldPicture::KeepDecode), so that a print of them takes them instead of
// decoding. A later call drops what this one has not begun; a decode that
// fails is left for the print to meet.
void WarmPictureDecodes(std::vector<TQRPictureAsk> asks);
// Asks `ready` on the thread of those decodes and, once it says yes, runs
// `then` on the thread of `context`, unless a later call of either or
// StopPictureWarmups came in between. The context's owner stops the
// warm-ups before the context goes (StopPictureWarmups waits for `ready`).
void WarmPicturesWhen(std::function<bool()> ready, QObject* context, std::function<void()> then);
// Drops what the latest call has not begun and waits for the decode under
// way: the pictures it holds are let go before the caller goes on (a window
// that closes, so that no decode outlives the program's end).
void StopPictureWarmups();
// The thread of those decodes (to wait for them).
QThreadPool& PictureWarmups();

class TQRPictureDecodes {
public:
    TQRPictureDecodes() = default;
    // Discards what was not taken.
    ~TQRPictureDecodes();
    TQRPictureDecodes(const TQRPictureDecodes&) = delete;
    TQRPictureDecodes& operator=(const TQRPictureDecodes&) = delete;

    // Starts decoding asks in their order. No further decode starts once
    // `cancelled` says so; it is asked on the caller's thread only.
    void Start(std::vector<TQRPictureAsk> asks, std::function<bool()> cancelled);
    // The decode of ask: the next one started, waited for (its error raised
    // here), when it is that ask; else ask decoded now. Starts the next ones.
    QImage Take(const TQRPictureAsk& ask);
    // Takes back pixels taken and placed: the next decode started is made
    // into them where it has their size and format (photos of one camera),
    // which spares it fresh memory. Only one is kept, until that decode.
    void GiveBack(QImage pixels);
    // Lets go of what was not taken without waiting: decodes not begun are
    // not made, those under way finish and are dropped.
    void Discard();

private:
    struct TStarted {
        TQRPictureAsk Ask;
        qint64 Cost; // the room its decode takes
        std::future<QImage> Pixels;
    };
    void StartMore();
    // What the budget leaves beside the decodes started and not taken.
    qint64 RoomLeft() const;
    // Starts ask's decode with all that room; `cost` is the room it takes.
    void StartDecode(const TQRPictureAsk& ask, qint64 cost);

    std::vector<TQRPictureAsk> asks_;
    size_t next_ = 0; // the first ask not started
    std::deque<TStarted> started_;
    qint64 startedCost_ = 0;
    std::function<bool()> cancelled_;
    std::shared_ptr<std::atomic<bool>> discarded_;
    QImage spare_; // pixels given back
};
