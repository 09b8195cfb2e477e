#include "desktop/DroppedFilesEvent.h"

namespace osgKELVO {

const DroppedFilesEvent* DroppedFilesEvent::from(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getEventType() != osgGA::GUIEventAdapter::USER)
        return nullptr;
    return dynamic_cast<const DroppedFilesEvent*>(ea.getUserData());
}

void DroppedFilesEvent::post(osgGA::EventQueue& queue, const std::vector<std::string>& paths)
{
    queue.userEvent(new DroppedFilesEvent(paths));
}

} // namespace osgKELVO
