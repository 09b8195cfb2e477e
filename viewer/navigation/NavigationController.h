#pragma once

#include "navigation/NavigationSettings.h"

#include <osg/Matrixd>
#include <osg/Node>
#include <osg/Vec3d>
#include <osgGA/CameraManipulator>

#include <map>
#include <vector>

namespace osgKELVO {

// The viewer's camera manipulator: smooth free flight and terrain-following navigation driven by
// held keys, mouse drags and the scroll wheel.
class NavigationController : public osgGA::CameraManipulator
{
public:
    enum Mode { TerrainFollowing = 1, FreeFlight = 2 };

    explicit NavigationController(osg::Node* camera);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void getUsage(osg::ApplicationUsage& usage) const override;

    void setByMatrix(const osg::Matrixd& m) override;
    void setByInverseMatrix(const osg::Matrixd& m) override;
    osg::Matrixd getMatrix() const override;
    osg::Matrixd getInverseMatrix() const override;
    float getFusionDistanceValue() const override;

    void setHome(const osg::Vec3d& eye, const osg::Vec3d& center);
    void goHome();
    void getEyeAndCenter(osg::Vec3d& eye, osg::Vec3d& center) const;

    const osg::Vec3d& getHomeEye() const { return home.eye; }
    const osg::Vec3d& getHomeCenter() const { return home.center; }
    int getMode() const { return mode; }
    double getMoveSpeed() const { return moveSpeed; }

protected:
    ~NavigationController() override;

private:
    bool handleMousePush(const osgGA::GUIEventAdapter& ea);
    bool handleMouseRelease(const osgGA::GUIEventAdapter& ea);
    bool handleMouseDrag(const osgGA::GUIEventAdapter& ea);
    bool handleMouseWheel(const osgGA::GUIEventAdapter& ea);
    bool handleKeyDown(const osgGA::GUIEventAdapter& ea);
    bool handleKeyUp(const osgGA::GUIEventAdapter& ea);
    bool handleFrame(const osgGA::GUIEventAdapter& ea);

    void initialize();
    void changeSpeed(double factor);
    void toggleMode();
    void dragTurn(float normalizedX, float normalizedY);
    void frameUpdate(double time);
    void freeStep(const osg::Vec3d& translation, double pitch, double yaw);
    void terrainFollowingStep(const osg::Vec3d& translation, double pitch, double yaw);
    osg::Vec3f findPivot() const;
    double elevation() const;
    float& state(int key);

    bool initialized;
    NavigationSettings home;
    int mode;
    std::vector<float> keyState;
    std::map<int, unsigned> keyIndex;
    float axes[5];
    double moveSpeed;
    double turnSpeed;
    osg::Matrixd matrix;
    osg::ref_ptr<osg::Node> camera;
    float pressX, pressY;
    double lastFrameTime;
    bool modeChanged;
    float fusionDistance;
};

} // namespace osgKELVO
