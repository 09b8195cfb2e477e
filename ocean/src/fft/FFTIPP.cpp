#include "fft/FFTIPP.h"

#include <Maris/Allocator.h>
#include "core/Configuration.h"
#include "fft/EngineLibrary.h"
#include <Maris/Environment.h>
#include <Maris/Message.h>

namespace Maris {

FFTIPP::FFTIPP() : factory(nullptr), library(nullptr) {}

FFTIPP::~FFTIPP()
{
    if (library)
        library->Release();
}

bool FFTIPP::LoadDLL(ResourceLoader* loader)
{
    if (!loader) {
        Message("Null ResourceLoader passed into FFTIPP::LoadDLL.");
        return false;
    }
    const String path = EngineLibrary::PathFor(loader, "MarisIPP");
    String error;
    void* handle = EngineLibrary::Load(path, error);
    if (!handle) {
        EngineLibrary::ReportLoadFailure("MarisIPP", error, path);
        return false;
    }
    factory = reinterpret_cast<IFFTIPPFactory>(EngineLibrary::Symbol(handle, "GetIFFTIPP"));
    return true;
}

bool FFTIPP::IsCompatible()
{
    if (Configuration::Get(ConfigKey::DisableIPP)) {
        Message("(INFO) FFTIPP explicitly disabled with disable-ipp setting.");
        return false;
    }
    return true;
}

bool FFTIPP::Setup(std::uint32_t widthValue, std::uint32_t heightValue, std::uint32_t count,
                   Environment* env, bool)
{
    width = widthValue;
    height = heightValue;
    transformCount = count;
    if (!env) {
        Message("Null environment passed into FFTIPP::Setup");
        return false;
    }
    environment = env;
    if (!library) {
        library = factory ? factory(Allocator::GetCurrent()) : nullptr;
        if (!library) {
            Message("No DLL interface present in FFTIPP::Setup");
            return false;
        }
        Message("(INFO) MarisIPP dll successfully loaded.");
    }
    if (!library->Setup(width, height, count, env->GetResourceLoader())) {
        Message("IFFTIPP::Setup failed.");
        return false;
    }
    return true;
}

bool FFTIPP::InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                std::uint32_t count)
{
    if (!library) {
        Message("No DLL interface present in FFTIPP::InverseTransform2D");
        return false;
    }
    if (!library->InverseTransform2D(inputs, outputs, count)) {
        Message("IFFTIPP::InverseTransform2D failed.");
        return false;
    }
    return true;
}

} // namespace Maris
