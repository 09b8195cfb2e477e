#pragma once

#include <Maris/engine/FFTDeviceSettings.h>

// What the stand-in GPU engine library saw of its host, read by the tests through
// TestDeviceRecord().
struct TestDeviceRecord
{
    int setupCalls = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned count = 0;
    Maris::FFTDeviceSettings settings;
    int transformCalls = 0;
    double time = 0.0;
    double dt = 0.0;
    float choppiness = 0.0f;
    float depth = 0.0f;
    float loopPeriod = 0.0f;
    bool spectrumChanged = false;
    float firstAmplitude[2] = {0.0f, 0.0f};
    int finishCalls = 0;
    unsigned displacementTexture = 0;
    unsigned slopeFoamTexture = 0;
};
