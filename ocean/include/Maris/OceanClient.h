#pragma once

namespace Maris {

// An object that keeps a pointer to an ocean (a wake source, say). The ocean calls
// OceanDestroyed from its destructor, so the client never uses a dangling pointer.
class OceanClient
{
public:
    virtual void OceanDestroyed() = 0;

protected:
    ~OceanClient() = default;
};

} // namespace Maris
