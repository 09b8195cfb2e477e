#pragma once

#include <osgDB/Callbacks>

#include <memory>
#include <mutex>
#include <string>

namespace osgKELVO {

class ZipArchive;

// Serves the files a model in a zip archive refers to (textures, sub-models, shaders) from the
// archive while it is read. A name is looked for beside the model inside the archive, then from
// the archive's top; names the archive does not hold go on to the next callback or the registry,
// whose search path then has the archive's directory on disk. The first entry that fails to read
// (wrong password, damage) is recorded, so that the whole archive can be refused rather than
// shown in part.
class ArchiveReadCallback : public osgDB::ReadFileCallback
{
public:
    using ReadResult = osgDB::ReaderWriter::ReadResult;

    ArchiveReadCallback(ZipArchive& archive, const std::string& modelDirectory,
                        osgDB::ReadFileCallback* next);

    ReadResult readObject(const std::string& filename, const osgDB::Options* options) override;
    ReadResult readImage(const std::string& filename, const osgDB::Options* options) override;
    ReadResult readHeightField(const std::string& filename, const osgDB::Options* options) override;
    ReadResult readNode(const std::string& filename, const osgDB::Options* options) override;
    ReadResult readShader(const std::string& filename, const osgDB::Options* options) override;

    // Reads one entry with the reader for its extension, from memory or, for readers that only
    // read named files, from a temporary copy laid out as in the archive.
    ReadResult readEntry(int index, const osgDB::Options* options, osgDB::ReaderWriter::Features kind);

    // The archive is closed after the model is read; later requests go straight on.
    void close();
    std::string failure() const;

    // The entry a referenced name stands for, or -1.
    int locate(const std::string& filename) const;

    // Resolves "." and ".." and unifies separators; an empty result when ".." leaves the root.
    static std::string normalize(const std::string& path);

protected:
    ~ArchiveReadCallback() override;

private:
    ReadResult read(const std::string& filename, const osgDB::Options* options,
                    osgDB::ReaderWriter::Features kind);
    ReadResult passOn(const std::string& filename, const osgDB::Options* options,
                      osgDB::ReaderWriter::Features kind);
    std::string temporaryCopy(int index, const std::string& data);

    ZipArchive* archive;
    std::string modelDirectory;
    osg::ref_ptr<osgDB::ReadFileCallback> next;
    std::string temporaryRoot;
    std::string firstFailure;
    mutable std::recursive_mutex mutex;
};

} // namespace osgKELVO
