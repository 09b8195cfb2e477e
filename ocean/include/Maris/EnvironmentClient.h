#pragma once

namespace Maris {

// An object that an environment serves (an ocean) and that keeps a pointer to it. The environment
// calls EnvironmentDestroyed from its destructor, so the client never uses a dangling pointer.
class EnvironmentClient
{
public:
    virtual void EnvironmentDestroyed() = 0;

protected:
    ~EnvironmentClient() = default;
};

} // namespace Maris
