// Row bands on the worker threads: every row (and every byte of pieces) is
// visited once whatever the thread count, bands run at once, exceptions come
// back to the caller, and a call from inside a band still covers its rows.
#include "base/parallel_rows.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace lintra {
namespace {

class ParallelRowsTest : public ::testing::Test {
protected:
    void TearDown() override { SetThreadCount(0); }
};

TEST_F(ParallelRowsTest, EveryRowOnceInBandsOfAtLeastTheMinimum) {
    for (int threads : {1, 2, 3, 8}) {
        SetThreadCount(threads);
        for (int rows : {0, 1, 5, 7, 64, 1001}) {
            std::vector<std::atomic<int>> visits(static_cast<std::size_t>(rows));
            std::mutex mutex;
            std::vector<std::pair<int, int>> bands;
            ParallelRows(rows, 4, [&](int begin, int end) {
                for (int y = begin; y < end; ++y) ++visits[static_cast<std::size_t>(y)];
                std::lock_guard<std::mutex> lock(mutex);
                bands.emplace_back(begin, end);
            });
            for (int y = 0; y < rows; ++y) EXPECT_EQ(visits[static_cast<std::size_t>(y)], 1) << rows;
            EXPECT_LE(static_cast<int>(bands.size()), threads);
            for (auto [begin, end] : bands) EXPECT_TRUE(end - begin >= 4 || bands.size() == 1) << rows;
        }
    }
}

// Pieces of bytes cover every byte once, each starting on a multiple of the
// piece size and the last ending at the end.
TEST_F(ParallelRowsTest, PiecesCoverEveryByteOnce) {
    for (int threads : {1, 3}) {
        SetThreadCount(threads);
        for (std::size_t bytes :
             {std::size_t{0}, std::size_t{1}, std::size_t{9}, std::size_t{16}, std::size_t{4099}}) {
            std::vector<std::atomic<int>> visits(bytes);
            ParallelPieces(bytes, 8, [&](std::size_t first, std::size_t last) {
                EXPECT_EQ(first % 8, 0u);
                EXPECT_LE(last, bytes);
                for (std::size_t i = first; i < last; ++i) ++visits[i];
            });
            for (std::size_t i = 0; i < bytes; ++i) ASSERT_EQ(visits[i], 1) << bytes << " bytes, byte " << i;
        }
    }
}

TEST_F(ParallelRowsTest, BandsRunOnSeveralThreadsAtOnce) {
    SetThreadCount(2);
    // Each band waits (for at most ten seconds) until both have started:
    // bands run one after the other would see only their own start.
    std::atomic<int> started{0};
    std::mutex mutex;
    std::set<std::thread::id> ids;
    ParallelRows(100, 1, [&](int, int) {
        ++started;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (started.load() < 2 && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
        std::lock_guard<std::mutex> lock(mutex);
        ids.insert(std::this_thread::get_id());
    });
    EXPECT_EQ(ids.size(), 2u);
}

TEST_F(ParallelRowsTest, ABandsExceptionReachesTheCallerAndThePoolStaysUsable) {
    SetThreadCount(3);
    EXPECT_THROW(ParallelRows(90, 1,
                              [](int begin, int) {
                                  if (begin > 0) throw std::runtime_error("band failed");
                              }),
                 std::runtime_error);
    std::atomic<int> total{0};
    ParallelRows(90, 1, [&](int begin, int end) { total += end - begin; });
    EXPECT_EQ(total, 90);
}

TEST_F(ParallelRowsTest, ACallFromABandRunsItsRowsOnThatThread) {
    SetThreadCount(2);
    std::atomic<int> inner{0};
    ParallelRows(10, 1, [&](int, int) {
        const std::thread::id self = std::this_thread::get_id();
        ParallelRows(50, 1, [&](int begin, int end) {
            EXPECT_EQ(std::this_thread::get_id(), self);
            inner += end - begin;
        });
    });
    EXPECT_EQ(inner, 100);
}

TEST_F(ParallelRowsTest, ByDefaultOneThreadPerCoreTheProcessMayRunOn) {
    // In a child, so that the test process keeps its cores.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        sched_getaffinity(0, sizeof one, &one);
        int first = 0;
        while (!CPU_ISSET(first, &one)) ++first;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        _exit(sched_setaffinity(0, sizeof one, &one) == 0 && ThreadCount() == 1 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "pinned to one core, ThreadCount() is not 1";
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    EXPECT_EQ(ThreadCount(), CPU_COUNT(&allowed));
}

}  // namespace
}  // namespace lintra
