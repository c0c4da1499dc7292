#include "base/parallel_rows.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace lintra {

namespace {

std::atomic<int> g_threads{0};

// The cores this process may run on: a process pinned to some of them
// (taskset, a container's CPU set) would only crowd those with more threads.
int MachineCores() {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        const int cores = CPU_COUNT(&allowed);
        if (cores > 0) return std::min(cores, 256);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
}

// Waits, without sleeping, while busy() holds, for at most a few
// milliseconds. Waking a thread that sleeps takes up to several
// milliseconds on some virtual machines: more than a band of work, and more
// than the pause between the calls an operation makes one after another.
template <typename Busy>
void SpinWhile(Busy busy) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
    for (int spins = 1; busy(); ++spins) {
        PauseSpin();
        if (spins % 64 == 0) {
            if (std::chrono::steady_clock::now() > until) return;
            std::this_thread::yield();
        }
    }
}

// Workers that sleep until a call hands them bands. One call at a time owns
// them (m_busy); the workers are started on first use and again in a child
// process made by fork, which inherits the pool's memory but not its threads.
class WorkerPool {
public:
    static WorkerPool& Get() {
        static WorkerPool* pool = new WorkerPool;  // never destroyed: workers outlive static teardown
        return *pool;
    }

    // Runs the bands on the caller and up to `helpers` workers; false when
    // another call owns the pool.
    bool Run(int bands, int rows, const std::function<void(int, int)>& band) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_busy) return false;
        m_busy = true;
        if (m_owner != getpid()) {
            // A fresh process, or a child made by fork: the threads listed
            // belong to the parent. Their handles are let go of without a
            // call that would touch threads this process does not have.
            if (!m_workers.empty()) new std::vector<std::thread>(std::move(m_workers));
            m_workers.clear();
            m_owner = getpid();
        }
        // A new worker starts from the generation before this call's, so it
        // takes part in this call however late it first runs.
        while (static_cast<int>(m_workers.size()) < bands - 1)
            m_workers.emplace_back([this, seen = m_generation.load()] { Work(seen); });
        m_band = &band;
        m_rows = rows;
        m_bands = bands;
        m_next = 1;  // the caller takes band 0
        m_running = 0;
        m_error = nullptr;
        m_generation.fetch_add(1);
        lock.unlock();
        m_wake.notify_all();

        RunBand(0);
        lock.lock();
        // Take any bands no worker has picked up yet, then wait for the rest.
        while (m_next < m_bands) {
            const int k = m_next++;
            ++m_running;
            lock.unlock();
            RunBand(k);
            lock.lock();
            --m_running;
        }
        if (m_running != 0) {
            lock.unlock();
            SpinWhile([this] { return m_running.load() != 0; });
            lock.lock();
        }
        m_done.wait(lock, [this] { return m_running == 0; });
        std::exception_ptr error = m_error;
        m_band = nullptr;
        m_busy = false;
        lock.unlock();
        if (error) std::rethrow_exception(error);
        return true;
    }

private:
    void RunBand(int k) {
        try {
            (*m_band)(BandStart(m_rows, m_bands, k), BandStart(m_rows, m_bands, k + 1));
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error) m_error = std::current_exception();
        }
    }

    void Work(unsigned seen) {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_generation == seen) {
                lock.unlock();
                SpinWhile([&] { return m_generation.load() == seen; });
                lock.lock();
            }
            m_wake.wait(lock, [&] { return m_generation != seen; });
            seen = m_generation;
            while (m_band != nullptr && m_next < m_bands) {
                const int k = m_next++;
                ++m_running;
                lock.unlock();
                RunBand(k);
                lock.lock();
                if (--m_running == 0 && m_next >= m_bands) m_done.notify_all();
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::vector<std::thread> m_workers;
    pid_t m_owner = 0;
    bool m_busy = false;
    const std::function<void(int, int)>* m_band = nullptr;
    int m_rows = 0, m_bands = 0, m_next = 0;
    // Changed under m_mutex, and also read without it while spinning.
    std::atomic<int> m_running{0};
    std::atomic<unsigned> m_generation{0};
    std::exception_ptr m_error;
};

}  // namespace

int ThreadCount() {
    const int threads = g_threads.load(std::memory_order_relaxed);
    return threads > 0 ? threads : MachineCores();
}

void SetThreadCount(int threads) {
    g_threads.store(std::max(threads, 0), std::memory_order_relaxed);
}

void ParallelPieces(std::size_t bytes, std::size_t size,
                    const std::function<void(std::size_t first, std::size_t last)>& piece) {
    if (bytes == 0 || size == 0) return;
    const auto pieces = static_cast<int>(std::min<std::size_t>((bytes - 1) / size + 1, 1u << 30));
    // The last piece runs to the end however many pieces the count was cut to.
    ParallelRows(pieces, 1, [&](int begin, int end) {
        piece(static_cast<std::size_t>(begin) * size,
              end == pieces ? bytes : std::min(bytes, static_cast<std::size_t>(end) * size));
    });
}

int BandCount(int rows, int minRows, int threads) {
    if (rows <= 0) return 0;
    const int byLength = std::max(1, rows / std::max(minRows, 1));
    return std::max(1, std::min(threads, byLength));
}

int BandStart(int rows, int bands, int k) {
    return static_cast<int>(static_cast<long long>(rows) * k / bands);
}

void ParallelRows(int rows, int minRows, const std::function<void(int, int)>& band) {
    const int bands = BandCount(rows, minRows, ThreadCount());
    if (bands == 0) return;
    if (bands == 1 || !WorkerPool::Get().Run(bands, rows, band)) {
        // One band, or the workers are taken: the same rows in one piece.
        band(0, rows);
    }
}

}  // namespace lintra
