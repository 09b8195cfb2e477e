#pragma once

#include <osgGA/EventQueue>

#include <string>
#include <vector>

namespace osgKELVO {

// The files named on the command line ("KELVOview FILE..."), which open as if dropped on the
// window at the first frame. Relative names are made absolute against the directory the user
// started the program from, so this is read before the program moves into its Bin directory.
// Every argument is a file: the viewer takes no options, and one that names no model fails to
// load as a dropped file would.
class CommandLineFiles
{
public:
    CommandLineFiles(int argc, char** argv);

    // Queues them as one drop, in argument order; nothing when there were none.
    void post(osgGA::EventQueue& queue) const;

private:
    std::vector<std::string> paths;
};

} // namespace osgKELVO
