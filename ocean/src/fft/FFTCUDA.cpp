#include "fft/FFTCUDA.h"

#include "core/Configuration.h"
#include "fft/EngineLibrary.h"
#include <Maris/Message.h>

namespace Maris {

namespace {

const FFTDeviceEngine::Texts cudaTexts = {
    "FFTCUDA", "IFFTCUDA", "MarisCUDA", "GetIFFTCUDA", "(INFO) FFTCUDA DLL successfully loaded.",
    "Null environment passed in to FFTCUDA::Setup", "Invalid renderer present in FFTCUDA::Setup",
    false, true};

} // namespace

FFTCUDA::FFTCUDA() : FFTDeviceEngine(cudaTexts) {}

bool FFTCUDA::LoadDLL(ResourceLoader* loader)
{
    if (!loader) {
        Message("Null ResourceLoader passed in to FFTCUDA::LoadDLL.");
        return false;
    }
    if (!EngineLibrary::Probe("libcudart.so", nullptr)) {
        Message("(INFO) CUDA runtime DLL not found; FFTCUDA::LoadDLL fails.");
        return false;
    }
    if (!EngineLibrary::Probe("libcufft.so", nullptr)) {
        Message("(INFO) CUDA CUFFT DLL not found; FFTCUDA::LoadDLL fails.");
        return false;
    }
    return LoadEngineLibrary(loader);
}

bool FFTCUDA::IsCompatible()
{
    if (Configuration::Get(ConfigKey::DisableCUDA)) {
        Message("(INFO) CUDA explicitly disabled via disable-cuda setting.");
        return false;
    }
    using Compatibility = bool (*)();
    Compatibility compatible = reinterpret_cast<Compatibility>(
        EngineLibrary::Symbol(GetLibraryHandle(), "IsCompatible"));
    if (!compatible) {
        Message("FFTCUDA::IsCompatible failed because no DLL interface was present.");
        return false;
    }
    if (!compatible()) {
        Message("(INFO) CUDA compatibility test failed.");
        return false;
    }
    return true;
}

} // namespace Maris
