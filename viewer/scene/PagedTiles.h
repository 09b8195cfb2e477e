#pragma once

#include <osg/Node>
#include <osg/ref_ptr>
#include <osgDB/DatabasePager>
#include <osgDB/Options>

namespace osgKELVO {

// The tiles of a paged database (the files that its PagedLOD and ProxyNode children name) are read
// by the viewer's database pager on its own thread. The options made here have that thread build
// each tile's k-d trees as it reads the tile, so picks and terrain following are fast on it from
// its first frame while the start-up read builds none, and they pass themselves on to the paged
// children of the tile.
class PagedTiles
{
public:
    // Options for the tiles of a model read with base (which may be null).
    static osg::ref_ptr<osgDB::Options> createOptions(const osgDB::Options* base);
    // Gives options to every PagedLOD and ProxyNode below node that has none; returns how many.
    static unsigned adopt(osg::Node* node, osgDB::Options* options);
    // Bounds how many tiles stay resident: beyond the target, the pager drops the tiles that have
    // not been drawn for the expiry time and frames their PagedLOD gives. OSG_MAX_PAGEDLOD, where
    // set, wins.
    static void limitResident(osgDB::DatabasePager* pager);
};

} // namespace osgKELVO
