#pragma once

#include <osg/Referenced>

#include <limits>
#include <string>

namespace osgKELVO {

// One line of news for the user, written by whoever does some lengthy work (what is being loaded,
// why it failed) and shown by the head-up display. A text stays until it is replaced or cleared,
// or until the time given with it, on the clock of the frame stamp's reference time. Written and
// read on the main-loop thread.
class StatusLine : public osg::Referenced
{
public:
    void show(const std::string& value, double until = std::numeric_limits<double>::infinity())
    {
        text = value;
        expiry = until;
    }
    void clear() { text.clear(); }
    std::string at(double time) const { return time < expiry ? text : std::string(); }

private:
    std::string text;
    double expiry = 0.0;
};

} // namespace osgKELVO
