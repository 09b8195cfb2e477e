#include "ArchiveReadCallback.h"

#include "ZipArchive.h"

#include <osg/Image>
#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace osgKELVO {

using Features = osgDB::ReaderWriter::Features;

namespace {

// Source is a stream or a file name: the readers have both overloads.
template <typename Source>
osgDB::ReaderWriter::ReadResult readWith(const osgDB::ReaderWriter& reader, Features kind, Source& source,
                                         const osgDB::Options* options)
{
    switch (kind) {
    case osgDB::ReaderWriter::FEATURE_READ_IMAGE: return reader.readImage(source, options);
    case osgDB::ReaderWriter::FEATURE_READ_HEIGHT_FIELD: return reader.readHeightField(source, options);
    case osgDB::ReaderWriter::FEATURE_READ_NODE: return reader.readNode(source, options);
    case osgDB::ReaderWriter::FEATURE_READ_SHADER: return reader.readShader(source, options);
    default: return reader.readObject(source, options);
    }
}

} // namespace

ArchiveReadCallback::ArchiveReadCallback(ZipArchive& archive, const std::string& modelDirectory,
                                         osgDB::ReadFileCallback* next)
    : archive(&archive), modelDirectory(modelDirectory), next(next)
{
}

ArchiveReadCallback::~ArchiveReadCallback()
{
    close();
}

void ArchiveReadCallback::close()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    archive = nullptr;
    if (!temporaryRoot.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryRoot, ignored);
        temporaryRoot.clear();
    }
}

std::string ArchiveReadCallback::failure() const
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return firstFailure;
}

std::string ArchiveReadCallback::normalize(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    std::string unified = path;
    for (char& c : unified)
        if (c == '\\')
            c = '/';
    std::istringstream stream(unified);
    while (std::getline(stream, part, '/')) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return std::string();
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const std::string& p : parts)
        result += (result.empty() ? "" : "/") + p;
    return result;
}

int ArchiveReadCallback::locate(const std::string& filename) const
{
    std::string name = filename;
    for (char& c : name)
        if (c == '\\')
            c = '/';
    // Readers of named files join their file's directory to the names it refers to.
    const std::string& root = temporaryRoot;
    if (!root.empty() && name.size() > root.size() && name.compare(0, root.size(), root) == 0 &&
        name[root.size()] == '/') {
        const std::string inside = normalize(name.substr(root.size() + 1));
        return inside.empty() ? -1 : archive->find(inside);
    }
    if (osgDB::isAbsolutePath(name))
        return -1;
    if (!modelDirectory.empty()) {
        const std::string beside = normalize(modelDirectory + "/" + name);
        const int index = beside.empty() ? -1 : archive->find(beside);
        if (index >= 0)
            return index;
    }
    const std::string fromTop = normalize(name);
    return fromTop.empty() ? -1 : archive->find(fromTop);
}

std::string ArchiveReadCallback::temporaryCopy(int index, const std::string& data)
{
    if (temporaryRoot.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-zip-XXXXXX").string();
        if (!::mkdtemp(&pattern[0]))
            return std::string();
        temporaryRoot = pattern;
    }
    // The name is the archive's to choose: resolved, so that ".." or an absolute name cannot place
    // the copy outside the temporary directory; one that leaves the archive's top is not copied.
    const std::string inside = normalize(archive->names()[index]);
    if (inside.empty())
        return std::string();
    const std::filesystem::path path = std::filesystem::path(temporaryRoot) / inside;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return out ? path.string() : std::string();
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readEntry(int index, const osgDB::Options* options,
                                                               Features kind)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    const std::string& name = archive->names()[index];
    std::string data, reason;
    if (!archive->read(index, data, reason)) {
        if (firstFailure.empty())
            firstFailure = reason;
        return ReadResult(reason);
    }
    osgDB::ReaderWriter* reader =
        osgDB::Registry::instance()->getReaderWriterForExtension(osgDB::getLowerCaseFileExtension(name));
    if (!reader)
        return ReadResult(ReadResult::FILE_NOT_HANDLED);

    std::istringstream in(data);
    ReadResult result = readWith(*reader, kind, in, options);
    if (result.status() == ReadResult::NOT_IMPLEMENTED || result.status() == ReadResult::FILE_NOT_HANDLED) {
        const std::string copy = temporaryCopy(index, data);
        if (copy.empty())
            return ReadResult("cannot write a temporary copy of entry " + name);
        result = readWith(*reader, kind, copy, options);
    }
    // An image keeps the name the model gave it, not a temporary one.
    if (osg::Image* image = result.getImage())
        image->setFileName(name);
    return result;
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::passOn(const std::string& filename,
                                                            const osgDB::Options* options, Features kind)
{
    osgDB::Registry* registry = osgDB::Registry::instance();
    switch (kind) {
    case osgDB::ReaderWriter::FEATURE_READ_IMAGE:
        return next ? next->readImage(filename, options) : registry->readImageImplementation(filename, options);
    case osgDB::ReaderWriter::FEATURE_READ_HEIGHT_FIELD:
        return next ? next->readHeightField(filename, options)
                    : registry->readHeightFieldImplementation(filename, options);
    case osgDB::ReaderWriter::FEATURE_READ_NODE:
        return next ? next->readNode(filename, options) : registry->readNodeImplementation(filename, options);
    case osgDB::ReaderWriter::FEATURE_READ_SHADER:
        return next ? next->readShader(filename, options) : registry->readShaderImplementation(filename, options);
    default:
        return next ? next->readObject(filename, options) : registry->readObjectImplementation(filename, options);
    }
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::read(const std::string& filename,
                                                          const osgDB::Options* options, Features kind)
{
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        if (archive) {
            const int index = locate(filename);
            if (index >= 0)
                return readEntry(index, options, kind);
        }
    }
    return passOn(filename, options, kind);
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readObject(const std::string& filename,
                                                                const osgDB::Options* options)
{
    return read(filename, options, osgDB::ReaderWriter::FEATURE_READ_OBJECT);
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readImage(const std::string& filename,
                                                               const osgDB::Options* options)
{
    return read(filename, options, osgDB::ReaderWriter::FEATURE_READ_IMAGE);
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readHeightField(const std::string& filename,
                                                                     const osgDB::Options* options)
{
    return read(filename, options, osgDB::ReaderWriter::FEATURE_READ_HEIGHT_FIELD);
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readNode(const std::string& filename,
                                                              const osgDB::Options* options)
{
    return read(filename, options, osgDB::ReaderWriter::FEATURE_READ_NODE);
}

ArchiveReadCallback::ReadResult ArchiveReadCallback::readShader(const std::string& filename,
                                                                const osgDB::Options* options)
{
    return read(filename, options, osgDB::ReaderWriter::FEATURE_READ_SHADER);
}

} // namespace osgKELVO
