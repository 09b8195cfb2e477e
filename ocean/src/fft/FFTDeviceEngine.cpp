#include "fft/FFTDeviceEngine.h"

#include <Maris/Allocator.h>
#include "core/Configuration.h"
#include "fft/EngineLibrary.h"
#include <Maris/Environment.h>
#include <Maris/Message.h>

namespace Maris {

FFTDeviceEngine::FFTDeviceEngine(const Texts& engineTexts)
    : texts(engineTexts), handle(nullptr), factory(nullptr), library(nullptr)
{
}

FFTDeviceEngine::~FFTDeviceEngine()
{
    if (library)
        library->Release();
}

bool FFTDeviceEngine::LoadEngineLibrary(ResourceLoader* loader)
{
    const String path = EngineLibrary::PathFor(loader, texts.libraryName);
    String error;
    handle = EngineLibrary::Load(path, error);
    if (!handle) {
        EngineLibrary::ReportLoadFailure(texts.libraryName, error, path);
        return false;
    }
    factory = reinterpret_cast<IFFTDeviceFactory>(EngineLibrary::Symbol(handle, texts.factoryName));
    return true;
}

bool FFTDeviceEngine::Missing(const char* operation)
{
    String text;
    if (texts.namesInterfaceWhenMissing) {
        text = "No ";
        text += texts.interfaceName;
        text += " present in ";
    } else {
        text = "No DLL interface present in ";
    }
    text += texts.className;
    text += "::";
    text += operation;
    if (texts.namesInterfaceWhenMissing)
        text += ".";
    Message(text.c_str());
    return false;
}

void FFTDeviceEngine::Failed(const char* operation, const char* suffix)
{
    String text = texts.interfaceName;
    text += "::";
    text += operation;
    text += " failed";
    if (suffix) {
        text += " for ";
        text += suffix;
    }
    text += ".";
    Message(text.c_str());
}

bool FFTDeviceEngine::FillSettings(bool flag)
{
    const double metersPerUnit = environment->GetMetersPerUnit();
    const float sizeX = Configuration::Get(ConfigKey::FFTGridSizeX);
    const float sizeY = Configuration::Get(ConfigKey::FFTGridSizeY);
    settings.gridSizeX = static_cast<float>(sizeX / metersPerUnit);
    settings.gridSizeY = static_cast<float>(sizeY / metersPerUnit);
    settings.metersPerUnit = static_cast<float>(metersPerUnit);
    settings.flag = flag;
    settings.sprayEnabled = Configuration::Get(ConfigKey::FFTEnableSpray);
    settings.sprayThreshold = Configuration::Get(ConfigKey::FFTSprayThreshold);
    settings.multiGPU = Configuration::Get(ConfigKey::FFTEnableMultiGPU);
    settings.device = nullptr;
    const int renderer = environment->GetRenderer();
    if (renderer >= OpenGL2 && renderer <= OpenGL41) {
        settings.graphicsInterface = FFTGraphicsOpenGL;
    } else if (renderer == Direct3D9 || renderer == Direct3D9Ex) {
        settings.graphicsInterface = FFTGraphicsDirect3D9;
        settings.device = environment->GetDevice();
    } else if (renderer == Direct3D11) {
        settings.graphicsInterface = FFTGraphicsDirect3D11;
        if (texts.passesDirect3D11Device)
            settings.device = environment->GetDevice();
    } else if (renderer == NoRenderer) {
        settings.graphicsInterface = FFTGraphicsNone;
    } else {
        Message(texts.invalidRendererMessage);
        return false;
    }
    return true;
}

bool FFTDeviceEngine::Setup(std::uint32_t widthValue, std::uint32_t heightValue,
                            std::uint32_t count, Environment* env, bool flag)
{
    width = widthValue;
    height = heightValue;
    transformCount = count;
    if (!env) {
        Message(texts.nullEnvironmentMessage);
        return false;
    }
    environment = env;
    if (!library) {
        library = factory ? factory(Allocator::GetCurrent()) : nullptr;
        if (!library)
            return Missing("Setup");
        Message(texts.loadedMessage);
    }
    if (!FillSettings(flag))
        return false;
    if (!library->Setup(width, height, count, env->GetResourceLoader(), settings)) {
        Failed("Setup");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::TransformEndToEnd(const Complex* h0, double time, double dt,
                                        float choppiness, float depth, float loopPeriod,
                                        bool spectrumChanged)
{
    if (!library)
        return Missing("TransformEndToEnd");
    if (!library->TransformEndToEnd(h0, time, dt, choppiness, depth, loopPeriod,
                                    spectrumChanged)) {
        Failed("TransformEndToEnd");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::FinishTransform()
{
    if (!library)
        return Missing("FinishTransform");
    if (!library->FinishTransform()) {
        Failed("FinishTransform");
        return false;
    }
    return true;
}

float FFTDeviceEngine::GetHeightAt(float u, float v)
{
    if (!library) {
        Missing("GetHeightAt");
        return 0.0f;
    }
    return library->GetHeightAt(u, v);
}

void FFTDeviceEngine::GetDisplacementAt(float u, float v, float& dx, float& dy)
{
    dx = dy = 0.0f;
    if (!library) {
        Missing("GetDisplacementAt");
        return;
    }
    library->GetDisplacementAt(u, v, dx, dy);
}

const Vector<Vector3>& FFTDeviceEngine::GetSprayPositions()
{
    if (!library) {
        Missing("GetSprayPositions");
        return noSprays;
    }
    return library->GetSprayPositions();
}

bool FFTDeviceEngine::SetOutputTextures(ID3D11Resource* displacement, ID3D11Resource* slopeFoam)
{
    if (!library)
        return Missing("SetOutputTextures");
    if (!library->SetOutputTextures(displacement, slopeFoam)) {
        Failed("SetOutputTextures", "Direct3D 11");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::SetOutputTextures(IDirect3DTexture9* displacement,
                                        IDirect3DTexture9* slopeFoam)
{
    if (!library)
        return Missing("SetOutputTextures");
    if (!library->SetOutputTextures(displacement, slopeFoam)) {
        Failed("SetOutputTextures", "Direct3D 9");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::SetOutputTextures(std::uint32_t displacementTexture,
                                        std::uint32_t slopeFoamTexture)
{
    if (!library)
        return Missing("SetOutputTextures");
    if (!library->SetOutputTextures(displacementTexture, slopeFoamTexture)) {
        Failed("SetOutputTextures", "OpenGL");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::D3D9DeviceLost()
{
    if (!library)
        return Missing("D3D9DeviceLost");
    if (!library->D3D9DeviceLost()) {
        Failed("D3D9DeviceLost");
        return false;
    }
    return true;
}

bool FFTDeviceEngine::D3D9DeviceReset()
{
    if (!library)
        return Missing("D3D9DeviceReset");
    if (!library->D3D9DeviceReset()) {
        Failed("D3D9DeviceReset");
        return false;
    }
    return true;
}

} // namespace Maris
