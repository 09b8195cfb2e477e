#pragma once

#include <Maris/Containers.h>
#include <Maris/MemObject.h>

namespace Maris {

class ParticleSystem;

// The particle systems of ship wakes, in the order they were added. Each frame it draws the ones
// whose particles can still be above the sea; spent systems stay, to be restarted by their
// creator. The manager owns what is added and deletes it with itself.
class ParticleSystemManager : public MemObject
{
public:
    ParticleSystemManager();
    virtual ~ParticleSystemManager();

    // Null is ignored.
    void AddParticleSystem(ParticleSystem* system);
    // Draws every system whose end time lies after the time.
    void Update(double time);

    const List<ParticleSystem*>& GetParticleSystems() const { return systems; }

private:
    ParticleSystemManager(const ParticleSystemManager&) = delete;
    ParticleSystemManager& operator=(const ParticleSystemManager&) = delete;

    List<ParticleSystem*> systems;
};

} // namespace Maris
