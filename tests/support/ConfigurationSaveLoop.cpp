// Saves configuration files through the viewer's own writer, over and over, until it is killed
// (or a given number of times). Used by the fault tests to be killed in the middle of a save.
//
//   configuration_save_loop PATH [COUNT]
//
// Writes variant 1, 0, 1, 0, ... of the sample configuration to PATH. One byte on standard output
// says that the first save is about to start.

#include "config/AtomicFileWriter.h"
#include "SampleConfiguration.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH [COUNT]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : -1;
    const std::string variants[2] = {kelvotest::sampleConfiguration(0), kelvotest::sampleConfiguration(1)};

    const char ready = 'r';
    if (::write(1, &ready, 1) != 1)
        return 3;
    for (long i = 0; count < 0 || i < count; ++i) {
        if (!osgKELVO::AtomicFileWriter::write(path, variants[(i + 1) % 2])) {
            std::perror("save failed");
            return 1;
        }
    }
    return 0;
}
