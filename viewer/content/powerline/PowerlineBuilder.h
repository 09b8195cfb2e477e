#pragma once

#include <osg/Group>
#include <osg/Node>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <string>

namespace osgKELVO {

// Builds the overhead power line from the data under "../Content/Powerline/": pylons assembled from
// building blocks as the pylon coordinate list places them, each with its number as a label, and
// one thin tube per wire coordinate file. Geographic coordinates are shifted by the offset.
class PowerlineBuilder
{
public:
    static const char* const PylonListPath;
    static const char* const BuildingBlocksDirectory;
    static const char* const PowerlineDirectory;
    static const char* const FontPath;
    static constexpr double PylonVisibleRange = 200000.0;
    // Longest pylon label shown; the rest of a longer number field is cut off.
    static constexpr std::size_t LongestLabel = 256;

    explicit PowerlineBuilder(const osg::Vec3d& offset) : offset(offset) {}

    // The optimized power-line group, or null without a pylon list or a label font.
    osg::ref_ptr<osg::Node> build();

    // The group as assembled, before the optimizer merges and flattens it: one LOD per pylon in
    // list order, then the wire geode.
    osg::ref_ptr<osg::Group> assemble();

private:
    bool addPylons(osg::Group& powerline);
    void addWires(osg::Group& powerline);

    osg::Vec3d offset;
};

} // namespace osgKELVO
