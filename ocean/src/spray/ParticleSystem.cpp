#include "spray/ParticleSystem.h"

#include "core/Configuration.h"

#include <algorithm>
#include <cmath>

namespace Maris {

double ParticleSystem::referenceTime = 0.0;
bool ParticleSystem::referenceTimeSet = false;

ParticleSystem::ParticleSystem(Environment* environmentIn)
    : lastEmissionTime(0.0), endTime(0.0), environment(environmentIn), frame(nullptr), nextSlot(0),
      transparency(1.0f), gravity(9.81f), inverseSizeFactor(1.0f), pureAdditiveBlend(false)
{
    pureAdditiveBlend = Configuration::Get(ConfigKey::ParticlesPureAdditiveBlend);
}

ParticleSystem::~ParticleSystem() = default;

double ParticleSystem::BurstEndTime(double startTime, double startHeight, double upwardSpeed,
                                    double gravityIn, double metersPerUnit)
{
    const double a = -0.5 * gravityIn / metersPerUnit;
    const double b = upwardSpeed;
    const double c = startHeight;
    if (a == 0.0)
        return 0.0;
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0)
        return 0.0;
    const double root = std::sqrt(discriminant);
    const double first = (-b + root) / (2.0 * a);
    const double second = (-b - root) / (2.0 * a);
    return startTime + std::max(first, second);
}

void ParticleSystem::NoteEmission(double time)
{
    lastEmissionTime = time;
    if (!referenceTimeSet) {
        referenceTime = time;
        referenceTimeSet = true;
    }
}

} // namespace Maris
