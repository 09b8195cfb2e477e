#pragma once

#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/ReaderWriter>

namespace osgKELVO {

// A reader of models from named files. The registry asks every loaded reader in turn: a name with
// an extension the reader does not list, or one not found along the data paths, is left to the
// others. Objects are read as nodes.
class NodeFileReaderWriter : public osgDB::ReaderWriter
{
public:
    ReadResult readNode(const std::string& fileName, const osgDB::Options* options) const override
    {
        if (!acceptsExtension(osgDB::getLowerCaseFileExtension(fileName)))
            return ReadResult(ReadResult::FILE_NOT_HANDLED);
        const std::string path = osgDB::findDataFile(fileName, options);
        if (path.empty())
            return ReadResult(ReadResult::FILE_NOT_FOUND);
        return readFoundNode(path, options);
    }
    ReadResult readObject(const std::string& fileName,
                          const osgDB::Options* options) const override
    {
        return readNode(fileName, options);
    }

protected:
    virtual ReadResult readFoundNode(const std::string& path,
                                     const osgDB::Options* options) const = 0;
};

} // namespace osgKELVO
