#pragma once

namespace osgKELVO {

// Hands the ocean library's messages to the notification stream from now on: its debug lines at
// INFO (seen with OSG_NOTIFY_LEVEL=INFO), its alerts at WARN. Without this the library keeps its
// debug lines to itself.
void forwardOceanMessagesToNotify();

} // namespace osgKELVO
