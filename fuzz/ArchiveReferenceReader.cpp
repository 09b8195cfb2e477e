#include "ArchiveReferenceReader.h"

#include <osg/Group>
#include <osg/Image>
#include <osg/Shader>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kelvofuzz {

namespace {

// Models that name each other could recurse without end; real formats do not guard that either.
thread_local int depth = 0;
const int deepest = 4;

struct Nesting
{
    Nesting() { ++depth; }
    ~Nesting() { --depth; }
};

// The archive loader copies entries for named-file readers below a "kelvo-zip-" directory of the
// temporary directory; an entry must never be written anywhere else.
void checkInsideTemporaryCopy(const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::weakly_canonical(fs::path(fileName), error);
    const fs::path temporary = fs::weakly_canonical(fs::temp_directory_path(), error);
    const fs::path relative = file.lexically_relative(temporary);
    const std::string first = relative.empty() ? std::string() : relative.begin()->string();
    if (first.compare(0, 10, "kelvo-zip-") != 0 || first == relative.string()) {
        std::fprintf(stderr, "archive: an entry was read from %s, outside the temporary copy\n",
                     fileName.c_str());
        std::abort();
    }
}

} // namespace

ArchiveReferenceReader::ArchiveReferenceReader(const char* extension, bool readsStreams)
    : readsStreams(readsStreams)
{
    supportsExtension(extension, "Archive fuzzing reference model");
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readStream(std::istream& in,
                                                                      const osgDB::Options* options) const
{
    if (!readsStreams)
        return ReadResult(ReadResult::NOT_IMPLEMENTED);
    return readReferences(in, options);
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readReferences(std::istream& in,
                                                                          const osgDB::Options* options) const
{
    osg::ref_ptr<osg::Group> group = new osg::Group;
    if (depth >= deepest)
        return group.get();
    Nesting nesting;
    std::string kind, name;
    while (in >> kind >> name) {
        if (kind == "node") {
            if (osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(name, options))
                group->addChild(node);
        } else if (kind == "image") {
            osgDB::readRefImageFile(name, options);
        } else if (kind == "object") {
            osgDB::readRefObjectFile(name, options);
        } else if (kind == "shader") {
            osgDB::readRefShaderFile(name, options);
        } else if (kind == "heightfield") {
            osgDB::readRefHeightFieldFile(name, options);
        }
    }
    return group.get();
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readNamed(const std::string& fileName,
                                                                     const osgDB::Options* options) const
{
    const std::string extension = osgDB::getLowerCaseFileExtension(fileName);
    if (!acceptsExtension(extension))
        return ReadResult(ReadResult::FILE_NOT_HANDLED);
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return ReadResult(ReadResult::FILE_NOT_FOUND);
    // No such model lies on disk but the copies the archive loader makes.
    checkInsideTemporaryCopy(fileName);
    return readReferences(in, options);
}

#define KELVOFUZZ_STREAM_READ(Operation)                                                                 \
    ArchiveReferenceReader::ReadResult ArchiveReferenceReader::Operation(std::istream& in,              \
                                                                         const osgDB::Options* options) \
        const                                                                                            \
    {                                                                                                    \
        return readStream(in, options);                                                                  \
    }

KELVOFUZZ_STREAM_READ(readNode)
KELVOFUZZ_STREAM_READ(readObject)
KELVOFUZZ_STREAM_READ(readImage)
KELVOFUZZ_STREAM_READ(readShader)

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readNode(const std::string& fileName,
                                                                    const osgDB::Options* options) const
{
    return readNamed(fileName, options);
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readObject(const std::string& fileName,
                                                                      const osgDB::Options* options) const
{
    return readNamed(fileName, options);
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readImage(const std::string& fileName,
                                                                     const osgDB::Options* options) const
{
    return readNamed(fileName, options);
}

ArchiveReferenceReader::ReadResult ArchiveReferenceReader::readShader(const std::string& fileName,
                                                                      const osgDB::Options* options) const
{
    return readNamed(fileName, options);
}

} // namespace kelvofuzz
