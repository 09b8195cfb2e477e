#pragma once

#include "FFTTestEnvironment.h"
#include "MessageCapture.h"

#include "waves/FFTWaterModel.h"
#include "grid/ProjectedGrid.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// A simulation-only ocean environment with the CPU engine, quick planning and a small grid, plus
// FFT water models built on it from a fixed random seed.
class FFTWaterModelFixture
{
public:
    explicit FFTWaterModelFixture(const std::string& extraConfiguration = "",
                                  int dimension = 64)
        : setup("fft-force-cpu = true\nfft-measure-plans = false\n"
                "fft-grid-dimension-x = " + std::to_string(dimension) + "\n"
                "fft-grid-dimension-y = " + std::to_string(dimension) + "\n" +
                extraConfiguration)
    {
    }

    Maris::Environment& environment() { return setup.environment(); }
    bool initialized() const { return setup.initialized(); }

    // Wind over all of the sea; fetch 0 means none given.
    void setWind(double speed, double direction, double fetch = 0.0)
    {
        Maris::WindFetch wind;
        wind.SetWind(speed, direction);
        wind.SetFetchLength(fetch);
        environment().ClearWindFetches();
        environment().AddWindFetch(wind);
    }

    std::unique_ptr<Maris::FFTWaterModel> model(int type, unsigned seed = 1)
    {
        std::srand(seed);
        std::unique_ptr<Maris::FFTWaterModel> m(new Maris::FFTWaterModel(&environment(), type));
        if (!m->Initialize(0, 0, false))
            return nullptr;
        return m;
    }

    std::unique_ptr<Maris::ProjectedGrid> grid(int type)
    {
        std::unique_ptr<Maris::ProjectedGrid> g(new Maris::ProjectedGrid(false));
        g->Initialize(&environment(), static_cast<Maris::WaterModelType>(type), 64);
        return g;
    }

    MessageCapture messages;
    FFTTestEnvironment setup;
};

inline std::vector<float> copyBuffer(const float* buffer, std::size_t count)
{
    return std::vector<float>(buffer, buffer + count);
}
