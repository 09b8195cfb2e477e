#include "fft/FFTOpenCL.h"

#include "core/Configuration.h"
#include "fft/EngineLibrary.h"
#include <Maris/Message.h>

namespace Maris {

namespace {

const FFTDeviceEngine::Texts openCLTexts = {
    "FFTOpenCL", "IFFTOpenCL", "MarisOpenCL", "GetIFFTOpenCL",
    "(INFO) MarisOpenCL DLL successfully loaded.", "Null environment passed into FFTOpenCL::Setup",
    "Invalid renderer present in FFTOpenCL::Setup", false, false};

} // namespace

FFTOpenCL::FFTOpenCL() : FFTDeviceEngine(openCLTexts) {}

bool FFTOpenCL::LoadDLL(ResourceLoader* loader)
{
    if (!loader) {
        Message("Null ResourceLoader passed into FFTOpenCL::LoadDLL.");
        return false;
    }
    if (!EngineLibrary::Probe("libOpenCL.so.1", nullptr)) {
        Message("(INFO) OpenCL library not found; FFTOpenCL::LoadDLL fails.");
        return false;
    }
    if (!EngineLibrary::Probe("libOpenCL.so.1", "clCreateFromGLTexture")) {
        Message("(INFO) OpenCL 1.2 not present; FFTOpenCL::LoadDLL fails.");
        return false;
    }
    if (!EngineLibrary::Probe("libclFFT.so.2", nullptr)) {
        Message("(INFO) clAmdFft.Runtime library not found; FFTOpenCL::LoadDLL fails.");
        return false;
    }
    return LoadEngineLibrary(loader);
}

bool FFTOpenCL::IsCompatible(int renderer)
{
    if (Configuration::Get(ConfigKey::DisableOpenCL)) {
        Message("(INFO) OpenCL explicitly disabled with disable-opencl setting.");
        return false;
    }
    using Compatibility = bool (*)(int);
    Compatibility compatible = reinterpret_cast<Compatibility>(
        EngineLibrary::Symbol(GetLibraryHandle(), "IsCompatibleOpenCL"));
    if (!compatible) {
        Message("No DLL interface present in FFTOpenCL::IsCompatible");
        return false;
    }
    return compatible(renderer);
}

} // namespace Maris
