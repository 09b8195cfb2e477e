#pragma once

#include <osg/Geode>
#include <osg/ref_ptr>

// The building blocks of the demo's 130 kV line, in their block frame (metres, z up):
// - body: a four-legged lattice tower, 29 m to the earth-wire peak, base 6 m square, on concrete
//   footings reaching 1 m below z = 0;
// - cross-arm: a lattice arm along +x from the tower axis, its tip hanger at (length, 0, -0.3);
// - insulator string: hanger, glass cap-and-pin discs and clamp, modelled from z = 0 down to
//   z = -1, so that a target point stretches it to its real length.
class PylonBlocks
{
public:
    static constexpr float BodyPeak = 29.0f;
    static constexpr float LongArm = 5.6f;
    static constexpr float ShortArm = 4.0f;
    static constexpr float ArmTipDrop = 0.3f;

    static osg::ref_ptr<osg::Geode> body();
    static osg::ref_ptr<osg::Geode> crossArm(float length);
    static osg::ref_ptr<osg::Geode> insulatorString();
};
