#pragma once

#include <osg/Drawable>

#include <atomic>

namespace Maris {
class Ocean;
}

namespace osgKELVO {

// Steps the ocean's simulation in the update traversal, at the frame's simulation time. The ocean
// is created later, inside a draw that may run on another thread while the next frame updates, so
// the pointer is handed over atomically instead of installing the callback from the draw.
class MarisUpdateCallback : public osg::Drawable::UpdateCallback
{
public:
    explicit MarisUpdateCallback(Maris::Ocean* ocean = nullptr) : ocean(ocean) {}

    void update(osg::NodeVisitor* nodeVisitor, osg::Drawable* drawable) override;

    void setOcean(Maris::Ocean* steppedOcean) { ocean.store(steppedOcean); }
    Maris::Ocean* getOcean() const { return ocean.load(); }

private:
    std::atomic<Maris::Ocean*> ocean; // not owned: the drawable holding this callback owns it
};

} // namespace osgKELVO
