#include "PictureMemory.h"

#include <QFile>
#include <atomic>
#include <unistd.h>

namespace {
// The system's estimate of the memory that can be taken without swapping,
// from /proc/meminfo; 0 where it is not told.
qint64 MemAvailable() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = meminfo.readLine(); !line.isEmpty(); line = meminfo.readLine()) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        return fields.size() >= 2 ? fields[1].toLongLong() * 1024 : 0;
    }
    return 0;
}

qint64 DefaultBudget() {
    if (const qint64 available = MemAvailable(); available > 0)
        return available / 2;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize / 4 : qint64(1) << 30;
}

std::atomic<qint64>& Budget() {
    static std::atomic<qint64> budget{DefaultBudget()};
    return budget;
}

std::atomic<qint64> inUse{0};
} // namespace

qint64 PictureMemoryBudget() {
    return Budget();
}

void SetPictureMemoryBudget(qint64 bytes) {
    Budget() = bytes;
}

qint64 PictureMemoryInUse() {
    return inUse;
}

qint64 PictureRoom() {
    return PictureMemoryBudget() - PictureMemoryInUse();
}

TPictureMemoryUse::TPictureMemoryUse(qint64 bytes) : bytes_(bytes) {
    inUse += bytes_;
}

TPictureMemoryUse::~TPictureMemoryUse() {
    inUse -= bytes_;
}

void TPictureMemoryUse::Set(qint64 bytes) {
    inUse += bytes - bytes_;
    bytes_ = bytes;
}
