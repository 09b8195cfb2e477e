#pragma once

#include "CoastHeightField.h"
#include "HeightGrid.h"

#include <osg/Image>
#include <osg/ref_ptr>

// The terrain's two looks, painted from the same height samples (one per texel):
// - aerial: sea bed darkening with depth, sand and bare granite at the shore, meadows and
//   farmland, spruce forest on the hills, bare rock on steep tops, roads, the stream and the
//   cleared corridor under the power line, all with baked hill shading;
// - map: height tints with contour lines every 5 m (every 25 m stronger), depth tints at sea,
//   roads and the stream.
class TerrainTextures
{
public:
    TerrainTextures(const CoastHeightField& field, const HeightGrid& texels);

    osg::ref_ptr<osg::Image> aerial() const;
    osg::ref_ptr<osg::Image> map() const;

private:
    const CoastHeightField& field;
    const HeightGrid& texels;
};
