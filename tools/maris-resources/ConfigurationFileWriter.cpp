#include "ConfigurationFileWriter.h"

#include <fstream>

namespace {

struct Setting
{
    const char* key;
    const char* value;
    const char* comment;
};

// Values are the ones the library uses when a key is absent; lengths in metres.
const Setting settings[] = {
    {"enable-debug-messages", "true", "Report warnings and errors on standard error."},
    {"enable-debug-alert-messages", "false", "Also raise every message as an alert."},
    {"shader-filename-prefix", "", "Text put in front of every shader file name (none)."},
    {"default-fog-color-above-r", "0", "Fog colour above the water, red (0 to 1)."},
    {"default-fog-color-above-g", "0", "Fog colour above the water, green."},
    {"default-fog-color-above-b", "0", "Fog colour above the water, blue."},
    {"default-fog-color-below-r", "0", "Fog colour under the water, red (0 to 1)."},
    {"default-fog-color-below-g", "0", "Fog colour under the water, green."},
    {"default-fog-color-below-b", "0", "Fog colour under the water, blue."},
    {"default-visibility-above", "1e9", "Visibility above the water in metres."},
    {"default-visibility-below", "100", "Visibility under the water in metres."},
    {"default-grid-resolution", "512", "Vertices per side of the projected sea grid."},
    {"wake-kelvin-wakes", "true", "Draw the V-shaped Kelvin wakes behind moving sources."},
    {"wake-propeller-backwash", "false", "Draw the propeller wash behind moving sources."},
    {"max-wake-waves-opengl", "25", "Most wake waves handed to the sea shader at once."},
    {"fft-displacement-damping-distance", "1000",
     "Distance in metres over which FFT wave displacement fades out."},
    {"grid-anti-aliasing", "1.0", "Anti-aliasing factor of the sea grid."},
    {"grid-planar-height", "100", "Camera height in metres below which the sea is treated as flat."},
    {"planar-adjust", "10", "Height adjustment of the flat sea approximation in metres."},
    {"max-allowable-displacement", "1.5", "Largest screen-space stretch of the grid for the waves."},
    {"equatorial-earth-radius-meters", "6378137.0", "Equatorial radius of the earth ellipsoid."},
    {"polar-earth-radius-meters", "6356752.3142", "Polar radius of the earth ellipsoid."},
    {"mean-earth-radius-meters", "6371009.0", "Radius of the spherical earth."},
    {"refract-color-red", "0.0", "Colour of light coming up from the water body, red."},
    {"refract-color-green", "0.2", "Colour of light coming up from the water body, green."},
    {"refract-color-blue", "0.3", "Colour of light coming up from the water body, blue."},
    {"shininess", "5.0", "Specular exponent of the sun on the water."},
    {"foam-scale", "16", "Size of the foam texture on the water in metres."},
    {"foam-blend", "0.5", "How strongly foam covers the water colour."},
    {"wake-wave-scale", "0.2",
     "Height scale of wake rings."},
    {"wake-fade-in-time", "0.5",
     "Seconds over which a new wake ring rises to its height."},
    {"wake-wave-generation-period", "5.0",
     "Seconds between the wake rings of one moving source."},
    {"wake-spray-generation-period", "1.0",
     "Seconds between the bow spray bursts of one moving source."},
    {"wake-max-sprays", "10",
     "Particle systems kept for wake spray, reused in turn."},
    {"wake-spray-particles", "10",
     "Particles in each wake spray burst."},
    {"wake-spray-particle-size", "5.0",
     "Size of a wake spray particle in metres."},
    {"wake-spray-size-variation", "0.2",
     "Random variation of wake spray size, as a fraction."},
    {"wake-spray-position-variation", "2.0",
     "Random spread of wake spray in metres."},
    {"wake-spray-velocity-variation", "0.2",
     "Random variation of wake spray speed, as a fraction."},
    {"wake-spray-direction-variation", "0.2",
     "Random variation of wake spray direction."},
    {"wake-spray-transparency", "0.5",
     "Opacity of wake spray."},
    {"wake-wash-length", "1000",
     "Length in metres of the propeller wash behind a moving source."},
    {"fft-enable-spray", "false",
     "Throw spray where FFT waves break."},
    {"fft-max-sprays", "10000",
     "Particles kept for breaking-wave spray."},
    {"fft-spray-direction-variance", "0.2",
     "Random variation of breaking-wave spray direction."},
    {"fft-spray-velocity", "0.7",
     "Breaking-wave spray speed per unit of wind speed."},
    {"fft-spray-velocity-variance", "0.5",
     "Random variation of breaking-wave spray speed."},
    {"fft-spray-position-variance", "0.2",
     "Random spread of breaking-wave spray in metres."},
    {"fft-spray-particle-size", "1.3",
     "Size of a breaking-wave spray particle in metres."},
    {"fft-spray-particle-size-variance", "0.3",
     "Random variation of that size in metres."},
    {"fft-spray-position-lead", "0.5",
     "Metres ahead of the breaking point where spray starts."},
    {"fft-spray-transparency", "1.0",
     "Opacity of breaking-wave spray."},
    {"fft-spray-sparsity", "4",
     "Only one breaking point in this many throws spray."},
    {"fft-spray-origin-depth", "0.8",
     "Metres below the surface where spray starts."},
    {"fft-spray-gravity", "9.81",
     "Gravity on spray in metres per second squared."},
    {"fft-spray-cull-distance", "1000",
     "Metres from the camera beyond which no spray is thrown."},
    {"particles-pure-additive-blend", "false", "Blend spray particles purely additively."},
    {"spray-force-point-sprites", "false", "Draw spray as point sprites even where avoidable."},
    {"fft-choppiness", "0.2",
     "How far FFT waves lean their crests sideways (choppy displacement factor)."},
    {"fft-depth", "1000", "Water depth in metres used by the wave dispersion."},
    {"fft-grid-dimension-x", "128", "FFT samples per patch along the rows (a power of two)."},
    {"fft-grid-dimension-y", "128", "FFT samples per patch along the columns (a power of two)."},
    {"fft-grid-size-x", "1024", "Width of one FFT wave patch in metres."},
    {"fft-grid-size-y", "1024", "Depth of one FFT wave patch in metres."},
    {"fft-phillips-constant", "0.008", "Amplitude constant of the Phillips spectrum."},
    {"fft-phillips-constant-pierson-moskowitz", "8.1e-6",
     "Alpha of the Pierson-Moskowitz spectrum."},
    {"fft-phillips-constant-jonswap", "7.6e-5",
     "Alpha factor of the JONSWAP spectrum (scaled by the fetch)."},
    {"fft-reflection-filter", "0.4", "Phillips factor for waves running against the wind."},
    {"fft-enable-choppiness", "true",
     "Compute the horizontal (choppy) displacement of the FFT waves."},
    {"fft-exact-normals", "true",
     "Transform the slopes exactly instead of differencing the heights."},
    {"fft-height-max-chop", "1.0", "Read for compatibility; the FFT model does not use it."},
    {"swell-height-multiplier", "1.0", "Scale of swell heights written into the FFT spectrum."},
    {"do-foam", "true",
     "Compute foam where the choppy surface folds (with fft-exact-normals off)."},
    {"fft-noise-amplitude", "0.05",
     "Amplitude of the small-scale noise on FFT water at 10 m/s wind."},
    {"fft-noise-distance", "500", "Distance in metres at which the small-scale noise fades in."},
    {"fft-lod-bias", "0.8", "Mipmap bias of the FFT slope and foam texture."},
    {"fft-use-sqrt-approximation", "true",
     "Take spectrum square roots by the fast bit approximation."},
    {"fft-spray-threshold", "1.0", "Foam value above which an FFT cell throws spray."},
    {"fft-force-cpu", "false",
     "Always use the built-in CPU FFT engine; never load an engine library."},
    {"fft-measure-plans", "true",
     "Measure FFTW plans once (cached per user) for faster frames."},
    {"fft-enable-multi-gpu", "false", "Let the CUDA engine use several GPUs."},
    {"disable-ipp", "false", "Never use the IPP engine library."},
    {"disable-opencl", "false", "Never use the OpenCL engine library."},
    {"disable-cuda", "false", "Never use the CUDA engine library."},
    {"disable-compute-shader", "false", "Never use the compute-shader engine library."},
};

} // namespace

bool writeConfigurationFile(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    out << "# Maris ocean settings. Every line below holds the built-in default; edit a value to\n"
           "# change it, or delete the line to fall back to the default. Lines starting with # are\n"
           "# comments; blanks are ignored everywhere.\n";
    for (const Setting& setting : settings) {
        out << "\n# " << setting.comment << "\n";
        out << setting.key << " = " << setting.value << "\n";
    }
    return static_cast<bool>(out);
}
