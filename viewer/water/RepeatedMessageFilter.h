#pragma once

#include <Maris/Message.h>

#include <set>
#include <string>

namespace osgKELVO {

// While one is alive, ocean-library messages go to the handler that was installed before, except
// lines that an earlier filter with the same history already passed on. A set-up that is retried
// every second would otherwise repeat the same complaints for as long as the program runs.
class RepeatedMessageFilter
{
public:
    explicit RepeatedMessageFilter(std::set<std::string>& history);
    ~RepeatedMessageFilter();
    RepeatedMessageFilter(const RepeatedMessageFilter&) = delete;
    RepeatedMessageFilter& operator=(const RepeatedMessageFilter&) = delete;

private:
    static void Forward(Maris::MessageChannel channel, const char* line, void* userData);

    std::set<std::string>& history;
    Maris::MessageHandler previousHandler;
    void* previousUserData;
};

} // namespace osgKELVO
