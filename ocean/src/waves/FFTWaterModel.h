#pragma once

#include <Maris/Complex.h>
#include <Maris/Containers.h>
#include "waves/FFTWaveTables.h"
#include <Maris/Matrix4.h>
#include "core/SprayPositionSource.h"
#include "core/HelperThread.h"
#include "waves/WaterModel.h"

#include <cstdint>

namespace Maris {

// The statistical wave model: a random sea drawn from an ocean spectrum (whenever wind or settings
// change), advanced analytically in time and turned into one periodic patch of heights, choppy
// displacements, slopes and foam by 2-D inverse FFTs every frame. The patch tiles the sea; the
// grid shader samples it. With a CPU engine this model evolves the spectrum and assembles the
// buffers; a GPU engine does everything after the initial amplitudes itself.
class FFTWaterModel : public WaterModel, public SprayPositionSource
{
public:
    // spectrumType: 1 Phillips, 2 Pierson-Moskowitz, 3 JONSWAP.
    FFTWaterModel(Environment* environment, int spectrumType);
    ~FFTWaterModel() override;

    bool Initialize(std::uint32_t gridShader, std::uint32_t patchShader, bool engineFlag) override;
    bool UpdateSimulation(double time) override;
    bool PrepareShader(double time) override;
    const char* GetFFTName() const override;
    FFT* GetFFT() const override { return engine; }
    float GetHeight(const Vector3& position, const SeaFrame* frame,
                    Vector3& normal) const override;

    // Copies the grid's height map for breaking waves (OpenGL variant); nothing here.
    virtual void UpdateHeightMap();
    // Makes the next update draw the spectrum again.
    virtual void MarkSpectrumDirty() { spectrumDirty = true; }
    // Drops the directional factor of the spectra (as the environment's flag does).
    virtual void SetOmnidirectional(bool on);
    // Additive height of waves breaking on a shore; 0 without a height map.
    virtual float GetBreakingWaveHeight(const Vector3& position, float depth, double time) const;
    // Writes one swell into the spectrum: height (amplitude before √ and normalization),
    // wavelength and direction (radians). Ignored when its cell lies beyond half the grid.
    virtual void AddSwell(float height, float wavelength, float direction);
    virtual void ClearSwells() { swellCells.clear(); }

    // Positions (patch-local) of the cells whose foam exceeds fft-spray-threshold; with a GPU
    // engine, the engine's list.
    const Vector<Vector3>& GetSprayPositions() override;

    // What the simulation holds, for the OpenGL variant, the spray and tests.
    int GetDimensionX() const { return nx; } // rows
    int GetDimensionY() const { return ny; } // columns
    float GetSizeX() const { return lx; }
    float GetSizeY() const { return ly; }
    int GetSpectrumType() const { return spectrumType; }
    int GetEffectiveSpectrumType() const { return effectiveSpectrumType; }
    std::uint32_t GetTransformCount() const { return transformCount; }
    // Columns of the frequency-space arrays: ny / 2 + 1 with a half-spectrum engine, else ny.
    int GetSpectrumWidth() const { return spectrumWidth; }
    double GetLastTimeStep() const { return lastTimeStep; }
    float GetCurrentNoiseAmplitude() const { return currentNoiseAmplitude; }
    float GetNoiseDistance() const { return noiseDistance; }
    float GetDampingDistance() const { return dampingDistance; }
    float GetLODBias() const { return lodBias; }
    // Per cell (row-major, nx rows of ny): x displacement, y displacement, height.
    const float* GetDisplacementBuffer() const { return displacement; }
    // Per cell: slope x, slope y, foam.
    const float* GetSlopeFoamBuffer() const { return slopeFoam; }
    // (nx + 1) × (ny + 1) initial amplitudes.
    const Complex* GetH0() const { return h0; }
    // h(k, t) of the last evolution, nx rows of GetSpectrumWidth() columns: centred, or in FFTW's
    // order (zero frequency first) with the single-precision CPU engine.
    const Complex* GetHeightSpectrum();
    const FFTKVector* GetKVectors() const { return kVectors; }
    const FFTSpectrumEntry* GetSpectrumTable() const { return spectrumTable; }

protected:
    struct SwellCell
    {
        int row;
        int column;
        float amplitude;
    };

