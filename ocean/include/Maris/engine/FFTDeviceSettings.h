#pragma once

#include <cstdint>

namespace Maris {

// Graphics interface a GPU engine library shares its textures with.
enum FFTGraphicsInterface : std::int32_t
{
    FFTGraphicsOpenGL = 0,
    FFTGraphicsDirect3D9 = 1,
    FFTGraphicsDirect3D11 = 2,
    FFTGraphicsNone = 3
};

// What a GPU engine hands its library at set-up.
struct FFTDeviceSettings
{
    float gridSizeX = 0.0f; // world units
    float gridSizeY = 0.0f;
    float metersPerUnit = 1.0f;
    bool flag = false; // the ocean's fftEngineFlag (Ocean::Create), handed on unchanged
    bool sprayEnabled = false;
    float sprayThreshold = 1.0f;
    FFTGraphicsInterface graphicsInterface = FFTGraphicsOpenGL;
    void* device = nullptr;
    bool multiGPU = false; // fft-enable-multi-gpu, read by the CUDA engine only
};

} // namespace Maris
