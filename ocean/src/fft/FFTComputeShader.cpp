#include "fft/FFTComputeShader.h"

#include "core/Configuration.h"
#include <Maris/Message.h>
#include "fft/EngineLibrary.h"

namespace Maris {

namespace {

const FFTDeviceEngine::Texts computeShaderTexts = {
    "FFTComputeShader", "IFFTComputeShader", "MarisComputeShader", "GetIFFTComputeShader",
    "(INFO) Compute Shader DLL loaded.", "Null environment passed to FFTComputeShader::Setup",
    "Invalid renderer present in FFTComputeShader::Setup", true, true};

const unsigned featureLevel11 = 0xb000;

} // namespace

FFTComputeShader::FFTComputeShader() : FFTDeviceEngine(computeShaderTexts) {}

bool FFTComputeShader::LoadDLL(ResourceLoader* loader)
{
    if (!loader) {
        Message("Null ResourceLoader passed into FFTComputeShader::LoadDLL.");
        return false;
    }
    return LoadEngineLibrary(loader);
}

bool FFTComputeShader::IsCompatible(void* device)
{
    if (!device) {
        Message("Null device passed to FFTComputeShader::IsCompatible");
        return false;
    }
    if (Configuration::Get(ConfigKey::DisableComputeShader)) {
        Message("(INFO) Compute shader explicitly disabled with disable-compute-shader.");
        return false;
    }
    using FeatureLevel = unsigned (*)(void*);
    FeatureLevel level = reinterpret_cast<FeatureLevel>(
        EngineLibrary::Symbol(GetLibraryHandle(), "GetDeviceFeatureLevel"));
    if (!level || level(device) < featureLevel11) {
        Message("(INFO) Compatibility test for compute shader failed.");
        return false;
    }
    return true;
}

} // namespace Maris
