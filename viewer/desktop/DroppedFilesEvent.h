#pragma once

#include <osg/Referenced>
#include <osg/ref_ptr>
#include <osgGA/EventQueue>
#include <osgGA/GUIEventAdapter>

#include <string>
#include <vector>

namespace osgKELVO {

// Files dropped on the window reach the handlers as a USER event whose user data is this list of
// local paths (the scene-graph library build in use has no drop event of its own).
class DroppedFilesEvent : public osg::Referenced
{
public:
    explicit DroppedFilesEvent(const std::vector<std::string>& paths) : paths(paths) {}

    const std::vector<std::string>& getPaths() const { return paths; }

    // The list carried by a drop event, or null for any other event.
    static const DroppedFilesEvent* from(const osgGA::GUIEventAdapter& ea);

    // Queues one drop event for the next event traversal.
    static void post(osgGA::EventQueue& queue, const std::vector<std::string>& paths);

protected:
    ~DroppedFilesEvent() override = default;

private:
    std::vector<std::string> paths;
};

} // namespace osgKELVO
