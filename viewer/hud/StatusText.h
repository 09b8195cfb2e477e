#pragma once

#include "util/StatusLine.h"

#include <osg/Geode>
#include <osg/ref_ptr>

namespace osgKELVO {

// The status line of the head-up display: one text in the look of the others, outlined so that it
// reads on any background, whose update callback shows what the status line holds at the frame's
// time and says so (INFO) when that changes.
class StatusText
{
public:
    // The geode with the text, its baseline at the local origin and further lines above it, or
    // null (with a warning) without the font.
    static osg::ref_ptr<osg::Geode> createGeode(StatusLine* status);
    // Wraps lines wider than width pixels.
    static void setWidth(osg::Geode* geode, float width);
};

} // namespace osgKELVO
