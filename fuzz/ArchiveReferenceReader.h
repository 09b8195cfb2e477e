#pragma once

#include <osgDB/ReaderWriter>

namespace kelvofuzz {

// A model format for the archive fuzzer, so that archives hold models whose reading comes back
// to the archive for the files they name. A model is lines of "<kind> <name>", kind one of node,
// image, object, shader and heightfield; each name is read through the reading options, as real
// formats read their textures and sub-models. One reader takes streams ("kref"), the other only
// named files ("kfile"), which must then lie in the archive's temporary copy.
class ArchiveReferenceReader : public osgDB::ReaderWriter
{
public:
    ArchiveReferenceReader(const char* extension, bool readsStreams);

    const char* className() const override { return "Archive fuzzing reference model"; }

    ReadResult readNode(std::istream& in, const osgDB::Options* options) const override;
    ReadResult readNode(const std::string& fileName, const osgDB::Options* options) const override;
    ReadResult readObject(std::istream& in, const osgDB::Options* options) const override;
    ReadResult readObject(const std::string& fileName, const osgDB::Options* options) const override;
    ReadResult readImage(std::istream& in, const osgDB::Options* options) const override;
    ReadResult readImage(const std::string& fileName, const osgDB::Options* options) const override;
    ReadResult readShader(std::istream& in, const osgDB::Options* options) const override;
    ReadResult readShader(const std::string& fileName, const osgDB::Options* options) const override;

private:
    ReadResult readReferences(std::istream& in, const osgDB::Options* options) const;
    ReadResult readNamed(const std::string& fileName, const osgDB::Options* options) const;
    ReadResult readStream(std::istream& in, const osgDB::Options* options) const;

    bool readsStreams;
};

} // namespace kelvofuzz
