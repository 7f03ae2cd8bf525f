#pragma once
// Work started on Qt's global thread pool. Qt hands a task over to the pool
// thread under its own futex-based lock, which ThreadSanitizer cannot see, so
// the task object made here and read there would look unordered. In a
// ThreadSanitizer build the calling thread's making of the task is therefore
// kept out of its view; the task's own work on the pool thread is still
// checked.

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_THREAD__)
#define TESORIN_TSAN_BUILD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TESORIN_TSAN_BUILD 1
#endif
#endif

#ifdef TESORIN_TSAN_BUILD
extern "C" void __tsan_ignore_thread_begin(); // NOLINT(bugprone-reserved-identifier)
extern "C" void __tsan_ignore_thread_end();   // NOLINT(bugprone-reserved-identifier)
extern "C" void __tsan_acquire(void* addr);   // NOLINT(bugprone-reserved-identifier)
extern "C" void __tsan_release(void* addr);   // NOLINT(bugprone-reserved-identifier)
#endif

// Leaves this thread's memory accesses out of ThreadSanitizer's view while it
// lives; nothing in other builds.
class TTaskHandOff {
public:
#ifdef TESORIN_TSAN_BUILD
    TTaskHandOff() {
        __tsan_ignore_thread_begin();
    }
    ~TTaskHandOff() {
        __tsan_ignore_thread_end();
    }
#else
    TTaskHandOff() = default;
#endif
    TTaskHandOff(const TTaskHandOff&) = delete;
    TTaskHandOff& operator=(const TTaskHandOff&) = delete;
};

// A point through which one thread hands its work over to another: what the
// giving thread did before Give comes before what the taking thread does
// after Take. Qt orders a task's start and end with futex locks that
// ThreadSanitizer cannot see; this tells it of that order. Nothing in
// other builds.
class THandOffPoint {
public:
#ifdef TESORIN_TSAN_BUILD
    void Give() {
        __tsan_release(this);
    }
    void Take() {
        __tsan_acquire(this);
    }
#else
    void Give() {}
    void Take() {}
#endif
};

// Gives the calling thread the weight of a nice 5 process (on Linux the
// nice value is the thread's own): its work gives way to the window and to
// the runs, and still goes on while other programs keep the processors
// busy. Idle priority (SCHED_IDLE) would stop it then, and whoever waits
// for it (a closing window: 23 s measured under four busy loops) with it.
inline void LowerThreadPriority() {
#ifdef __linux__
    setpriority(PRIO_PROCESS, id_t(gettid()), 5);
#endif
}

// A thread pool of its own with at most `threads` threads: its work neither
// waits behind the global pool's nor holds up what Qt's own work on the UI
// thread waits for there.
class TOwnPool : public QThreadPool {
public:
    explicit TOwnPool(int threads) { setMaxThreadCount(threads); }
};

// QtConcurrent::run on the global thread pool.
template <typename... Args> [[nodiscard]] auto RunOnWorker(Args&&... args) {
    [[maybe_unused]] const TTaskHandOff handOff;
    return QtConcurrent::run(std::forward<Args>(args)...);
}

// The pool of the long runs (a print or a preview run). Qt's own work on the
// UI thread (large fills, image conversions) is split over the global pool
// and waited for, so a run holding a global pool thread for seconds would hold
// the window's painting up with it.
inline QThreadPool* LongRunPool() {
    static QThreadPool pool;
    return &pool;
}

// QtConcurrent::run on the pool of the long runs.
template <typename... Args> [[nodiscard]] auto RunLongOnWorker(Args&&... args) {
    [[maybe_unused]] const TTaskHandOff handOff;
    return QtConcurrent::run(LongRunPool(), std::forward<Args>(args)...);
}
