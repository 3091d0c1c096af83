#include "stats/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/CpuState.h"

namespace ParallelFor {

namespace {

std::ptrdiff_t hardwareThreads() {
    static const unsigned hardware = std::thread::hardware_concurrency();
    return hardware == 0 ? 1 : static_cast<std::ptrdiff_t>(hardware);
}

thread_local bool onKeptThread = false;

struct Job {
    std::ptrdiff_t count = 0;
    Body body = nullptr;
    void* context = nullptr;
    std::ptrdiff_t threads = 1;
    // The block products: the caller only waits, the kept threads flush.
    bool callerJoins = true;
    bool flush = false;
    std::atomic<std::ptrdiff_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;

    void work(std::ptrdiff_t worker) {
        for (;;) {
            const std::ptrdiff_t k = next.fetch_add(1);
            if (k >= count) return;
            try {
                body(context, k, worker);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                next = count;
            }
        }
    }
};

// The kept threads, helpers 1 .. hardware-1 (the caller is worker 0). Never
// destroyed: its threads sleep until the program ends.
class Pool {
public:
    static Pool& instance() {
        static Pool* pool = new Pool;
        return *pool;
    }

    // One loop at a time; false when another one runs (the caller then runs
    // its loop alone).
    bool tryRun(Job& job) {
        std::unique_lock<std::mutex> exclusive(busy_, std::try_to_lock);
        if (!exclusive.owns_lock()) return false;
        const std::ptrdiff_t wanted = job.callerJoins ? job.threads - 1 : job.threads;
        const std::ptrdiff_t helpers = std::min<std::ptrdiff_t>(wanted, startHelpers(wanted));
        if (!job.callerJoins && helpers < 1) return false;
        {
            const std::lock_guard<std::mutex> lock(m_);
            job_ = &job;
            participants_ = helpers;
            pending_ = helpers;
            ++generation_;
        }
        wake_.notify_all();
        if (job.callerJoins) job.work(0);
        std::unique_lock<std::mutex> lock(m_);
        done_.wait(lock, [&] { return pending_ == 0; });
        job_ = nullptr;
        return true;
    }

private:
    // Starts helpers up to `wanted` (as far as the system gives threads);
    // returns how many there are.
    std::ptrdiff_t startHelpers(std::ptrdiff_t wanted) {
        while (static_cast<std::ptrdiff_t>(threads_.size()) < wanted) {
            const auto index = static_cast<std::ptrdiff_t>(threads_.size()) + 1;
            try {
                threads_.emplace_back([this, index] { helperLoop(index); });
                threads_.back().detach();
            } catch (const std::system_error&) {
                break;
            }
        }
        return static_cast<std::ptrdiff_t>(threads_.size());
    }

    void helperLoop(std::ptrdiff_t index) {
        onKeptThread = true;
        std::uint64_t seen = 0;
        for (;;) {
            Job* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_);
                wake_.wait(lock, [&] { return generation_ != seen; });
                seen = generation_;
                if (job_ == nullptr || index > participants_) continue;
                job = job_;
            }
            if (job->flush) {
                const CpuState::FlushDenormals modes;
                job->work(job->callerJoins ? index : index - 1);
            } else {
                job->work(index);
            }
            {
                const std::lock_guard<std::mutex> lock(m_);
                --pending_;
            }
            done_.notify_one();
        }
    }

    std::mutex busy_;
    std::mutex m_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;
    Job* job_ = nullptr;
    std::ptrdiff_t participants_ = 0;
    std::ptrdiff_t pending_ = 0;
    std::uint64_t generation_ = 0;
};

}  // namespace

std::ptrdiff_t workers(std::ptrdiff_t count, bool serial) {
    if (serial || count <= 1) return 1;
    return std::max<std::ptrdiff_t>(1, std::min<std::ptrdiff_t>(hardwareThreads(), count));
}

void run(std::ptrdiff_t count, Body body, void* context, bool serial) {
    if (count <= 0) return;
    Job job;
    job.count = count;
    job.body = body;
    job.context = context;
    job.threads = workers(count, serial);
    if (job.threads <= 1 || !Pool::instance().tryRun(job)) job.work(0);
    if (job.failure) std::rethrow_exception(job.failure);
}

void runFlushed(std::ptrdiff_t count, Body body, void* context, bool serial) {
    if (count <= 0) return;
    if (serial) {
        run(count, body, context, true);
        return;
    }
    Job job;
    job.count = count;
    job.body = body;
    job.context = context;
    job.threads = workers(count, false);
    job.callerJoins = false;
    job.flush = true;
    if (!Pool::instance().tryRun(job)) {
        auto flushedWork = [&job] {
            const CpuState::FlushDenormals modes;
            job.work(0);
        };
        if (onKeptThread) {
            flushedWork();
        } else {
            try {
                std::thread own(flushedWork);
                own.join();
            } catch (const std::system_error&) {
                job.work(0);
            }
        }
    }
    if (job.failure) std::rethrow_exception(job.failure);
}

}  // namespace ParallelFor
