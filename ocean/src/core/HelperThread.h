#pragma once

#include <condition_variable>
#include <mutex>
#include <pthread.h>

namespace Maris {

// A second thread, kept as long as its owner, that runs one task at a time beside the caller: a
// frame's work split in two without starting a thread every frame.
class HelperThread
{
public:
    HelperThread() = default;
    ~HelperThread();

    // Starts the thread unless it runs already; false when the system gives none.
    bool Start();
    bool IsRunning() const { return running; }
    // Hands the task over; Wait must return before the next one is handed over.
    void Run(void (*task)(void*), void* context);
    // Until the task handed over is done.
    void Wait();

    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

private:
    static void* Loop(void* self);

    pthread_t thread{};
    bool running = false;
    std::mutex mutex;
    std::condition_variable changed;
    void (*task)(void*) = nullptr;
    void* context = nullptr;
    bool stopping = false;
};

} // namespace Maris
