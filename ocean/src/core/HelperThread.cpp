#include "core/HelperThread.h"

namespace Maris {

HelperThread::~HelperThread()
{
    if (!running)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    pthread_join(thread, nullptr);
}

bool HelperThread::Start()
{
    if (!running)
        running = pthread_create(&thread, nullptr, &HelperThread::Loop, this) == 0;
    return running;
}

void HelperThread::Run(void (*work)(void*), void* workContext)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        task = work;
        context = workContext;
    }
    changed.notify_all();
}

void HelperThread::Wait()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return task == nullptr; });
}

void* HelperThread::Loop(void* self)
{
    HelperThread& helper = *static_cast<HelperThread*>(self);
    std::unique_lock<std::mutex> lock(helper.mutex);
    for (;;) {
        helper.changed.wait(lock, [&helper] { return helper.task || helper.stopping; });
        if (helper.stopping)
            return nullptr;
        lock.unlock();
        helper.task(helper.context);
        lock.lock();
        helper.task = nullptr;
        helper.changed.notify_all();
    }
}

} // namespace Maris