    // Dispersion with depth (not below 1) and the loop period's quantization.
    float Dispersion(float k) const;
    bool RegenerateAndEvolve(float windSpeed, double time, float fetch);
    void RefreshDispersion();
    void IndexFrequencies();
    void RegenerateSpectrum(float windSpeed, float fetch);
    // The fields of one output buffer: height and displacements, or slopes.
    enum FieldGroup { heightFields, slopeFields };

    void BuildEvolutionTerms();
    // Evolves the height into `height`, with the displacements and the slopes as asked.
    void Evolve(Complex* height, bool choppy, bool exact);
    bool TransformAndAssemble(FieldGroup group);
    void Assemble(FieldGroup group);
    // Whether the grid is large enough to share its evolution and interleaving with the helper
    // thread, and that thread runs.
    bool UseHelper();
    void InterleaveCells(const float* a, float scaleA, const float* b, float scaleB,
                         const float* c, float scaleC, float* target);
    void AssembleFiniteDifferences();
    bool AllocateArrays();
    void FreeArrays();
    void BuildKVectors();
    void BuildSpectrumTable();
    void DrawGaussians();
    float SampleBuffer(const float* buffer, int component, double u, double v) const;
    bool RunsOnGPU() const;

    int spectrumType;
    int effectiveSpectrumType;
    int nx;
    int ny;
    float lx;
    float ly;
    float phillipsConstant;
    float piersonMoskowitzConstant;
    float jonswapConstant;
    float reflectionFilter;
    bool choppinessEnabled;
    bool exactNormals;
    float heightMaxChop;
    float swellHeightMultiplier;
    bool foamEnabled;
    float noiseAmplitude;
    float currentNoiseAmplitude;
    float noiseDistance;
    float dampingDistance;
    float lodBias;
    bool spectrumDirty;
    bool omnidirectional;
    float cachedDepth;
    float cachedShore;
    float cachedLoopPeriod;
    float cachedWindSpeed;
    float cachedWindDirection;
    float cachedFetch;
    double lastTime;
    double lastTimeStep;
    double time;
    bool spectrumChanged;
    bool flagForEngine; // the ocean's fftEngineFlag, for every engine set up
    FFT* engine;
    std::uint32_t transformCount;
    int spectrumWidth;
    bool naturalOrder;      // spectra in FFTW's order (the single-precision CPU engine)
    bool evolutionStale;
    float* displacement;
    float* slopeFoam;
    Complex* h0;
    Complex* dispersionScratch;
    float* gaussians;
    FFTKVector* kVectors;
    FFTSpectrumEntry* spectrumTable;
    // Frequency-space arrays: height, slope x, slope y, displacement x, displacement y; their
    // transforms: the height, then x and y of the slopes and, after them, of the displacements.
    Complex* frequency[5];
    float* spatial[3];
    // ω takes far fewer distinct values than there are cells (it depends on |k| only), so each
    // frame takes one sine and cosine per distinct ω: the cells index into this table.
    Vector<float> distinctOmega;
    Vector<std::uint32_t> omegaIndex;
    Vector<float> rotorCos;
    Vector<float> rotorSin;
    // The evolution's inputs in the layout of the frequency arrays, rebuilt when the amplitudes or
    // the dispersion change: planes of h0(k) ± conj(h0(-k)) (sum re, difference im, sum im,
    // difference re) and 1/|k|, each cell's index of ω, kx per column and ky per row.
    Vector<float> evolutionTerms;
    Vector<std::uint32_t> evolutionOmega;
    Vector<float> columnKx;
    Vector<float> rowKy;
    Vector<float> rowRotor;
    Vector<float> helperRowRotor;
    HelperThread helper;
    Vector<Vector3> sprayPositions;
    List<SwellCell> swellCells;
    float* heightMap;
    int heightMapWidth;
    int heightMapHeight;
    Matrix4 heightMapMatrix;
};

} // namespace Maris
