#include "spray/ParticleSystemManager.h"

#include "spray/ParticleSystem.h"

namespace Maris {

ParticleSystemManager::ParticleSystemManager() = default;

ParticleSystemManager::~ParticleSystemManager()
{
    for (ParticleSystem* system : systems)
        delete system;
}

void ParticleSystemManager::AddParticleSystem(ParticleSystem* system)
{
    if (system)
        systems.push_back(system);
}

void ParticleSystemManager::Update(double time)
{
    for (ParticleSystem* system : systems)
        if (system->GetEndTime() > time)
            system->Draw(time);
}

} // namespace Maris
