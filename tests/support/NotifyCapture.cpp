#include "NotifyCapture.h"

#include <mutex>

namespace kelvotest {

class NotifyCapture::Handler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity severity, const char* message) override
    {
        std::string text(message);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        std::lock_guard<std::mutex> lock(mutex);
        lines.emplace_back(severity, text);
    }

    std::mutex mutex;
    std::vector<std::pair<osg::NotifySeverity, std::string>> lines;
};

NotifyCapture::NotifyCapture()
    : previous_(osg::getNotifyHandler()), previousLevel_(osg::getNotifyLevel()), handler_(new Handler)
{
    // INFO is the most detailed level the viewer reports at; OSG's own debug chatter from other
    // threads would only add chances of interleaved lines.
    osg::setNotifyLevel(osg::INFO);
    osg::setNotifyHandler(handler_.get());
}

NotifyCapture::~NotifyCapture()
{
    osg::setNotifyHandler(previous_.get());
    osg::setNotifyLevel(previousLevel_);
}

const std::vector<std::pair<osg::NotifySeverity, std::string>>& NotifyCapture::lines() const
{
    return handler_->lines;
}

bool NotifyCapture::has(osg::NotifySeverity severity, const std::string& line) const
{
    for (const auto& entry : handler_->lines)
        if (entry.first == severity && entry.second == line)
            return true;
    return false;
}

bool NotifyCapture::hasText(const std::string& text) const
{
    for (const auto& entry : handler_->lines)
        if (entry.second.find(text) != std::string::npos)
            return true;
    return false;
}

unsigned NotifyCapture::count(const std::string& line) const
{
    unsigned n = 0;
    for (const auto& entry : handler_->lines)
        n += entry.second == line ? 1 : 0;
    return n;
}

std::string NotifyCapture::dump() const
{
    std::string text;
    for (const auto& entry : handler_->lines)
        text += "[" + std::to_string(static_cast<int>(entry.first)) + "] " + entry.second + "\n";
    return text;
}

void NotifyCapture::clear()
{
    handler_->lines.clear();
}

} // namespace kelvotest
