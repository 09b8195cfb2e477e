#include "water/RepeatedMessageFilter.h"

namespace osgKELVO {

RepeatedMessageFilter::RepeatedMessageFilter(std::set<std::string>& historyValue)
    : history(historyValue),
      previousHandler(Maris::GetMessageHandler()),
      previousUserData(Maris::GetMessageHandlerUserData())
{
    Maris::SetMessageHandler(&RepeatedMessageFilter::Forward, this);
}

RepeatedMessageFilter::~RepeatedMessageFilter()
{
    Maris::SetMessageHandler(previousHandler, previousUserData);
}

void RepeatedMessageFilter::Forward(Maris::MessageChannel channel, const char* line, void* userData)
{
    RepeatedMessageFilter* filter = static_cast<RepeatedMessageFilter*>(userData);
    // Alerts and debug lines of the same text are different reports.
    const std::string key = (channel == Maris::MessageChannel::Alert ? "A" : "D") + std::string(line);
    if (!filter->history.insert(key).second)
        return;
    filter->previousHandler(channel, line, filter->previousUserData);
}

} // namespace osgKELVO
