#pragma once
// TVelSRWLock: a reader-writer lock whose underlying lock is created on first use.
// Many threads may hold it shared, one exclusively; readers wait while a writer
// holds it and a writer waits until every reader has let go.
//
// Guarantees:
// - No underlying lock exists until the first lock or unlock operation; when several
//   threads make that first call at once, one atomic compare-and-swap installs exactly
//   one lock and every thread uses it (the others' spare locks are released at once).
// - Not recursive; a shared hold cannot be turned into an exclusive one. Each release
//   must come from a thread holding the lock in the matching mode.
// - The label overloads behave exactly like the plain ones; the label names the caller.
// - The destructor must not run while a thread holds or waits for the lock.

#include "platform/com/WideString.h"

#include <atomic>
#include <cstdint>
#include <shared_mutex>

namespace tarnwick::support {

class TVelSRWLock {
public:
    TVelSRWLock() = default;
    ~TVelSRWLock();
    TVelSRWLock(const TVelSRWLock&) = delete;
    TVelSRWLock& operator=(const TVelSRWLock&) = delete;

    void ReadLock() { Lock().lock_shared(); }
    void ReadUnlock() { Lock().unlock_shared(); }
    void WriteLock() { Lock().lock(); }
    void WriteUnlock() { Lock().unlock(); }
    void ReadLock(const WideString&) { ReadLock(); }
    void ReadUnlock(const WideString&) { ReadUnlock(); }
    void WriteLock(const WideString&) { WriteLock(); }
    void WriteUnlock(const WideString&) { WriteUnlock(); }

    void BeginRead() { ReadLock(); }
    void EndRead() { ReadUnlock(); }
    void BeginWrite() { WriteLock(); }
    void EndWrite() { WriteUnlock(); }
    void BeginRead(const WideString&) { ReadLock(); }
    void EndRead(const WideString&) { ReadUnlock(); }
    void BeginWrite(const WideString&) { WriteLock(); }
    void EndWrite(const WideString&) { WriteUnlock(); }

    // Whether the underlying lock has been created.
    bool HasUnderlyingLock() const { return FSRWLock.load(std::memory_order_acquire) != nullptr; }
    // Underlying locks alive in the process (created and not yet released).
    static std::int64_t LiveUnderlyingLocks();

private:
    std::shared_mutex& Lock();

    std::atomic<std::shared_mutex*> FSRWLock{nullptr};
};

// Holds a TVelSRWLock shared or exclusively for one scope.
class TVelReadGuard {
public:
    explicit TVelReadGuard(TVelSRWLock& lock) : FLock(lock) { FLock.ReadLock(); }
    ~TVelReadGuard() { FLock.ReadUnlock(); }
    TVelReadGuard(const TVelReadGuard&) = delete;
    TVelReadGuard& operator=(const TVelReadGuard&) = delete;

private:
    TVelSRWLock& FLock;
};

class TVelWriteGuard {
public:
    explicit TVelWriteGuard(TVelSRWLock& lock) : FLock(lock) { FLock.WriteLock(); }
    ~TVelWriteGuard() { FLock.WriteUnlock(); }
    TVelWriteGuard(const TVelWriteGuard&) = delete;
    TVelWriteGuard& operator=(const TVelWriteGuard&) = delete;

private:
    TVelSRWLock& FLock;
};

} // namespace tarnwick::support
