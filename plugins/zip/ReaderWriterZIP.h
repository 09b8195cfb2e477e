#pragma once

#include "NodeFileReaderWriter.h"

namespace osgKELVO {

// Loader for models packed in zip archives ("zip"): reads the archive's master model, with the
// files it refers to taken from the archive. Encrypted archives are opened with the password of
// the authentication map entry "ZipPlugin" (the reading options' map first, then the registry's).
// A failure reads nothing and says why in the result's message, which the library's read
// functions write as one warning ("Error reading file <archive>: read error (<reason>)").
class ReaderWriterZIP : public NodeFileReaderWriter
{
public:
    static const char* const PasswordKey;

    ReaderWriterZIP();

    const char* className() const override { return "KELVOview zip archive reader"; }

    // The password for archives read with these options, or an empty string.
    static std::string password(const osgDB::Options* options);

protected:
    ReadResult readFoundNode(const std::string& path,
                             const osgDB::Options* options) const override;

private:
    static bool isModelFile(const std::string& name);
};

} // namespace osgKELVO
