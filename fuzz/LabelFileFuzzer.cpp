// Label files of the information points, built by the real builder in a runtime tree of its own:
// the input is the only label file, the font is the staged one, and the cache the builder writes
// is removed again so that every input is read from its label file.

#include "ScratchDirectory.h"

#include "content/infopoints/InfoPointsBuilder.h"

#include <osg/Billboard>
#include <osg/Group>
#include <osg/LOD>
#include <osg/Notify>
#include <osgDB/Registry>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

class SilentNotifyHandler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity, const char*) override {}
};

const kelvofuzz::ScratchDirectory& tree()
{
    static const kelvofuzz::ScratchDirectory scratch;
    return scratch;
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "label file: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    osg::setNotifyHandler(new SilentNotifyHandler);
    std::filesystem::create_directories(tree().file("Bin"));
    std::filesystem::create_directories(tree().file("Resources/Fonts"));
    std::filesystem::copy_file(KELVO_FUZZ_FONT, tree().file("Resources/Fonts/arial.ttf"));
    if (::chdir(tree().file("Bin").c_str()) != 0) {
        std::perror("label file: chdir");
        std::abort();
    }
    // As the viewer does: the font is read once and shared by all labels.
    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setObjectCacheHint(osgDB::Options::CACHE_ALL);
    osgDB::Registry::instance()->setOptions(options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tree().write("Content/InfoPoints/Fuzz.csv", data, size);
    const std::string cache = tree().file("Content/InfoPoints/InfoPoints.ive");

    osgKELVO::InfoPointsBuilder builder;
    osg::ref_ptr<osg::Node> infoPoints = builder.build();
    std::filesystem::remove(cache);

    check(infoPoints.valid(), "no information points from a label file");
    osg::Group* group = infoPoints->asGroup();
    check(group && group->getNumChildren() == 1, "not one level of detail for one label file");
    const osg::LOD* lod = dynamic_cast<const osg::LOD*>(group->getChild(0));
    check(lod && lod->getNumChildren() == 1, "the label file's level of detail holds no billboard");
    const osg::Billboard* billboard = dynamic_cast<const osg::Billboard*>(lod->getChild(0));
    check(billboard != nullptr, "the label file's labels are not on a billboard");
    const std::size_t lines = static_cast<std::size_t>(std::count(data, data + size, '\n'));
    check(billboard->getNumDrawables() <= lines, "more labels than complete lines");
    // Laying the texts out reaches the font with every label's characters and size.
    billboard->getBound();
    return 0;
}
