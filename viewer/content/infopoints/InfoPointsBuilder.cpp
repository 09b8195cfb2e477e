#include "content/infopoints/InfoPointsBuilder.h"

#include "util/CompleteLineReader.h"
#include "util/GuardedNodeReader.h"
#include "content/infopoints/InfoPointLabelFactory.h"
#include "util/LabelFont.h"

#include <osg/Billboard>
#include <osg/Group>
#include <osg/LOD>
#include <osg/Notify>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgDB/WriteFile>

#include <fstream>

namespace osgKELVO {

const char* const InfoPointsBuilder::Directory = "../Content/InfoPoints/";
const char* const InfoPointsBuilder::CacheFile = "InfoPoints.ive";
const char* const InfoPointsBuilder::FontPath = "../Resources/Fonts/arial.ttf";

osg::ref_ptr<osg::Node> InfoPointsBuilder::build()
{
    const osgDB::Options* options = osgDB::Registry::instance()->getOptions();
    const std::string cachePath = std::string(Directory) + CacheFile;
    // The first run has no cache yet; asking first keeps the reader from warning about it.
    if (!osgDB::findDataFile(cachePath, options).empty())
        if (osg::ref_ptr<osg::Node> cached = GuardedNodeReader::read(cachePath, options))
            return cached->asGroup();

    const osgDB::DirectoryContents entries = osgDB::getDirectoryContents(Directory);
    if (entries.empty()) {
        osg::notify(osg::WARN) << "No InfoPoints found" << std::endl;
        return nullptr;
    }

    osg::ref_ptr<osg::Group> infoPoints = new osg::Group;
    for (const std::string& entry : entries) {
        if (osgDB::getFileExtension(entry) != "csv")
            continue;
        std::ifstream file(std::string(Directory) + entry, std::ios::binary);
        if (!file) {
            osg::notify(osg::WARN) << "Could not open " << entry << std::endl;
            continue;
        }

        osg::ref_ptr<osg::Billboard> billboard = new osg::Billboard;
        billboard->setMode(osg::Billboard::POINT_ROT_EYE);
        billboard->setNormal(osg::Vec3(0.0f, 0.0f, 1.0f));
        billboard->getOrCreateStateSet()->setMode(
            GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
        osg::ref_ptr<osgText::Font> font = LabelFont::load(FontPath, options);
        if (!font)
            return nullptr;

        // Text, size, x, y, height.
        for (const std::string& line : CompleteLineReader::read(file, std::string(Directory) + entry, 5)) {
            const InfoPointLabelFactory::Label label = InfoPointLabelFactory::create(line, font.get());
            if (label.writtenLength > InfoPointLabelFactory::LongestText)
                osg::notify(osg::WARN) << Directory << entry << ": label of " << label.writtenLength
                                       << " characters cut to " << InfoPointLabelFactory::LongestText << std::endl;
            billboard->addDrawable(label.text, label.position);
        }

        osg::ref_ptr<osg::LOD> lod = new osg::LOD;
        lod->addChild(billboard, 0.0f, static_cast<float>(LabelVisibleRange));
        infoPoints->addChild(lod);
    }

    // Whether the cache can be written does not matter: the labels are shown either way.
    osgDB::writeNodeFile(*infoPoints, cachePath, options);
    return infoPoints;
}

} // namespace osgKELVO
