// maris-resources OUTPUT_DIRECTORY FACE_SIZE
// Writes the ocean library's generated resources: "Maris.config" and the six sky cube-map faces
// "posX.tga" to "negZ.tga", FACE_SIZE texels square.

#include "ConfigurationFileWriter.h"
#include "CubeMapFace.h"
#include "SkyModel.h"
#include "common/TGAWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

unsigned char toByte(double value)
{
    return static_cast<unsigned char>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

bool writeFace(const SkyModel& sky, CubeMapFace face, int size, const std::string& directory)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * size * 3);
    // A 2x2 supersample per texel keeps cloud edges and the sun's rim smooth.
    const double offsets[2] = {0.25, 0.75};
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            Color sum{0.0, 0.0, 0.0};
            for (double dt : offsets) {
                for (double ds : offsets) {
                    const Direction c = cubeMapDirection(face, (column + ds) / size, (row + dt) / size);
                    const Color color = sky.color(worldDirectionOfCubeMapDirection(c));
                    sum.r += color.r;
                    sum.g += color.g;
                    sum.b += color.b;
                }
            }
            unsigned char* texel = &rgb[(static_cast<std::size_t>(row) * size + column) * 3];
            texel[0] = toByte(sum.r / 4.0);
            texel[1] = toByte(sum.g / 4.0);
            texel[2] = toByte(sum.b / 4.0);
        }
    }
    return writeTGA(directory + "/" + faceFileName(face), size, size, rgb);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: maris-resources OUTPUT_DIRECTORY FACE_SIZE\n");
        return 2;
    }
    const std::string directory = argv[1];
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 4096) {
        std::fprintf(stderr, "maris-resources: face size must lie between 1 and 4096\n");
        return 2;
    }

    if (!writeConfigurationFile(directory + "/Maris.config")) {
        std::fprintf(stderr, "maris-resources: cannot write %s/Maris.config\n", directory.c_str());
        return 1;
    }
    const SkyModel sky;
    const CubeMapFace faces[] = {CubeMapFace::PositiveX, CubeMapFace::NegativeX,
                                 CubeMapFace::PositiveY, CubeMapFace::NegativeY,
                                 CubeMapFace::PositiveZ, CubeMapFace::NegativeZ};
    for (CubeMapFace face : faces) {
        if (!writeFace(sky, face, size, directory)) {
            std::fprintf(stderr, "maris-resources: cannot write %s/%s\n", directory.c_str(),
                         faceFileName(face));
            return 1;
        }
    }
    return 0;
}
