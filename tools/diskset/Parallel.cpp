#include "Parallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

void RunInOrderOfFailure(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& task)
{
    std::mutex mutex;
    std::size_t next = 0;               // under mutex: the next task to begin
    std::size_t firstFailed = count;    // under mutex
    std::exception_ptr failure;         // under mutex: the exception of firstFailed

    const auto work = [&] {
        for (;;) {
            std::size_t index;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                if (next >= firstFailed)
                    return;
                index = next++;
            }
            try {
                task(index);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(mutex);
                if (index < firstFailed) {
                    firstFailed = index;
                    failure = std::current_exception();
                }
            }
        }
    };

    const std::size_t helpers = std::min<std::size_t>(std::max(threads, 1u), count) - (count ? 1 : 0);
    std::vector<std::thread> pool;
    try {
        for (std::size_t i = 0; i < helpers; ++i)
            pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads, then: this one works too.
    }
    work();
    for (std::thread& thread : pool)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

unsigned DefaultThreads()
{
    return std::max(std::thread::hardware_concurrency(), 1u);
}
