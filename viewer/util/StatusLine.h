#pragma once

#include <osg/Referenced>

#include <string>

namespace osgKELVO {

// A few words for the user, written by whoever does some lengthy work and shown by the head-up
// display: what is under way (what is being loaded), until it is replaced or cleared, and below
// what went wrong (why a file failed), until the time given with it, on the clock of the frame
// stamp's reference time. Written and read on the main-loop thread.
class StatusLine : public osg::Referenced
{
public:
    void setProgress(const std::string& value) { progress = value; }
    void report(const std::string& value, double until)
    {
        news = value;
        newsExpiry = until;
    }
    // The lines to show at a time, the progress last.
    std::string at(double time) const
    {
        const std::string shownNews = time < newsExpiry ? news : std::string();
        return shownNews + (shownNews.empty() || progress.empty() ? "" : "\n") + progress;
    }

private:
    std::string progress;
    std::string news;
    double newsExpiry = 0.0;
};

} // namespace osgKELVO
