#include "platform/x11/MesaRendererQuery.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstring>

namespace osgKELVO {

namespace {

// From GLX_MESA_query_renderer; Debian's headers declare the extension only behind a macro.
const int MesaRendererDeviceId = 0x8184;
using QueryRendererString = const char* (*)(Display*, int screen, int renderer, int attribute);

bool extensionListed(const char* extensions, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const char* at = extensions; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == extensions || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

} // namespace

std::string MesaRendererQuery::name(const std::string& displayName, int screenNum)
{
    // The connection stays open for the life of the program: closing a display that GLX was asked
    // about corrupted the client library's state for the window opened after it (bad drawables at
    // the swap, a damaged heap). One idle connection is the cheaper price.
    static Display* const display = XOpenDisplay(displayName.c_str());
    if (!display)
        return std::string();
    std::string renderer;
    const auto query = reinterpret_cast<QueryRendererString>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXQueryRendererStringMESA")));
    if (query && screenNum >= 0 && screenNum < ScreenCount(display) &&
        extensionListed(glXQueryExtensionsString(display, screenNum), "GLX_MESA_query_renderer"))
        if (const char* text = query(display, screenNum, 0, MesaRendererDeviceId))
            renderer = text;
    return renderer;
}

} // namespace osgKELVO
