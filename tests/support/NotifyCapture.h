#pragma once

#include <osg/Notify>
#include <osg/ref_ptr>

#include <string>
#include <utility>
#include <vector>

namespace kelvotest {

// Records every line written to the scene-graph library's notification stream while it lives, at
// every severity, and restores the previous handler and level afterwards.
class NotifyCapture
{
public:
    NotifyCapture();
    ~NotifyCapture();
    NotifyCapture(const NotifyCapture&) = delete;
    NotifyCapture& operator=(const NotifyCapture&) = delete;

    const std::vector<std::pair<osg::NotifySeverity, std::string>>& lines() const;
    bool has(osg::NotifySeverity severity, const std::string& line) const;
    bool hasText(const std::string& text) const;
    unsigned count(const std::string& line) const;
    // Every captured line, one per row, for failure messages.
    std::string dump() const;
    void clear();

private:
    class Handler;
    osg::ref_ptr<osg::NotifyHandler> previous_;
    osg::NotifySeverity previousLevel_;
    osg::ref_ptr<Handler> handler_;
};

} // namespace kelvotest
