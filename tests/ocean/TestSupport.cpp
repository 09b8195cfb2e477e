#include "MessageCapture.h"

#include "core/Configuration.h"

MessageCapture::MessageCapture()
{
    resetConfiguration();
    Maris::SetMessageHandler([](Maris::MessageChannel channel, const char* line, void* capture) {
        static_cast<MessageCapture*>(capture)->received.push_back({channel, line});
    }, this);
}

MessageCapture::~MessageCapture()
{
    Maris::SetMessageHandler(nullptr, nullptr);
    resetConfiguration();
}

void MessageCapture::resetConfiguration()
{
    while (Maris::Configuration::GetReferenceCount() > 0)
        Maris::Configuration::Unload();
    // At a count of zero this empties the table, including entries set without a load.
    Maris::Configuration::Unload();
}

std::vector<std::string> MessageCapture::texts() const
{
    std::vector<std::string> result;
    for (const Entry& entry : received)
        if (entry.channel == Maris::MessageChannel::Debug) {
            std::string text = entry.line;
            if (text.rfind("MARIS: ", 0) == 0)
                text.erase(0, 7);
            if (!text.empty() && text.back() == '\n')
                text.pop_back();
            result.push_back(text);
        }
    return result;
}
