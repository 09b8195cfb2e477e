#pragma once

#include <osg/Notify>
#include <osg/ref_ptr>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kelvotest {

// Every line of the scene-graph library's notices, down to INFO (the most detailed level the
// viewer reports at), while it lives.
class NotifyCapture
{
public:
    using Line = std::pair<osg::NotifySeverity, std::string>;

    NotifyCapture() : previous_(osg::getNotifyHandler()), previousLevel_(osg::getNotifyLevel())
    {
        osg::setNotifyLevel(osg::INFO);
        osg::setNotifyHandler(handler_.get());
    }
    ~NotifyCapture()
    {
        osg::setNotifyHandler(previous_.get());
        osg::setNotifyLevel(previousLevel_);
    }
    NotifyCapture(const NotifyCapture&) = delete;
    NotifyCapture& operator=(const NotifyCapture&) = delete;

    const std::vector<Line>& lines() const { return handler_->lines; }
    bool has(osg::NotifySeverity severity, const std::string& line) const
    {
        return std::count(lines().begin(), lines().end(), Line(severity, line)) > 0;
    }
    bool hasText(const std::string& text) const { return dump().find(text) != std::string::npos; }
    unsigned count(const std::string& line) const
    {
        auto same = [&](const Line& l) { return l.second == line; };
        return static_cast<unsigned>(std::count_if(lines().begin(), lines().end(), same));
    }
    // Every captured line, one per row, for failure messages.
    std::string dump() const
    {
        std::string text;
        for (const Line& l : lines())
            text += "[" + std::to_string(static_cast<int>(l.first)) + "] " + l.second + "\n";
        return text;
    }
    void clear() { handler_->lines.clear(); }

private:
    struct Handler : osg::NotifyHandler
    {
        void notify(osg::NotifySeverity severity, const char* message) override
        {
            std::string text(message);
            text.erase(text.find_last_not_of("\r\n") + 1);
            std::lock_guard<std::mutex> lock(mutex);
            lines.emplace_back(severity, text);
        }
        std::mutex mutex;
        std::vector<Line> lines;
    };

    osg::ref_ptr<osg::NotifyHandler> previous_;
    osg::NotifySeverity previousLevel_;
    osg::ref_ptr<Handler> handler_{new Handler};
};

} // namespace kelvotest
