#include "support/VelSRWLock.h"

#include <memory>

namespace tarnwick::support {

namespace {

std::atomic<std::int64_t> GLiveLocks{0};

// The platform's slim reader-writer lock, counted so that its lazy creation can be watched.
class TCountedLock : public std::shared_mutex {
public:
    TCountedLock() { GLiveLocks.fetch_add(1, std::memory_order_relaxed); }
    ~TCountedLock() { GLiveLocks.fetch_sub(1, std::memory_order_relaxed); }
};

} // namespace

TVelSRWLock::~TVelSRWLock() {
    delete static_cast<TCountedLock*>(FSRWLock.load(std::memory_order_acquire));
}

std::int64_t TVelSRWLock::LiveUnderlyingLocks() {
    return GLiveLocks.load(std::memory_order_relaxed);
}

std::shared_mutex& TVelSRWLock::Lock() {
    if (std::shared_mutex* installed = FSRWLock.load(std::memory_order_acquire)) return *installed;
    auto fresh = std::make_unique<TCountedLock>();
    std::shared_mutex* expected = nullptr;
    if (FSRWLock.compare_exchange_strong(expected, fresh.get(), std::memory_order_acq_rel,
                                         std::memory_order_acquire)) {
        return *fresh.release();
    }
    // Another thread installed its lock first; ours is released here.
    return *expected;
}

} // namespace tarnwick::support
