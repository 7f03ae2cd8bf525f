#pragma once
// TRecoveryWriter: keeps the recovery pair (bag/CommonRecovery.h) in step
// with the design. A change asks for a write within a second; the design is
// encoded on the owner's thread, which is cheap, and written on a worker
// thread, so a change costs the window no pause. One write is under way at
// a time; changes made meanwhile are written after it. A design that is what
// the folder already holds (the data files at start, or the pair written
// last) is not written again.

#include "bag/CommonRecovery.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class TRecoveryWriter : public QObject {
    Q_OBJECT
public:
    // `design` gives the design as it stands; it runs on the owner's thread,
    // and may raise EError to skip a write. The design as it stands now is
    // the one the folder holds.
    using TDesignSource = std::function<TRecoveryDesign()>;
    TRecoveryWriter(const QString& folder, TDesignSource design, QObject* parent = nullptr);
    ~TRecoveryWriter() override; // waits for a write under way

    // The delay from a change to its write.
    static constexpr int kDelayMs = 1000;

    // The design changed: it is written within kDelayMs (after the write
    // under way, if any).
    void Changed();
    // Writes the design now, on this thread, after the write under way;
    // raises EError.
    void WriteNow();
    // The design is stored elsewhere: no more writes, and the pair goes.
    // Raises EError when it cannot be removed.
    void Discard();

private:
    void Start();
    void Finished();
    void Settle();
    void Absorb();

    QString folder_;
    TDesignSource design_;
    QTimer delay_;
    QFutureWatcher<bool> watcher_;
    bool changed_ = false;
    bool inFlight_ = false;
    // What the folder holds, and what the write under way puts there.
    TRecoveryBytes stored_;
    TRecoveryBytes writing_;
    bool discarded_ = false;
};
