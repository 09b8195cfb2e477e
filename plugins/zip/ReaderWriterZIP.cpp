#include "ReaderWriterZIP.h"

#include "ArchiveReadCallback.h"
#include "MasterModelChooser.h"
#include "ZipArchive.h"

#include <osgDB/AuthenticationMap>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>

#include <map>
#include <mutex>

namespace osgKELVO {

const char* const ReaderWriterZIP::PasswordKey = "ZipPlugin";

namespace {

std::string passwordIn(const osgDB::AuthenticationMap* map)
{
    const osgDB::AuthenticationDetails* details =
        map ? map->getAuthenticationDetails(ReaderWriterZIP::PasswordKey) : nullptr;
    return details ? details->password : std::string();
}

} // namespace

ReaderWriterZIP::ReaderWriterZIP()
{
    supportsExtension("zip", "Zip archive holding a model and the files it refers to");
}

std::string ReaderWriterZIP::password(const osgDB::Options* options)
{
    if (options && options->getAuthenticationMap() &&
        options->getAuthenticationMap()->getAuthenticationDetails(PasswordKey))
        return passwordIn(options->getAuthenticationMap());
    return passwordIn(osgDB::Registry::instance()->getAuthenticationMap());
}

bool ReaderWriterZIP::isModelFile(const std::string& name)
{
    // Asking the registry loads the plug-in for the extension; remember the answer per extension.
    static std::mutex mutex;
    static std::map<std::string, bool> known;
    const std::string extension = osgDB::getLowerCaseFileExtension(name);
    if (extension.empty())
        return false;
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = known.find(extension);
    if (found != known.end())
        return found->second;
    osgDB::ReaderWriter* reader = osgDB::Registry::instance()->getReaderWriterForExtension(extension);
    const bool readsNodes = reader && (reader->supportedFeatures() & FEATURE_READ_NODE) != 0;
    known[extension] = readsNodes;
    return readsNodes;
}

osgDB::ReaderWriter::ReadResult ReaderWriterZIP::readFoundNode(const std::string& path,
                                                               const osgDB::Options* options) const
{
    ZipArchive archive;
    std::string reason;
    if (!archive.open(path, reason))
        return ReadResult(reason);
    archive.setPassword(password(options));
    if (!archive.checkPassword(reason))
        return ReadResult(reason);

    const int master = MasterModelChooser::choose(archive.names(), &ReaderWriterZIP::isModelFile);
    if (master < 0)
        return ReadResult("it holds no model file");
    const std::string& masterName = archive.names()[master];

    osg::ref_ptr<osgDB::Options> local = options ? options->cloneOptions() : new osgDB::Options;
    osg::ref_ptr<ArchiveReadCallback> callback = new ArchiveReadCallback(
        archive, osgDB::getFilePath(masterName), local->getReadFileCallback());
    local->setReadFileCallback(callback);
    // Names the archive does not hold are looked for beside the archive on disk.
    local->getDatabasePathList().push_front(osgDB::getFilePath(path));

    ReadResult result = callback->readEntry(master, local, FEATURE_READ_NODE);
    const std::string entryFailure = callback->failure();
    callback->close();

    if (!entryFailure.empty())
        return ReadResult(entryFailure);
    if (!result.validNode())
        return ReadResult("its model " + masterName + " cannot be read" +
                          (result.message().empty() ? std::string() : " (" + result.message() + ")"));
    return result;
}

REGISTER_OSGPLUGIN(zip, ReaderWriterZIP)

} // namespace osgKELVO
