#include <Maris/Message.h>

#include "core/Configuration.h"
#include <Maris/Containers.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace Maris {

namespace {

void WriteToStandardError(MessageChannel channel, const char* line, void*)
{
    // Debug lines belong to a channel nobody sees unless they ask for it; an alert stands for a
    // dialog, so it is always shown.
    if (channel == MessageChannel::Debug && !std::getenv("MARIS_DEBUG_OUTPUT"))
        return;
    std::fputs(line, stderr);
    std::fflush(stderr);
}

struct HandlerSlot
{
    std::mutex mutex;
    MessageHandler handler = WriteToStandardError;
    void* userData = nullptr;
};

HandlerSlot& Slot()
{
    static HandlerSlot slot;
    return slot;
}

} // namespace

void SetMessageHandler(MessageHandler handler, void* userData)
{
    HandlerSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.handler = handler ? handler : WriteToStandardError;
    slot.userData = handler ? userData : nullptr;
}

MessageHandler GetMessageHandler()
{
    HandlerSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.handler;
}

void* GetMessageHandlerUserData()
{
    HandlerSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.userData;
}

void Message(const char* text)
{
    if (!text)
        return;

    // Read at every call, so a configuration loaded later takes effect at once.
    const bool debugMessages = Configuration::Get(ConfigKey::EnableDebugMessages);
    const bool alertMessages = Configuration::Get(ConfigKey::EnableDebugAlertMessages);
    if (!debugMessages && !alertMessages)
        return;

    String line("MARIS: ");
    line += text;
    line += "\n";

    MessageHandler handler;
    void* userData;
    {
        HandlerSlot& slot = Slot();
        std::lock_guard<std::mutex> lock(slot.mutex);
        handler = slot.handler;
        userData = slot.userData;
    }
    // Called without the lock held, so a handler may itself report or replace the handler.
    if (debugMessages)
        handler(MessageChannel::Debug, line.c_str(), userData);
    if (alertMessages)
        handler(MessageChannel::Alert, line.c_str(), userData);
}

} // namespace Maris
