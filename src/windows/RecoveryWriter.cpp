#include "RecoveryWriter.h"

#include "platform/Errors.h"
#include "platform/Worker.h"

namespace {
// The write itself, on a worker: true when the pair is in place.
bool WritePair(const TRecoveryBytes& bytes, const QString& folder) {
    try {
        WriteRecoveryPair(bytes, folder);
        return true;
    } catch (const EError&) {
        return false;
    }
}
} // namespace

TRecoveryWriter::TRecoveryWriter(const QString& folder, TDesignSource design, QObject* parent)
    : QObject(parent), folder_(folder), design_(std::move(design)) {
    try {
        stored_ = EncodeRecovery(design_());
    } catch (const EError&) {
        // Nothing the folder could hold: the first change is written.
    }
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    connect(&delay_, &QTimer::timeout, this, &TRecoveryWriter::Start);
    connect(&watcher_, &QFutureWatcherBase::finished, this, &TRecoveryWriter::Finished);
}

TRecoveryWriter::~TRecoveryWriter() {
    watcher_.waitForFinished();
}

// The delay runs from the first change that is not yet written, and is not
// pushed back by later ones: a stream of changes is still written.
void TRecoveryWriter::Changed() {
    if (discarded_)
        return;
    changed_ = true;
    if (!delay_.isActive() && !inFlight_)
        delay_.start();
}

void TRecoveryWriter::Start() {
    if (discarded_ || inFlight_)
        return;
    changed_ = false;
    try {
        writing_ = EncodeRecovery(design_());
    } catch (const EError&) {
        return; // nothing that could be stored; the close will say why
    }
    if (writing_.Images == stored_.Images && writing_.Settings == stored_.Settings)
        return;
    inFlight_ = true;
    watcher_.setFuture(RunOnWorker(WritePair, writing_, folder_));
}

// Takes the result of the write under way, once, whether its end was waited
// for or announced.
void TRecoveryWriter::Absorb() {
    if (!inFlight_)
        return;
    watcher_.waitForFinished();
    inFlight_ = false;
    // A failed write leaves the pair before it in place; the next change
    // tries again.
    if (watcher_.result())
        stored_ = writing_;
}

void TRecoveryWriter::Finished() {
    if (!inFlight_)
        return;
    Absorb();
    if (changed_ && !discarded_)
        delay_.start();
}

// No write under way or pending on the timer after this.
void TRecoveryWriter::Settle() {
    delay_.stop();
    Absorb();
}

void TRecoveryWriter::WriteNow() {
    Settle();
    changed_ = false;
    const TRecoveryBytes bytes = EncodeRecovery(design_());
    WriteRecoveryPair(bytes, folder_);
    stored_ = bytes;
}

void TRecoveryWriter::Discard() {
    discarded_ = true;
    Settle();
    RemoveRecoveryPair(folder_);
}
