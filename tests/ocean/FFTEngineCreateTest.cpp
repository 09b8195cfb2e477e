#include "OceanScene.h"
#include "MessageCapture.h"

#include "fft/FFTCPU.h"
#include "fft/FFTIPP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const ippLoadFailure = "(INFO) Failed to load the MarisIPP dll.";
const char* const cpuFallback = "Using FFTCPU, which really shouldn't happen. Did you move Maris's "
                                "FFT DLL's out of your resources folder?";

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool anyMentions(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// A spectrum on the centred grid with h(-k) = conj(h(k)), as the water model's evolution makes,
// so that the real part of the full transform is what a half-spectrum engine computes.
std::vector<Maris::Complex> hermitianSpectrum(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> normal;
    std::vector<Maris::Complex> spectrum(width * height);
    for (int r = 1; r < height; ++r)
        for (int c = 1; c < width; ++c) {
            const int mirror = (height - r) * width + (width - c);
            const int cell = r * width + c;
            if (mirror < cell)
                continue;
            spectrum[cell] = Maris::Complex(normal(random), normal(random));
            spectrum[mirror] = std::conj(spectrum[cell]);
            if (mirror == cell)
                spectrum[cell] = spectrum[cell].real();
        }
    return spectrum;
}

std::vector<Maris::Complex> halfOf(const std::vector<Maris::Complex>& full, int width, int height)
{
    const int half = width / 2 + 1;
    std::vector<Maris::Complex> result(half * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < half; ++c)
            result[r * half + c] = full[r * width + c];
    return result;
}

template <typename Function>
Function testEngineSymbol(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

} // namespace

TEST(FFTCreate, NullEnvironment)
{
    MessageCapture messages;
    EXPECT_EQ(Maris::FFT::Create(nullptr), nullptr);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Null environment received in FFT::Create"});
}

TEST(FFTCreate, ForcedCPUNeverTouchesALibrary)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("fft-force-cpu = true\n", Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    const std::string ipp = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    const std::string openCL = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisOpenCL");
    const std::string cuda = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisCUDA");
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(dynamic_cast<Maris::FFTCPU*>(engine.get()), nullptr);
    EXPECT_EQ(engine->GetEnvironment(), &setup.environment());
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"(INFO) CPU-based FFT forced by fft-force-cpu setting."});
    EXPECT_FALSE(isLibraryLoaded(ipp));
    EXPECT_FALSE(isLibraryLoaded(openCL));
    EXPECT_FALSE(isLibraryLoaded(cuda));
}

TEST(FFTCreate, WithoutLibrariesTheIPPFailureThenTheCPUEngine)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("# defaults\n", Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    EXPECT_STREQ(engine->GetName(), "CPU-based FFTW library");
    const std::vector<std::string> texts = messages.texts();
    const auto failure = std::find(texts.begin(), texts.end(), ippLoadFailure);
    ASSERT_NE(failure, texts.end());
    ASSERT_GE(texts.end() - failure, 5);
    EXPECT_NE(failure[1].find("libMarisIPP.so"), std::string::npos) << "the system's reason";
    EXPECT_EQ(failure[2], "The DLL path we attempted to load was:");
    EXPECT_EQ(failure[3], setup.libraryPath("MarisIPP"));
    EXPECT_EQ(failure[4], cpuFallback);
    EXPECT_EQ(texts.back(), cpuFallback);
    EXPECT_FALSE(contains(texts, "(INFO) Using FFTIPP."));
}

TEST(FFTCreate, RendererZeroNeverTriesTheComputeShaderEngine)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("# defaults\n", Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    const std::string library = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisComputeShader");
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(isLibraryLoaded(library));
    EXPECT_FALSE(anyMentions(messages.texts(), "ompute"));
}

TEST(FFTCreate, RendererSixTriesTheComputeShaderEngineFirst)
{
    MessageCapture messages;
    int device = 0;
    OceanScene setup(OceanScene::bareOptions("# defaults\n", Maris::Direct3D11, &device));
    ASSERT_TRUE(setup.ready());
    const std::string library = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisComputeShader");
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(isLibraryLoaded(library));
    // The stand-in library cannot tell a feature level, so the engine is passed over.
    const std::vector<std::string> texts = messages.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "(INFO) Compatibility test for compute shader failed.");
    EXPECT_STREQ(engine->GetName(), "CPU-based FFTW library");
}

