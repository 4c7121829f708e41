#include "support/VelSRWLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using namespace tarnwick;
using support::TVelSRWLock;
using namespace std::chrono_literals;

namespace {

constexpr auto Patience = 10s; // upper bound of every wait for something that must happen
constexpr auto Quiet = 100ms;  // how long something that must not happen is watched for

// A meeting point for `count` threads; false when not all arrived within Patience.
class TRendezvous {
public:
    explicit TRendezvous(int count) : FLeft(count) {}
    bool ArriveAndWait() {
        std::unique_lock lock(FMutex);
        if (--FLeft == 0) FAll.notify_all();
        return FAll.wait_for(lock, Patience, [&] { return FLeft <= 0; });
    }

private:
    std::mutex FMutex;
    std::condition_variable FAll;
    int FLeft;
};

TEST(VelSRWLock, UnusedLockCreatesNoUnderlyingLock) {
    std::int64_t before = TVelSRWLock::LiveUnderlyingLocks();
    {
        TVelSRWLock lock;
        EXPECT_FALSE(lock.HasUnderlyingLock());
        EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before);
    }
    EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before);
    {
        TVelSRWLock lock;
        lock.BeginRead(u"first use");
        EXPECT_TRUE(lock.HasUnderlyingLock());
        EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before + 1);
        lock.EndRead();
    }
    EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before);
}

// Both threads make the lock's first call at the same moment, and both must hold it
// shared at once: each waits, holding it, for the other to arrive.
TEST(VelSRWLock, TwoFirstReadersShareOneUnderlyingLock) {
    std::int64_t before = TVelSRWLock::LiveUnderlyingLocks();
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        TVelSRWLock lock;
        TRendezvous start(2), holding(2);
        std::atomic<int> bothHeld{0};
        auto reader = [&] {
            start.ArriveAndWait();
            lock.ReadLock();
            if (holding.ArriveAndWait()) ++bothHeld;
            lock.ReadUnlock();
        };
        std::thread a(reader), b(reader);
        a.join();
        b.join();
        EXPECT_EQ(bothHeld.load(), 2);
        EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before + 1)
            << "the spare lock of the losing thread stays";
    }
    EXPECT_EQ(TVelSRWLock::LiveUnderlyingLocks(), before);
}

struct TExclusionCase {
    const char* Name;
    bool HolderWrites;
    bool WaiterWrites;
};

class VelSRWLockExclusion : public ::testing::TestWithParam<TExclusionCase> {};

// The waiter may not get the lock while the holder has it, and gets it once the holder lets go.
TEST_P(VelSRWLockExclusion, WaiterGetsTheLockOnlyAfterTheHolderReleases) {
    const TExclusionCase& c = GetParam();
    TVelSRWLock lock;
    if (c.HolderWrites)
        lock.WriteLock(u"holder");
    else
        lock.BeginRead(u"holder");

    std::promise<void> acquired;
    std::future<void> acquiredFuture = acquired.get_future();
    std::atomic<bool> release{false};
    std::thread waiter([&] {
        if (c.WaiterWrites)
            lock.BeginWrite();
        else
            lock.ReadLock(u"waiter");
        acquired.set_value();
        while (!release.load())
            std::this_thread::sleep_for(1ms);
        if (c.WaiterWrites)
            lock.EndWrite(u"waiter");
        else
            lock.ReadUnlock();
    });

    EXPECT_EQ(acquiredFuture.wait_for(Quiet), std::future_status::timeout);
    if (c.HolderWrites)
        lock.EndWrite();
    else
        lock.ReadUnlock(u"holder");
    EXPECT_EQ(acquiredFuture.wait_for(Patience), std::future_status::ready);
    release = true;
    waiter.join();
}

INSTANTIATE_TEST_SUITE_P(Modes, VelSRWLockExclusion,
                         ::testing::Values(TExclusionCase{"WriterWaitsForReader", false, true},
                                           TExclusionCase{"ReaderWaitsForWriter", true, false},
                                           TExclusionCase{"WriterWaitsForWriter", true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(VelSRWLock, ReadersDoNotWaitForEachOther) {
    TVelSRWLock lock;
    lock.ReadLock();
    std::future<void> second = std::async(std::launch::async, [&] {
        lock.BeginRead(u"second reader");
        lock.EndRead(u"second reader");
    });
    EXPECT_EQ(second.wait_for(Patience), std::future_status::ready);
    lock.ReadUnlock();
}

} // namespace
