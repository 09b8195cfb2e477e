#pragma once

#include <Maris/Containers.h>

namespace Maris {

// FFTW's record of measured plans, kept between runs in a per-user cache file, so that measured
// planning costs time only on the first start. Double and single precision are separate FFTW
// libraries with separate wisdom, each in a file of its own.
class FFTWisdom
{
public:
    enum Precision { Double, Single };

    // $XDG_CACHE_HOME/kelvoview/fftw-wisdom, else $HOME/.cache/kelvoview/fftw-wisdom, with
    // "fftwf-wisdom" for single precision; empty when neither variable is set.
    static String GetPath(Precision precision = Double);
    // Reads the cache once per process. True when measured plans can be kept: the file was read,
    // or it does not exist yet and its directory can be created. False when the file exists but
    // cannot be read, or there is nowhere to keep it.
    static bool Import(Precision precision = Double);
    // Writes FFTW's current wisdom to the cache (through a temporary file and a rename, so that
    // concurrent processes never see a half-written file). False when it cannot be written.
    static bool Export(Precision precision = Double);

    FFTWisdom() = delete;
};

} // namespace Maris
