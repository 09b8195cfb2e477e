#include "scene/PagedTiles.h"

#include <osg/KdTree>
#include <osg/NodeVisitor>
#include <osg/PagedLOD>
#include <osg/ProxyNode>
#include <osgDB/Registry>

#include <cstdlib>

namespace osgKELVO {

namespace {

// A few hundred tiles of some ten thousand triangles each stay well under a gigabyte.
const unsigned residentTileTarget = 150;

class OptionsGiver : public osg::NodeVisitor
{
public:
    explicit OptionsGiver(osgDB::Options* options)
        : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN), options(options)
    {
    }

    void apply(osg::PagedLOD& node) override
    {
        give(node);
        traverse(node);
    }

    void apply(osg::ProxyNode& node) override
    {
        give(node);
        traverse(node);
    }

    unsigned given = 0;

private:
    template <class Paged> void give(Paged& node)
    {
        if (node.getDatabaseOptions())
            return;
        node.setDatabaseOptions(options);
        ++given;
    }

    osgDB::Options* options;
};

// Runs on the pager's thread for every tile file.
class TileReader : public osgDB::ReadFileCallback
{
public:
    osgDB::ReaderWriter::ReadResult readNode(const std::string& filename,
                                             const osgDB::Options* options) override
    {
        osgDB::Registry* registry = osgDB::Registry::instance();
        osgDB::ReaderWriter::ReadResult result =
            registry->readNodeImplementation(filename, options);
        osg::Node* tile = result.getNode();
        if (!tile)
            return result;
        PagedTiles::adopt(tile, const_cast<osgDB::Options*>(options));
        if (osg::KdTreeBuilder* builder = registry->getKdTreeBuilder()) {
            osg::ref_ptr<osg::KdTreeBuilder> own = builder->clone();
            tile->accept(*own);
        }
        return result;
    }
};

} // namespace

osg::ref_ptr<osgDB::Options> PagedTiles::createOptions(const osgDB::Options* base)
{
    osg::ref_ptr<osgDB::Options> options = base ? base->cloneOptions() : new osgDB::Options;
    options->setReadFileCallback(new TileReader);
    return options;
}

unsigned PagedTiles::adopt(osg::Node* node, osgDB::Options* options)
{
    if (!node)
        return 0;
    OptionsGiver giver(options);
    node->accept(giver);
    return giver.given;
}

void PagedTiles::limitResident(osgDB::DatabasePager* pager)
{
    if (pager && !std::getenv("OSG_MAX_PAGEDLOD"))
        pager->setTargetMaximumNumberOfPageLOD(residentTileTarget);
}

} // namespace osgKELVO
