#pragma once

#include "HeightGrid.h"

#include <osg/Geode>
#include <osg/Image>
#include <osg/ref_ptr>

#include <string>

// The terrain as one textured, lit triangle mesh over the height grid.
class TerrainModel
{
public:
    static osg::ref_ptr<osg::Geode> build(const HeightGrid& grid, osg::Image* texture, const std::string& name);
};
