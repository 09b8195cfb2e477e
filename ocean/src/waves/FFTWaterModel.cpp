#include "waves/FFTWaterModel.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "fft/FFT.h"
#include "fft/FFTCPU.h"
#include "fft/FFTCPUSingle.h"
#include "fft/FFTIPP.h"
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "core/SeaFrame.h"
#include <Maris/RandomNumberGenerator.h>
#include "waves/SpectrumMath.h"
#include "waves/WaveSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

// Promises the compiler that the next loop's arrays never overlap, so that it vectorises without a
// run-time overlap check.
// The vectorised loops also get an AVX2 clone, chosen at run time where the CPU has it (GCC; Clang
// does not clone templates).
#if defined(__clang__)
#define MARIS_NO_ALIASING_IN_NEXT_LOOP _Pragma("clang loop vectorize(assume_safety)")
#define MARIS_VECTOR_CLONES
#else
#define MARIS_NO_ALIASING_IN_NEXT_LOOP _Pragma("GCC ivdep")
#define MARIS_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif

namespace Maris {

namespace {

const float twoPi = 6.2831855f;

template <typename T>
T* AllocateArray(std::size_t count)
{
    void* block = AllocateMemory(count * sizeof(T));
    if (block)
        std::memset(block, 0, count * sizeof(T));
    return static_cast<T*>(block);
}

template <typename Engine>
Engine* NewEngine()
{
    void* block = AllocateMemory(sizeof(Engine));
    return block ? new (block) Engine() : nullptr;
}

inline int Wrap(int index, int count)
{
    index %= count;
    return index < 0 ? index + count : index;
}

inline double WrapInto(double value, double extent)
{
    if (extent <= 0.0)
        return 0.0;
    value = std::fmod(value, extent);
    return value < 0.0 ? value + extent : value;
}

struct EvolutionArrays
{
    const float* terms;
    std::size_t plane;
    const std::uint32_t* omegaIndex;
    const float* columnKx;
    const float* rowKy;
    const float* rotorCos;
    const float* rotorSin;
    float* rowRotor;
    Complex* height;
    Complex* slopeX;
    Complex* slopeY;
    Complex* displacementX;
    Complex* displacementY;
};

using EvolveRows = void (*)(const EvolutionArrays&, int rows, int width);

// h(k, t) = h0(k) e^{iωt} + conj(h0(-k)) e^{-iωt}, with i k̂ h (choppy displacement) and i k h
// (exact slopes) beside it; one variant per pair of switches keeps the inner loop branch-free,
// and each row's rotors are gathered first so that the arithmetic runs on contiguous arrays.
template <bool choppy, bool exact>
MARIS_VECTOR_CLONES void EvolveRowsOf(const EvolutionArrays& a,
                                                                    int rows, int width)
{
    float* __restrict rowCos = a.rowRotor;
    float* __restrict rowSin = a.rowRotor + width;
    const float* __restrict kx = a.columnKx;
    for (int r = 0; r < rows; ++r) {
        const std::size_t start = static_cast<std::size_t>(r) * width;
        const std::uint32_t* __restrict index = a.omegaIndex + start;
        MARIS_NO_ALIASING_IN_NEXT_LOOP
        for (int q = 0; q < width; ++q) {
            rowCos[q] = a.rotorCos[index[q]];
            rowSin[q] = a.rotorSin[index[q]];
        }
        const float* __restrict sumRe = a.terms + start;
        const float* __restrict differenceIm = sumRe + a.plane;
        const float* __restrict sumIm = differenceIm + a.plane;
        const float* __restrict differenceRe = sumIm + a.plane;
        const float* __restrict inverseLength = differenceRe + a.plane;
        const float ky = a.rowKy[r];
        float* __restrict height = reinterpret_cast<float*>(a.height + start);
        float* __restrict slopeX = reinterpret_cast<float*>(a.slopeX + start);
        float* __restrict slopeY = reinterpret_cast<float*>(a.slopeY + start);
        float* __restrict displacementX = reinterpret_cast<float*>(a.displacementX + start);
        float* __restrict displacementY = reinterpret_cast<float*>(a.displacementY + start);
        MARIS_NO_ALIASING_IN_NEXT_LOOP
        for (int q = 0; q < width; ++q) {
            const float re = sumRe[q] * rowCos[q] - differenceIm[q] * rowSin[q];
            const float im = sumIm[q] * rowCos[q] + differenceRe[q] * rowSin[q];
            height[2 * q] = re;
            height[2 * q + 1] = im;
            if (choppy) {
                const float scale = inverseLength[q];
                const float unitX = kx[q] * scale;
                const float unitY = ky * scale;
                displacementX[2 * q] = -unitX * im;
                displacementX[2 * q + 1] = unitX * re;
                displacementY[2 * q] = -unitY * im;
                displacementY[2 * q + 1] = unitY * re;
            }
            if (exact) {
                slopeX[2 * q] = -kx[q] * im;
                slopeX[2 * q + 1] = kx[q] * re;
                slopeY[2 * q] = -ky * im;
                slopeY[2 * q + 1] = ky * re;
            }
        }
    }
}

// e^{iωt} for each ω. The phase is reduced in double, so that long running times keep their
// accuracy, to x + nπ with |x| <= π/2: sin and cos of x are polynomials, times (-1)^n. No branch
// and no call, so that the loop vectorises.
MARIS_VECTOR_CLONES void Rotors(
    const float* __restrict omega, std::size_t count, double t, float* __restrict cosines,
    float* __restrict sines)
{
    const double pi = 3.141592653589793;
    const double whole = 6755399441055744.0; // 1.5 · 2^52: adding it rounds to a whole number
    for (std::size_t u = 0; u < count; ++u) {
        const double phase = static_cast<double>(omega[u]) * t;
        const double halfTurns = (phase * (1.0 / pi) + whole) - whole;
        const double parity = halfTurns * 0.5 - ((halfTurns * 0.5 + whole) - whole); // 0, ±½
        const float sign = static_cast<float>(1.0 - 4.0 * std::fabs(parity));
        const float x = static_cast<float>(phase - halfTurns * pi);
        const float x2 = x * x;
        sines[u] = sign * x *
                   (1.0f + x2 * (-1.0f / 6 + x2 * (1.0f / 120 + x2 * (-1.0f / 5040 +
                    x2 * (1.0f / 362880 - x2 * (1.0f / 39916800))))));
        cosines[u] = sign * (1.0f + x2 * (-0.5f + x2 * (1.0f / 24 + x2 * (-1.0f / 720 +
                             x2 * (1.0f / 40320 + x2 * (-1.0f / 3628800 +
                             x2 * (1.0f / 479001600)))))));
    }
}

// Three scaled fields into one buffer of three floats a cell.
MARIS_VECTOR_CLONES void Interleave(
    const float* __restrict a, float scaleA, const float* __restrict b, float scaleB,
    const float* __restrict c, float scaleC, float* __restrict target, std::size_t cells)
{
    for (std::size_t cell = 0; cell < cells; ++cell) {
        target[3 * cell] = scaleA * a[cell];
        target[3 * cell + 1] = scaleB * b[cell];
        target[3 * cell + 2] = scaleC * c[cell];
    }
}

// Halves of the evolution and of the interleaving, for the helper thread.
struct EvolveJob
{
    EvolveRows evolve;
    EvolutionArrays arrays;
    int rows;
    int width;
};

void RunEvolveJob(void* job)
{
    const EvolveJob& j = *static_cast<const EvolveJob*>(job);
    j.evolve(j.arrays, j.rows, j.width);
}

struct InterleaveJob
{
    const float* a;
    float scaleA;
    const float* b;
    float scaleB;
    const float* c;
    float scaleC;
    float* target;
    std::size_t cells;
};

void RunInterleaveJob(void* job)
{
    const InterleaveJob& j = *static_cast<const InterleaveJob*>(job);
    Interleave(j.a, j.scaleA, j.b, j.scaleB, j.c, j.scaleC, j.target, j.cells);
}

struct TransformJob
{
    FFT* engine;
    Complex* const* inputs;
    float* const* outputs;
    bool done;
};

void RunTransformJob(void* job)
{
    TransformJob& j = *static_cast<TransformJob*>(job);
    j.done = j.engine->InverseTransform2D(j.inputs, j.outputs, 1);
}

// Below this many cells a second thread's hand-over costs more than the half it takes.
const std::size_t SplitCells = 512u * 512u;

} // namespace

FFTWaterModel::FFTWaterModel(Environment* env, int type)
    : WaterModel(env), spectrumType(type), effectiveSpectrumType(type), nx(128), ny(128),
      lx(1024.0f), ly(1024.0f), phillipsConstant(0.008f), piersonMoskowitzConstant(8.1e-6f),
      jonswapConstant(7.6e-5f), reflectionFilter(0.4f), choppinessEnabled(true),
      exactNormals(true), heightMaxChop(1.0f), swellHeightMultiplier(1.0f), foamEnabled(true),
      noiseAmplitude(0.05f), currentNoiseAmplitude(0.0f), noiseDistance(500.0f),
      dampingDistance(1000.0f), lodBias(0.8f), spectrumDirty(true), omnidirectional(false),
      cachedDepth(-1.0f), cachedShore(-1.0f), cachedLoopPeriod(-1.0f), cachedWindSpeed(-1.0f),
      cachedWindDirection(-1.0f), cachedFetch(-1.0f), lastTime(0.0), lastTimeStep(0.0),
      time(0.0), spectrumChanged(false), flagForEngine(false), engine(nullptr), transformCount(0),
      spectrumWidth(0), naturalOrder(false), evolutionStale(true), displacement(nullptr),
      slopeFoam(nullptr), h0(nullptr),
      dispersionScratch(nullptr), gaussians(nullptr), kVectors(nullptr), spectrumTable(nullptr),
      frequency{}, spatial{}, heightMap(nullptr), heightMapWidth(0), heightMapHeight(0)
{
    if (!env)
        Message("Null environment passed into the FFTWaterModel constructor.");
    const double metersPerUnit = env ? env->GetMetersPerUnit() : 1.0;
    const float squaredUnits = static_cast<float>(metersPerUnit * metersPerUnit);

    nx = Configuration::Get(ConfigKey::FFTGridDimensionX);
    ny = Configuration::Get(ConfigKey::FFTGridDimensionY);
    lx = Configuration::Get(ConfigKey::FFTGridSizeX);
    ly = Configuration::Get(ConfigKey::FFTGridSizeY);
    lx = static_cast<float>(lx / metersPerUnit);
    ly = static_cast<float>(ly / metersPerUnit);
    phillipsConstant = Configuration::Get(ConfigKey::FFTPhillipsConstant);
    piersonMoskowitzConstant = Configuration::Get(ConfigKey::FFTPhillipsConstantPiersonMoskowitz);
    jonswapConstant = Configuration::Get(ConfigKey::FFTPhillipsConstantJonswap);
    phillipsConstant *= squaredUnits;
    piersonMoskowitzConstant *= squaredUnits;
    jonswapConstant *= squaredUnits;
    reflectionFilter = Configuration::Get(ConfigKey::FFTReflectionFilter);
    choppinessEnabled = Configuration::Get(ConfigKey::FFTEnableChoppiness);
    exactNormals = Configuration::Get(ConfigKey::FFTExactNormals);
    heightMaxChop = Configuration::Get(ConfigKey::FFTHeightMaxChop);
    swellHeightMultiplier = Configuration::Get(ConfigKey::SwellHeightMultiplier);
    foamEnabled = Configuration::Get(ConfigKey::DoFoam);
    noiseAmplitude = Configuration::Get(ConfigKey::FFTNoiseAmplitude);
    noiseAmplitude = static_cast<float>(noiseAmplitude * metersPerUnit);
    noiseDistance = Configuration::Get(ConfigKey::FFTNoiseDistance);
    noiseDistance = static_cast<float>(noiseDistance / metersPerUnit);
    dampingDistance =
        static_cast<float>(Configuration::Get(ConfigKey::FFTDisplacementDampingDistance));
    dampingDistance = static_cast<float>(dampingDistance / metersPerUnit);
    lodBias = Configuration::Get(ConfigKey::FFTLODBias);
    SpectrumMath::SetSqrtApproximation(Configuration::Get(ConfigKey::FFTUseSqrtApproximation));

    if (nx > 0 && ny > 0) {
        const std::size_t cells = static_cast<std::size_t>(nx) * ny;
        displacement = AllocateArray<float>(cells * 3);
        slopeFoam = AllocateArray<float>(cells * 3);
    }
}

FFTWaterModel::~FFTWaterModel()
{
    delete engine;
    FreeArrays();
    FreeMemory(displacement);
    FreeMemory(slopeFoam);
    FreeMemory(heightMap);
}

void FFTWaterModel::FreeArrays()
{
    FreeMemory(h0);
    FreeMemory(dispersionScratch);
    FreeMemory(gaussians);
    FreeMemory(kVectors);
    FreeMemory(spectrumTable);
    for (Complex*& spectrum : frequency) {
        FreeMemory(spectrum);
        spectrum = nullptr;
    }
    for (float*& field : spatial) {
        FreeMemory(field);
        field = nullptr;
    }
    h0 = dispersionScratch = nullptr;
    gaussians = nullptr;
    kVectors = nullptr;
    spectrumTable = nullptr;
}

bool FFTWaterModel::RunsOnGPU() const
{
    return engine && engine->RunsOnGPU();
}

const char* FFTWaterModel::GetFFTName() const
{
    return engine ? engine->GetName() : "No FFT found";
}

bool FFTWaterModel::Initialize(std::uint32_t grid, std::uint32_t patch, bool engineFlag)
{
    flagForEngine = engineFlag;
    if (nx < 2 || ny < 2 || !displacement || !slopeFoam) {
        Message("Failed to allocate memory for FFTWaterModel's buffers.");
        return false;
    }
    transformCount = 1;
    if (choppinessEnabled)
        transformCount = 3;
    if (exactNormals)
        transformCount += 2;

    delete engine;
    engine = FFT::Create(environment);
    if (!engine)
        return false;
    // Every engine gets the contiguous dimension (the ny columns) first, so that the transforms
    // line up with the row-major arrays of nx rows, also on unequal grids.
    const std::uint32_t width = static_cast<std::uint32_t>(ny);
    const std::uint32_t height = static_cast<std::uint32_t>(nx);
    if (!engine->Setup(width, height, transformCount, environment, flagForEngine)) {
        Message("FFT::Setup failed; falling back to the IPP implementation.");
        delete engine;
        FFTIPP* ipp = NewEngine<FFTIPP>();
        engine = ipp;
        bool ready = false;
        if (ipp) {
            ipp->SetEnvironment(environment);
            ready = ipp->LoadDLL(environment ? environment->GetResourceLoader() : nullptr) &&
                    ipp->Setup(width, height, transformCount, environment, flagForEngine);
        }
        if (!ready) {
            Message("IPP setup also failed (did you move Maris's DLL out of the resources folder "
                    "or are you using DLL's from a different version of Maris?) Falling back to "
                    "the CPU FFT.");
            delete engine;
            engine = FFT::CreateCPU();
            if (engine)
                engine->SetEnvironment(environment);
            if (!engine ||
                !engine->Setup(width, height, transformCount, environment, flagForEngine)) {
                Message("The CPU FFT failed to set up, there's nothing more we can do.");
                delete engine;
                engine = nullptr;
                return false;
            }
        }
    }

    // The evolution keeps h(-k) = conj(h(k)) exactly off the Nyquist lines (same ω, mirrored
    // amplitudes), which spares the CPU engine most of its symmetrizing.
    if (FFTCPU* cpu = dynamic_cast<FFTCPU*>(engine))
        cpu->SetHermitianOffNyquist(true);
    FFTCPUSingle* single = dynamic_cast<FFTCPUSingle*>(engine);
    naturalOrder = single != nullptr;

    FreeArrays();
    spectrumWidth = engine->UsesHalfSpectrum() ? ny / 2 + 1 : ny;
    const std::size_t tableCells = static_cast<std::size_t>(nx + 1) * (ny + 1);
    const std::size_t cells = static_cast<std::size_t>(nx) * ny;
    h0 = AllocateArray<Complex>(tableCells);
    if (!h0) {
        Message("Failed to allocate the H0 array.");
        return false;
    }
    dispersionScratch = AllocateArray<Complex>(tableCells);
    if (!dispersionScratch) {
        Message("Failed to allocate the T0 array.");
        return false;
    }
    if (!engine->RunsOnGPU()) {
        sprayPositions.clear();
        sprayPositions.reserve(cells);
        for (int n = 0; n < 5; ++n) {
            frequency[n] = AllocateArray<Complex>(static_cast<std::size_t>(nx) * spectrumWidth);
            if (n < 3)
                spatial[n] = AllocateArray<float>(cells);
            if (!frequency[n] || (n < 3 && !spatial[n])) {
                Message("Failed to allocate memory for FFTWaterModel's buffers.");
                return false;
            }
        }
        float* const outputs[5] = {spatial[0], spatial[1], spatial[2], spatial[1], spatial[2]};
        if (single && !single->Prepare(frequency, outputs, 5))
            return false;
        // Measuring leaves its trials in buffers that some settings never transform into.
        for (float* field : spatial)
            std::memset(field, 0, cells * sizeof(float));
    }
    gaussians = AllocateArray<float>(tableCells * 2);
    if (!gaussians) {
        Message("Failed to allocate Gaussians");
        return false;
    }
    DrawGaussians();
    kVectors = AllocateArray<FFTKVector>(cells);
    if (!kVectors) {
        Message("Failed to allocate kVectors");
        return false;
    }
    BuildKVectors();
    spectrumTable = AllocateArray<FFTSpectrumEntry>(tableCells);
    if (!spectrumTable) {
        Message("Failed to allocate kVectors");
        return false;
    }
    BuildSpectrumTable();

    gridShader = grid;
    patchShader = patch;
    maxAmplitude = 10.0 / (environment ? environment->GetMetersPerUnit() : 1.0);
    return true;
}

void FFTWaterModel::DrawGaussians()
{
    RandomNumberGenerator* random = environment ? environment->GetRandomNumberGenerator() : nullptr;
    if (!random)
        return;
    const std::size_t entries = static_cast<std::size_t>(nx + 1) * (ny + 1);
    // The polar method: a point drawn uniformly in the unit disc gives two independent normals.
    for (std::size_t e = 0; e < entries; ++e) {
        double x1 = 0.0;
        double x2 = 0.0;
        double w = 0.0;
        do {
            x1 = 2.0 * random->GetRandomNumber(0.0, 1.0) - 1.0;
            x2 = 2.0 * random->GetRandomNumber(0.0, 1.0) - 1.0;
            w = x1 * x1 + x2 * x2;
        } while (w >= 1.0 || w == 0.0);
        const double f = std::sqrt(-2.0 * std::log(w) / w);
        gaussians[2 * e] = static_cast<float>(x1 * f);
        gaussians[2 * e + 1] = static_cast<float>(x2 * f);
    }
}

float FFTWaterModel::Dispersion(float k) const
{
    const double metersPerUnit = environment ? environment->GetMetersPerUnit() : 1.0;
    const float g = static_cast<float>(9.81f / metersPerUnit);
    const float d = std::max(depth, 1.0f);
    float omega = std::sqrt(g * k * std::tanh(k * d));
    if (loopPeriod > 0.0f) {
        // Whole multiples of 2π/T repeat after T seconds.
        const float cycles = loopPeriod / 6.2831853f;
        omega = std::trunc(omega * cycles) / cycles;
    }
    return omega;
}

void FFTWaterModel::BuildKVectors()
{
    for (int r = 0; r < nx; ++r)
        for (int c = 0; c < ny; ++c) {
            FFTKVector& v = kVectors[r * ny + c];
            // The zero frequency sits at row nx/2, column ny/2, where the engines re-centre it.
            v.kx = lx != 0.0f && ly != 0.0f ? twoPi * (c - ny / 2) / lx : 0.0f;
            v.ky = lx != 0.0f && ly != 0.0f ? twoPi * (r - nx / 2) / ly : 0.0f;
            v.length = std::sqrt(v.kx * v.kx + v.ky * v.ky);
            v.omega = Dispersion(v.length);
            v.ikx[0] = 0.0f;
            v.ikx[1] = v.kx;
            v.iky[0] = 0.0f;
            v.iky[1] = v.ky;
            v.unitX = v.length > 0.0f ? v.kx / v.length : 0.0f;
            v.unitY = v.length > 0.0f ? v.ky / v.length : 0.0f;
        }
    IndexFrequencies();
    cachedDepth = depth;
    cachedShore = shoreValue;
    cachedLoopPeriod = loopPeriod;
}

void FFTWaterModel::RefreshDispersion()
{
    const std::size_t cells = static_cast<std::size_t>(nx) * ny;
    for (std::size_t i = 0; i < cells; ++i)
        kVectors[i].omega = Dispersion(kVectors[i].length);
    IndexFrequencies();
    cachedDepth = depth;
    cachedShore = shoreValue;
    cachedLoopPeriod = loopPeriod;
}

void FFTWaterModel::IndexFrequencies()
{
    const std::size_t cells = static_cast<std::size_t>(nx) * ny;
    distinctOmega.resize(cells);
    for (std::size_t i = 0; i < cells; ++i)
        distinctOmega[i] = kVectors[i].omega;
    std::sort(distinctOmega.begin(), distinctOmega.end());
    distinctOmega.erase(std::unique(distinctOmega.begin(), distinctOmega.end()), distinctOmega.end());
    omegaIndex.resize(cells);
    for (std::size_t i = 0; i < cells; ++i)
        omegaIndex[i] = static_cast<std::uint32_t>(
            std::lower_bound(distinctOmega.begin(), distinctOmega.end(), kVectors[i].omega) -
            distinctOmega.begin());
    evolutionStale = true;
    rotorCos.resize(distinctOmega.size());
    rotorSin.resize(distinctOmega.size());
}

void FFTWaterModel::BuildSpectrumTable()
{
    const double metersPerUnit = environment ? environment->GetMetersPerUnit() : 1.0;
    const float g = static_cast<float>(9.81f / metersPerUnit);
    for (int r = 0; r <= nx; ++r)
        for (int c = 0; c <= ny; ++c) {
            FFTSpectrumEntry& e = spectrumTable[r * (ny + 1) + c];
            const float kx = lx != 0.0f && ly != 0.0f ? twoPi * (c - ny / 2) / lx : 0.0f;
            const float ky = lx != 0.0f && ly != 0.0f ? twoPi * (r - nx / 2) / ly : 0.0f;
            const float k2 = kx * kx + ky * ky;
            const float k = std::sqrt(k2);
            e.k2 = k2;
            e.omega = Dispersion(k);
            e.omega5 = e.omega * e.omega * e.omega * e.omega * e.omega;
            e.unitX = k > 0.0f ? kx / k : 0.0f;
            e.unitY = k > 0.0f ? ky / k : 0.0f;
            e.inverseK4 = k > 0.0f ? 1.0f / (k2 * k2) : 0.0f;
            e.negativeInverseK2 = k > 0.0f ? -1.0f / k2 : 0.0f;
            e.angle = std::atan2(-e.unitY, e.unitX);
            e.jacobian = k > 0.0f ? std::sqrt(g / k) / (2.0f * k) : 0.0f;
        }
}

void FFTWaterModel::SetOmnidirectional(bool on)
{
    if (omnidirectional != on)
        spectrumDirty = true;
    omnidirectional = on;
}

void FFTWaterModel::AddSwell(float height, float wavelength, float direction)
{
    if (wavelength <= 0.0f || height < 0.0f)
        return;
    const float normalization = 1.0f / (2.0f * std::sqrt(3.14159265f));
    const float amplitude = std::sqrt(height) * normalization;
    const float cycles = lx / wavelength;
    const int q = static_cast<int>(std::trunc(cycles * std::sin(direction)));
    const int p = static_cast<int>(std::trunc(-cycles * std::cos(direction)));
    if (std::abs(q) <= ny / 2 && std::abs(p) <= nx / 2)
        swellCells.push_back(SwellCell{nx / 2 + p, ny / 2 + q, amplitude});
}

void FFTWaterModel::RegenerateSpectrum(float windSpeed, float fetch)
{
    const double metersPerUnit = environment ? environment->GetMetersPerUnit() : 1.0;
    const float g = static_cast<float>(9.81f / metersPerUnit);
    const bool omni = omnidirectional || (environment && environment->GetOmnidirectional());
    WaveSpectrum spectrum(spectrumType, windSpeed, waveDirection, fetch, g, omni);
    spectrum.SetPhillipsConstant(phillipsConstant);
    spectrum.SetReflectionFilter(reflectionFilter);
    spectrum.SetPiersonMoskowitzConstant(piersonMoskowitzConstant);
    spectrum.SetJONSWAPConstant(jonswapConstant);
    effectiveSpectrumType = spectrum.GetEffectiveType();

    const std::size_t entries = static_cast<std::size_t>(nx + 1) * (ny + 1);
    for (std::size_t e = 0; e < entries; ++e) {
        const float density = spectrum.Evaluate(spectrumTable[e]);
        const float amplitude = SpectrumMath::Sqrt(density) * 0.70710677f;
        h0[e] = Complex(gaussians[2 * e] * amplitude, gaussians[2 * e + 1] * amplitude);
    }

    swellCells.clear();
    if (environment)
        for (const Swell& swell : environment->GetSwells())
            AddSwell(swell.height * 0.5f * swellHeightMultiplier, swell.wavelength, swell.direction);
    for (const SwellCell& cell : swellCells)
        h0[cell.row * (ny + 1) + cell.column] = Complex(cell.amplitude, cell.amplitude);

    cachedWindSpeed = windSpeed;
    cachedWindDirection = waveDirection;
    cachedFetch = fetch;
    spectrumDirty = false;
    spectrumChanged = true;
    evolutionStale = true;
}

bool FFTWaterModel::UpdateSimulation(double newTime)
{
    if (!environment || !engine || !h0)
        return false;
    double speed = 0.0;
    double direction = 0.0;
    double fetch = 0.0;
    environment->GetWind(environment->GetCameraPosition(), speed, direction, fetch);
    currentNoiseAmplitude = static_cast<float>(noiseAmplitude * speed / 10.0);
    const bool result =
        RegenerateAndEvolve(static_cast<float>(speed), newTime, static_cast<float>(fetch));
    time = newTime;
    return result;
}

bool FFTWaterModel::RegenerateAndEvolve(float windSpeed, double t, float fetch)
{
    lastTimeStep = lastTime != 0.0 ? t - lastTime : 0.0;
    lastTime = t;
    if (depth != cachedDepth || shoreValue != cachedShore || loopPeriod != cachedLoopPeriod)
        RefreshDispersion();
    spectrumChanged = false;
    if (windSpeed != cachedWindSpeed || waveDirection != cachedWindDirection ||
        fetch != cachedFetch || spectrumDirty)
        RegenerateSpectrum(windSpeed, fetch);

    if (engine->RunsOnGPU())
        return engine->TransformEndToEnd(h0, t, lastTimeStep, choppiness, std::max(depth, 1.0f),
                                         loopPeriod, spectrumChanged);

    Rotors(distinctOmega.data(), distinctOmega.size(), t, rotorCos.data(), rotorSin.data());
    Evolve(frequency[0], choppinessEnabled, exactNormals);
    // One output buffer at a time, so that its fields are still in cache when they are
    // interleaved; the slopes first, as the heights' displacements take over their buffers.
    if (!TransformAndAssemble(slopeFields) || !TransformAndAssemble(heightFields))
        return false;
    if (!exactNormals)
        AssembleFiniteDifferences();
    return true;
}

bool FFTWaterModel::TransformAndAssemble(FieldGroup group)
{
    // Height, displacement x and y, or slope x and y; the pairs share their fields' buffers.
    const int fieldsOf[2][3] = {{0, 3, 4}, {1, 2}};
    const int first = group == heightFields ? 0 : 1;
    const int fields =
        group == heightFields ? (choppinessEnabled ? 3 : 1) : (exactNormals ? 2 : 0);
    if (fields == 0)
        return true;
    Complex* inputs[3];
    float* outputs[3];
    for (int n = 0; n < fields; ++n) {
        inputs[n] = frequency[fieldsOf[group][n]];
        outputs[n] = spatial[first + n];
    }
    // The single-precision engine's plans are all made when the model is initialised, so two of
    // its transforms can run at once; the helper takes the last field.
    if (naturalOrder && fields > 1 && UseHelper()) {
        TransformJob job = {engine, inputs + fields - 1, outputs + fields - 1, false};
        helper.Run(&RunTransformJob, &job);
        const bool done =
            engine->InverseTransform2D(inputs, outputs, static_cast<std::uint32_t>(fields - 1));
        helper.Wait();
        if (!done || !job.done)
            return false;
    } else if (!engine->InverseTransform2D(inputs, outputs, static_cast<std::uint32_t>(fields))) {
        return false;
    }
    Assemble(group);
    return true;
}

void FFTWaterModel::BuildEvolutionTerms()
{
    const int width = spectrumWidth;
    const std::size_t plane = static_cast<std::size_t>(nx) * width;
    evolutionTerms.assign(5 * plane, 0.0f);
    evolutionOmega.resize(plane);
    columnKx.resize(width);
    rowKy.resize(nx);
    rowRotor.resize(2 * static_cast<std::size_t>(width));
    const int stride = ny + 1;
    for (int r = 0; r < nx; ++r)
        for (int q = 0; q < width; ++q) {
            // The centred cell that this array cell holds: FFTW's order puts the zero frequency
            // first and the Nyquist column last.
            const int i = naturalOrder ? (r + nx / 2) % nx : r;
            const int j = naturalOrder ? (q + ny / 2) % ny : q;
            const Complex a = h0[i * stride + j];
            const Complex b = std::conj(h0[(nx - i) * stride + ny - j]);
            const FFTKVector& k = kVectors[i * ny + j];
            float* terms = evolutionTerms.data() + static_cast<std::size_t>(r) * width + q;
            terms[0] = a.real() + b.real();
            terms[plane] = a.imag() - b.imag();
            terms[2 * plane] = a.imag() + b.imag();
            terms[3 * plane] = a.real() - b.real();
            terms[4 * plane] = k.length > 0.0f ? 1.0f / k.length : 0.0f;
            evolutionOmega[static_cast<std::size_t>(r) * width + q] = omegaIndex[i * ny + j];
            columnKx[q] = k.kx;
            rowKy[r] = k.ky;
        }
    evolutionStale = false;
}

const Complex* FFTWaterModel::GetHeightSpectrum()
{
    if (!naturalOrder || !frequency[0])
        return frequency[0];
    // The single-precision engine's transforms overwrite their inputs: evolve the heights again.
    Evolve(dispersionScratch, false, false);
    return dispersionScratch;
}

void FFTWaterModel::Evolve(Complex* height, bool choppy, bool exact)
{
    if (evolutionStale)
        BuildEvolutionTerms();
    EvolveRows evolve = &EvolveRowsOf<false, false>;
    if (choppy && exact)
        evolve = &EvolveRowsOf<true, true>;
    else if (choppy)
        evolve = &EvolveRowsOf<true, false>;
    else if (exact)
        evolve = &EvolveRowsOf<false, true>;
    const EvolutionArrays arrays = {evolutionTerms.data(), evolutionOmega.size(),
                                    evolutionOmega.data(), columnKx.data(), rowKy.data(),
                                    rotorCos.data(), rotorSin.data(), rowRotor.data(), height,
                                    frequency[1], frequency[2], frequency[3], frequency[4]};
    if (!UseHelper()) {
        evolve(arrays, nx, spectrumWidth);
        return;
    }
    // The helper evolves the second half of the rows with a row scratch of its own.
    const int half = nx / 2;
    const std::size_t offset = static_cast<std::size_t>(half) * spectrumWidth;
    helperRowRotor.resize(rowRotor.size());
    EvolveJob job = {evolve, arrays, nx - half, spectrumWidth};
    job.arrays.terms += offset;
    job.arrays.omegaIndex += offset;
    job.arrays.rowKy += half;
    job.arrays.rowRotor = helperRowRotor.data();
    for (Complex** field : {&job.arrays.height, &job.arrays.slopeX, &job.arrays.slopeY,
                            &job.arrays.displacementX, &job.arrays.displacementY})
        *field += offset;
    helper.Run(&RunEvolveJob, &job);
    evolve(arrays, half, spectrumWidth);
    helper.Wait();
}

bool FFTWaterModel::UseHelper()
{
    return static_cast<std::size_t>(nx) * ny >= SplitCells && helper.Start();
}

void FFTWaterModel::InterleaveCells(const float* a, float scaleA, const float* b, float scaleB,
                                    const float* c, float scaleC, float* target)
{
    const std::size_t cells = static_cast<std::size_t>(nx) * ny;
    if (!UseHelper()) {
        Interleave(a, scaleA, b, scaleB, c, scaleC, target, cells);
        return;
    }
    const std::size_t half = cells / 2;
    InterleaveJob job = {a + half, scaleA, b + half, scaleB, c + half, scaleC, target + 3 * half,
                         cells - half};
    helper.Run(&RunInterleaveJob, &job);
    Interleave(a, scaleA, b, scaleB, c, scaleC, target, half);
    helper.Wait();
}

void FFTWaterModel::Assemble(FieldGroup group)
{
    // Without choppy waves the displacements are zero; with exact normals there is no foam.
    const float lambda = choppinessEnabled ? choppiness : 0.0f;
    if (group == heightFields)
        InterleaveCells(spatial[1], lambda, spatial[2], lambda, spatial[0], 1.0f, displacement);
    else
        InterleaveCells(spatial[1], 1.0f, spatial[2], 1.0f, spatial[1], 0.0f, slopeFoam);
}

void FFTWaterModel::AssembleFiniteDifferences()
{
    const float* heights = spatial[0];
    const float* dx = spatial[1];
    const float* dy = spatial[2];
    const float lambda = choppiness;
    const float cellX = 2.0f * lx / ny;
    const float cellY = 2.0f * ly / nx;
    for (int i = 0; i < nx; ++i) {
        const int row = i * ny;
        const int up = (i + 1 == nx ? 0 : i + 1) * ny;
        const int down = (i == 0 ? nx - 1 : i - 1) * ny;
        for (int j = 0; j < ny; ++j) {
            const int cell = row + j;
            const int right = row + (j + 1 == ny ? 0 : j + 1);
            const int left = row + (j == 0 ? ny - 1 : j - 1);
            float* sf = slopeFoam + 3 * cell;
            float extentX = cellX;
            float extentY = cellY;
            if (choppinessEnabled) {
                extentX += dx[right] - dx[left];
                extentY += dy[up + j] - dy[down + j];
            }
            sf[0] = (heights[right] - heights[left]) / extentX;
            sf[1] = (heights[up + j] - heights[down + j]) / extentY;
            if (foamEnabled) {
                float jacobian = 1.0f;
                if (choppinessEnabled) {
                    const float dxdx = (dx[right] - dx[left]) / extentX;
                    const float dydy = (dy[up + j] - dy[down + j]) / extentY;
                    const float dydx = (dy[right] - dy[left]) / extentX;
                    const float dxdy = (dx[up + j] - dx[down + j]) / extentY;
                    // Where the choppy mapping folds over (J < 0) the crests break.
                    jacobian = (1.0f + lambda * dxdx) * (1.0f + lambda * dydy) -
                               (lambda * dxdy) * (lambda * dydx);
                }
                sf[2] = 1.0f - jacobian;
            }
        }
    }
}

bool FFTWaterModel::PrepareShader(double newTime)
{
    time = newTime;
    if (!engine)
        return false;
    return engine->FinishTransform();
}

float FFTWaterModel::SampleBuffer(const float* buffer, int component, double u, double v) const
{
    // Columns run along x, rows along y; the patch repeats, so the cell beyond the last wraps.
    const double column = u / lx * ny;
    const double row = v / ly * nx;
    const int c0 = static_cast<int>(std::floor(column));
    const int r0 = static_cast<int>(std::floor(row));
    const float fx = static_cast<float>(column - c0);
    const float fy = static_cast<float>(row - r0);
    const int c = Wrap(c0, ny);
    const int r = Wrap(r0, nx);
    const int c1 = Wrap(c0 + 1, ny);
    const int r1 = Wrap(r0 + 1, nx);
    const float v00 = buffer[3 * (r * ny + c) + component];
    const float v01 = buffer[3 * (r * ny + c1) + component];
    const float v10 = buffer[3 * (r1 * ny + c) + component];
    const float v11 = buffer[3 * (r1 * ny + c1) + component];
    // Two triangles per cell, split along the diagonal from (c1, r) to (c, r1).
    if (fx + fy <= 1.0f)
        return v00 + fx * (v01 - v00) + fy * (v10 - v00);
    return v11 + (1.0f - fx) * (v10 - v11) + (1.0f - fy) * (v01 - v11);
}

float FFTWaterModel::GetHeight(const Vector3& position, const SeaFrame* frame,
                               Vector3& normal) const
{
    normal = Vector3(0.0, 0.0, 1.0);
    if (!environment || !frame)
        return 0.0f;

    float factor = 1.0f;
    float offset = 0.0f;
    if (frame->HasBreakingWaves()) {
        Vector3 floor;
        const float d = GetDepth(floor);
        const float surgeDepth = environment->GetBreakingWaveParameters().surgeDepth;
        if (surgeDepth > 0.0f)
            factor = std::min(d, surgeDepth) / surgeDepth;
        if (time > 0.0)
            offset = GetBreakingWaveHeight(position, d, time);
    }

    double x = 0.0;
    double y = 0.0;
    Vector3 east;
    Vector3 north;
    Vector3 up;
    const bool flat = environment->GetCoordinateSystem() >= FlatZUp;
    if (flat) {
        const Matrix3& basis = frame->GetBasis();
        x = position.x * basis.elem[0][0] + position.y * basis.elem[1][0] +
            position.z * basis.elem[2][0];
        y = position.x * basis.elem[0][1] + position.y * basis.elem[1][1] +
            position.z * basis.elem[2][1];
    } else {
        up = environment->GetUpVector();
        Vector3 reference = frame->GetReferenceAxis();
        if (reference.Cross(up).SquaredLength() < 1e-10)
            reference = Vector3(1.0, 0.0, 0.0);
        east = reference.Cross(up);
        north = up.Cross(east);
        x = east.Dot(position);
        y = north.Dot(position);
    }
    const double u = WrapInto(x, lx);
    const double v = WrapInto(y, ly);

    float height = 0.0f;
    Vector3 local(0.0, 0.0, 1.0);
    if (engine && engine->RunsOnGPU()) {
        float dx = 0.0f;
        float dy = 0.0f;
        engine->GetDisplacementAt(static_cast<float>(u / lx), static_cast<float>(v / ly), dx, dy);
        const float su = static_cast<float>(WrapInto(u - dx, lx) / lx);
        const float sv = static_cast<float>(WrapInto(v - dy, ly) / ly);
        height = engine->GetHeightAt(su, sv);
        float sx = 0.0f;
        float sy = 0.0f;
        engine->GetSlopeAt(su, sv, sx, sy, environment);
        local = Vector3(-sx, -sy, 1.0);
    } else if (displacement) {
        // One fixed-point step: the surface above (u, v) comes from about (u, v) - displacement.
        const double dx = SampleBuffer(displacement, 0, u, v);
        const double dy = SampleBuffer(displacement, 1, u, v);
        const double su = u - dx;
        const double sv = v - dy;
        height = SampleBuffer(displacement, 2, su, sv);
        const double stepX = static_cast<double>(lx) / ny;
        const double stepY = static_cast<double>(ly) / nx;
        const double sx = (SampleBuffer(displacement, 2, su + stepX, sv) - height) / stepX;
        const double sy = (SampleBuffer(displacement, 2, su, sv + stepY) - height) / stepY;
        local = Vector3(-sx, -sy, 1.0);
    }
    local.Normalize();
    if (flat)
        normal = frame->GetBasis() * local;
    else
        normal = east.Normalized() * local.x + north.Normalized() * local.y + up * local.z;
    normal.Normalize();
    return factor * height + offset;
}

float FFTWaterModel::GetBreakingWaveHeight(const Vector3& position, float depthAtPoint, double t) const
{
    if (!environment || !heightMap)
        return 0.0f;
    const BreakingWaveParameters& breaker = environment->GetBreakingWaveParameters();
    if (!(breaker.amplitude > 0.0f) || !(breaker.wavelength > 0.0f))
        return 0.0f;
    // Waves steepen as they run into water shallower than the surge depth.
    const float k = twoPi / breaker.wavelength;
    const double along = breaker.direction.x * position.x + breaker.direction.y * position.y +
                         breaker.direction.z * position.z;
    const double phase = k * along - breaker.phaseConstant * t;
    const float shallow = breaker.surgeDepth > 0.0f
                              ? std::max(0.0f, 1.0f - depthAtPoint / breaker.surgeDepth)
                              : 0.0f;
    return breaker.amplitude * static_cast<float>(std::sin(phase)) * std::pow(shallow, 0.5f);
}

void FFTWaterModel::UpdateHeightMap() {}

const Vector<Vector3>& FFTWaterModel::GetSprayPositions()
{
    if (engine && engine->RunsOnGPU())
        return engine->GetSprayPositions();
    const float threshold = Configuration::Get(ConfigKey::FFTSprayThreshold);
    sprayPositions.clear();
    if (!displacement || !slopeFoam)
        return sprayPositions;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            const int cell = i * ny + j;
            if (slopeFoam[3 * cell + 2] > threshold)
                sprayPositions.push_back(
                    Vector3(static_cast<double>(j) / ny * lx + displacement[3 * cell],
                            static_cast<double>(i) / nx * ly + displacement[3 * cell + 1],
                            displacement[3 * cell + 2]));
        }
    return sprayPositions;
}

} // namespace Maris
