#pragma once

#include <Maris/Complex.h>
#include <Maris/engine/FFTDeviceSettings.h>

// What the stand-in GPU engine saw of its host, read through TestDeviceRecord().
struct TestDeviceRecord
{
    Maris::FFTDeviceSettings settings;
    double dt = 0.0;
    float depth = 0.0f;
    bool spectrumChanged = false;
    Maris::Complex firstAmplitude;
    int finishCalls = 0;
    const void* sprays = nullptr;
};
