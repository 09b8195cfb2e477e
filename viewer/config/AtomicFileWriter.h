#pragma once

#include <string>

namespace osgKELVO {

// Replaces a file's contents so that a reader only ever sees the old file or the complete new one:
// the text goes to a temporary file in the same directory, is flushed to disk, and is renamed over
// the target. On any failure the target is left untouched and the temporary file is removed.
// Temporary files left by a writer that was killed are removed by the next write to the same path.
class AtomicFileWriter
{
public:
    static bool write(const std::string& path, const std::string& contents);
};

} // namespace osgKELVO