TEST(FFTCreate, DisabledIPPFallsBackToTheCPU)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("disable-ipp = true\n", Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    EXPECT_STREQ(engine->GetName(), "CPU-based FFTW library");
    const std::vector<std::string> texts = messages.texts();
    const auto disabled = std::find(texts.begin(), texts.end(),
                                    "(INFO) FFTIPP explicitly disabled with disable-ipp setting.");
    ASSERT_NE(disabled, texts.end());
    ASSERT_NE(disabled + 1, texts.end());
    EXPECT_EQ(disabled[1], cpuFallback);
}

TEST(FFTCreate, EngineLibraryIsLoadedAndForwardedTo)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("# defaults\n", Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    const std::string library = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    messages.clear();
    std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(engine, nullptr);
    ASSERT_NE(dynamic_cast<Maris::FFTIPP*>(engine.get()), nullptr);
    EXPECT_TRUE(isLibraryLoaded(library));
    EXPECT_EQ(messages.texts().back(), "(INFO) Using FFTIPP.");

    using Counter = int (*)();
    using Switch = void (*)(bool);
    const Counter setups = testEngineSymbol<Counter>(library, "TestEngineSetupCalls");
    const Counter transforms = testEngineSymbol<Counter>(library, "TestEngineTransformCalls");
    const Switch failTransforms = testEngineSymbol<Switch>(library, "TestEngineFailTransforms");
    ASSERT_TRUE(setups && transforms && failTransforms);
    EXPECT_EQ(setups(), 0) << "the factory is called at set-up, not before";

    const int width = 16;
    const int height = 8;
    messages.clear();
    ASSERT_TRUE(engine->Setup(width, height, 2, &setup.environment(), false));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"(INFO) MarisIPP dll successfully loaded."});
    EXPECT_EQ(setups(), 1);

    // Both spectra through the library match the built-in engine on the full spectrum.
    Maris::FFTCPU reference;
    ASSERT_TRUE(reference.Setup(width, height, 2, nullptr, false));
    std::vector<std::vector<Maris::Complex>> full = {hermitianSpectrum(width, height, 3),
                                                     hermitianSpectrum(width, height, 4)};
    std::vector<std::vector<Maris::Complex>> half = {halfOf(full[0], width, height),
                                                     halfOf(full[1], width, height)};
    std::vector<std::vector<float>> expected(2, std::vector<float>(width * height));
    std::vector<std::vector<float>> actual(2, std::vector<float>(width * height));
    const Maris::Complex* fullInputs[] = {full[0].data(), full[1].data()};
    const Maris::Complex* halfInputs[] = {half[0].data(), half[1].data()};
    float* expectedOutputs[] = {expected[0].data(), expected[1].data()};
    float* actualOutputs[] = {actual[0].data(), actual[1].data()};
    ASSERT_TRUE(reference.InverseTransform2D(fullInputs, expectedOutputs, 2));
    ASSERT_TRUE(engine->InverseTransform2D(halfInputs, actualOutputs, 2));
    EXPECT_EQ(transforms(), 1);
    for (int n = 0; n < 2; ++n)
        for (int i = 0; i < width * height; ++i)
            ASSERT_NEAR(actual[n][i], expected[n][i], 1e-4) << "array " << n << " cell " << i;

    // A failing library transform is reported and answered false.
    failTransforms(true);
    messages.clear();
    EXPECT_FALSE(engine->InverseTransform2D(halfInputs, actualOutputs, 2));
    failTransforms(false);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"IFFTIPP::InverseTransform2D failed."});

    // A second engine from the same process reuses the loaded library.
    messages.clear();
    std::unique_ptr<Maris::FFT> second(Maris::FFT::Create(&setup.environment()));
    ASSERT_NE(dynamic_cast<Maris::FFTIPP*>(second.get()), nullptr);
    EXPECT_FALSE(contains(messages.texts(), ippLoadFailure));
    EXPECT_EQ(messages.texts().back(), "(INFO) Using FFTIPP.");
}
