#pragma once
// The memory that placed pictures take, counted process-wide: the file bytes
// they hold, their pixels and the decodes kept for the screen. Each holder
// counts what it keeps through a TPictureMemoryUse; loading a picture asks
// for room in what the budget leaves. The budget is sized from the memory
// the system has available when it is first asked for.

#include <QtGlobal>

// Half of the memory available (MemAvailable) at the first call; a quarter
// of the physical memory where the system does not tell it. Settable so that
// tests can reach it fast.
qint64 PictureMemoryBudget();
void SetPictureMemoryBudget(qint64 bytes);

// What the holders count now, and what the budget leaves beside it.
qint64 PictureMemoryInUse();
qint64 PictureRoom();

// Counts `bytes` for as long as it lives, or until set to another count.
class TPictureMemoryUse {
public:
    explicit TPictureMemoryUse(qint64 bytes = 0);
    ~TPictureMemoryUse();
    TPictureMemoryUse(const TPictureMemoryUse&) = delete;
    TPictureMemoryUse& operator=(const TPictureMemoryUse&) = delete;

    void Set(qint64 bytes);

private:
    qint64 bytes_ = 0;
};
