#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

namespace osgKELVO {

// Builds the text labels of the information points from the label files (".csv") under
// "../Content/InfoPoints/", one billboard per file, and keeps the result as "InfoPoints.ive" in the
// same directory; a later run loads that file instead of the label files.
class InfoPointsBuilder
{
public:
    static const char* const Directory;
    static const char* const CacheFile;
    static const char* const FontPath;
    static constexpr double LabelVisibleRange = 7500.0;

    // The information-point group, or null when there is nothing to show.
    osg::ref_ptr<osg::Node> build();
};

} // namespace osgKELVO
