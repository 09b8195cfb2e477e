// configuration_save_loop PATH [COUNT]: saves variant 1, 0, 1, 0, ... of the sample configuration
// to PATH through the viewer's own writer until killed (or COUNT times), for the tests that kill a
// save. One byte on standard output says that the first save is about to begin.

#include "config/AtomicFileWriter.h"
#include "SampleConfiguration.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH [COUNT]\n", argv[0]);
        return 2;
    }
    const long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : -1;
    const std::string variants[2] = {kelvotest::sampleConfiguration(0),
                                     kelvotest::sampleConfiguration(1)};
    if (::write(1, "r", 1) != 1)
        return 3;
    for (long i = 0; count < 0 || i < count; ++i)
        if (!osgKELVO::AtomicFileWriter::write(argv[1], variants[(i + 1) % 2])) {
            std::perror("save failed");
            return 1;
        }
    return 0;
}
