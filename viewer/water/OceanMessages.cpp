#include "water/OceanMessages.h"

#include <Maris/Message.h>

#include <osg/Notify>

#include <string>

namespace osgKELVO {

namespace {

void toNotify(Maris::MessageChannel channel, const char* line, void*)
{
    std::string text(line);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    const osg::NotifySeverity severity =
        channel == Maris::MessageChannel::Alert ? osg::WARN : osg::INFO;
    OSG_NOTIFY(severity) << text << std::endl;
}

} // namespace

void forwardOceanMessagesToNotify()
{
    Maris::SetMessageHandler(&toNotify, nullptr);
}

} // namespace osgKELVO
