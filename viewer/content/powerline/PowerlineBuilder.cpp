#include "content/powerline/PowerlineBuilder.h"

#include "util/GuardedNodeReader.h"
#include "util/LabelFont.h"
#include "content/powerline/PylonLabelFactory.h"
#include "content/powerline/PylonListParser.h"
#include "content/powerline/PylonMatrices.h"
#include "content/powerline/WireFileReader.h"
#include "content/powerline/WireTubeBuilder.h"

#include <osg/Geode>
#include <osg/LOD>
#include <osg/MatrixTransform>
#include <osg/Notify>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgText/Font>
#include <osgUtil/Optimizer>

#include <fstream>
#include <map>

namespace osgKELVO {

const char* const PowerlineBuilder::PylonListPath = "../Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt";
const char* const PowerlineBuilder::BuildingBlocksDirectory = "../Content/Powerline/Building_blocks/";
const char* const PowerlineBuilder::PowerlineDirectory = "../Content/Powerline";
const char* const PowerlineBuilder::FontPath = "../Resources/Fonts/arial.ttf";

namespace {

void addToGroupInLOD(osg::Group& powerline, osg::Node* pylon)
{
    osg::ref_ptr<osg::LOD> lod = new osg::LOD;
    lod->addChild(pylon, 0.0f, static_cast<float>(PowerlineBuilder::PylonVisibleRange));
    powerline.addChild(lod);
}

} // namespace

osg::ref_ptr<osg::Node> PowerlineBuilder::build()
{
    osg::ref_ptr<osg::Group> powerline = assemble();
    if (!powerline)
        return nullptr;
    osgUtil::Optimizer optimizer;
    optimizer.optimize(powerline.get());
    return powerline;
}

osg::ref_ptr<osg::Group> PowerlineBuilder::assemble()
{
    osg::ref_ptr<osg::Group> powerline = new osg::Group;
    if (!addPylons(*powerline))
        return nullptr;
    addWires(*powerline);
    return powerline;
}

bool PowerlineBuilder::addPylons(osg::Group& powerline)
{
    std::ifstream list(PylonListPath, std::ios::binary);
    if (!list) {
        osg::notify(osg::WARN) << "Pylon coordinate list not found" << std::endl;
        return false;
    }

    const osgDB::Options* options = osgDB::Registry::instance()->getOptions();
    osg::ref_ptr<osgText::Font> font;
    // Each block once, however many records name it: the cache lookup and the file search cost as
    // much as the rest of a record. A missing block is remembered as null.
    std::map<std::string, osg::ref_ptr<osg::Node>> blocks;
    osg::ref_ptr<osg::MatrixTransform> pylon;
    osg::ref_ptr<osg::MatrixTransform> blockFrame;
    int previousNumber = 0;
    for (const PylonRecord& record : PylonListParser::parse(list, PylonListPath)) {
        // Only a list with records needs the font; without it there is no power line.
        if (!font)
            font = LabelFont::load(FontPath, options);
        if (!font)
            return false;

        // A list that starts with pylon number 0 has no pylon for its first record to follow; that
        // record starts the pylon instead of being lost.
        const bool mainRecord = record.number != previousNumber || !pylon;
        if (mainRecord) {
            if (pylon)
                addToGroupInLOD(powerline, pylon.get());
            pylon = new osg::MatrixTransform(PylonMatrices::pylon(record, offset));
            pylon->setName("Pylon " + record.numberText);
            blockFrame = new osg::MatrixTransform(osg::Matrixd::translate(record.frameTranslation));
            pylon->addChild(blockFrame);
            // A pylon label is a number; a longer field would be laid out glyph by glyph into
            // megabytes of geometry.
            std::string label = record.numberText;
            if (label.size() > LongestLabel) {
                osg::notify(osg::WARN) << PylonListPath << ": pylon label of " << label.size()
                                       << " characters cut to " << LongestLabel << std::endl;
                label.resize(LongestLabel);
            }
            pylon->addChild(PylonLabelFactory::create(label, font.get()));
        }

        // A missing block is left out silently; asking first keeps the reader from warning. A name
        // holding a NUL byte names no file: the part before the NUL must not stand in for it.
        auto known = blocks.find(record.blockName);
        if (known == blocks.end()) {
            const std::string blockFile = BuildingBlocksDirectory + record.blockName + ".ive";
            osg::ref_ptr<osg::Node> read;
            if (blockFile.find('\0') == std::string::npos && !osgDB::findDataFile(blockFile, options).empty())
                read = GuardedNodeReader::read(blockFile, options);
            known = blocks.emplace(record.blockName, read).first;
        }
        osg::Node* block = known->second.get();
        if (block) {
            osg::ref_ptr<osg::MatrixTransform> placed =
                new osg::MatrixTransform(PylonMatrices::block(record, mainRecord));
            placed->addChild(block);
            blockFrame->addChild(placed);
        }
        previousNumber = record.number;
    }
    if (pylon)
        addToGroupInLOD(powerline, pylon.get());
    return true;
}

void PowerlineBuilder::addWires(osg::Group& powerline)
{
    osg::ref_ptr<osg::Geode> wires = new osg::Geode;
    for (const std::string& name : osgDB::getDirectoryContents(PowerlineDirectory)) {
        if (name.find("Lft") == std::string::npos)
            continue;
        const std::string path = std::string(PowerlineDirectory) + "/" + name;
        std::ifstream file;
        if (osgDB::fileType(path) != osgDB::DIRECTORY)
            file.open(path, std::ios::binary);
        if (!file) {
            osg::notify(osg::WARN) << "Wire coordinate file could not be opened" << std::endl;
            continue;
        }
        wires->addDrawable(WireTubeBuilder::build(*WireFileReader::read(file, offset, path)));
    }
    powerline.addChild(wires);
}

} // namespace osgKELVO
