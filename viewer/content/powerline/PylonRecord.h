#pragma once

#include <osg/Vec3d>

#include <string>

namespace osgKELVO {

// One line of the pylon coordinate list. Every real value has passed through a 32-bit float.
struct PylonRecord
{
    std::string numberText; // field 1 as written: the label and part of the node name
    int number = 0;         // field 1 through atoi
    std::string blockName;  // field 2
    osg::Vec3d position;    // fields 3 to 5: geographic (main record) or block-frame point
    double headingGon = 0;  // field 6, about z
    double tiltXGon = 0;    // field 7, about x
    double tiltYGon = 0;    // field 8, about y
    osg::Vec3d frameTranslation; // fields 9 to 11, used on main records only
    osg::Vec3d target;           // fields 12 to 14, used on following records only; 0 is none
};

} // namespace osgKELVO
