#pragma once

#include <osgGA/GUIActionAdapter>

namespace kelvotest {

// An action adapter that is not a view and ignores every request: for handing events to a
// handler directly.
class IdleActionAdapter : public osgGA::GUIActionAdapter
{
public:
    void requestRedraw() override {}
    void requestContinuousUpdate(bool) override {}
    void requestWarpPointer(float, float) override {}
};

} // namespace kelvotest
