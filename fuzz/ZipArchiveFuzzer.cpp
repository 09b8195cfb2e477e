// Bytes read as a zip archive by the real loader plug-in through the registry, with the registered
// password. The archives hold models of a fuzzing format whose reading asks the archive for the
// files they name, so entries are located, read, decrypted and copied as for real models; nested
// archives are read the same way. No other model format is loaded.

#include "ArchiveReferenceReader.h"
#include "ScratchDirectory.h"

#include "ReaderWriterZIP.h"

#include <osg/Notify>
#include <osgDB/AuthenticationMap>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <cstdint>

namespace {

class SilentNotifyHandler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity, const char*) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    osg::setNotifyHandler(new SilentNotifyHandler);
    osgDB::Registry* registry = osgDB::Registry::instance();
    // Only the readers linked here: the system's model plug-ins are not what is fuzzed.
    registry->setLibraryFilePathList("");
    registry->addReaderWriter(new kelvofuzz::ArchiveReferenceReader("kref", true));
    registry->addReaderWriter(new kelvofuzz::ArchiveReferenceReader("kfile", false));
    osg::ref_ptr<osgDB::AuthenticationMap> map = new osgDB::AuthenticationMap;
    map->addAuthenticationDetails(osgKELVO::ReaderWriterZIP::PasswordKey,
                                  new osgDB::AuthenticationDetails("", "harbor42"));
    registry->setAuthenticationMap(map);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kelvofuzz::ScratchDirectory scratch;
    const std::string archive = scratch.write("archive.zip", data, size);
    osgDB::readRefNodeFile(archive);
    return 0;
}
