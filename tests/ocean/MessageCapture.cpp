#include "MessageCapture.h"

#include "core/Configuration.h"

MessageCapture::MessageCapture()
{
    resetConfiguration();
    Maris::SetMessageHandler(&MessageCapture::receive, this);
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
    const std::string prefix = "MARIS: ";
    std::vector<std::string> result;
    for (const Entry& entry : received) {
        if (entry.channel != Maris::MessageChannel::Debug)
            continue;
        std::string text = entry.line;
        if (text.compare(0, prefix.size(), prefix) == 0)
            text.erase(0, prefix.size());
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        result.push_back(text);
    }
    return result;
}

void MessageCapture::receive(Maris::MessageChannel channel, const char* line, void* userData)
{
    static_cast<MessageCapture*>(userData)->received.push_back({channel, line});
}
