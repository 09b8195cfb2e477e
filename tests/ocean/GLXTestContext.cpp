#include "GLXTestContext.h"

#include <GL/glx.h>
#include <GL/glxext.h>

namespace {

// Context creation errors arrive asynchronously; this keeps them from terminating the test.
bool creationFailed = false;
int recordError(Display*, XErrorEvent*)
{
    creationFailed = true;
    return 0;
}

} // namespace

GLXTestContext::GLXTestContext(Profile profile)
{
    display = XOpenDisplay(nullptr);
    if (!display) {
        reason = "cannot open the X display (is DISPLAY set?)";
        return;
    }
    const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE,
                                    GLX_RGBA_BIT, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                                    GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, None};
    int count = 0;
    GLXFBConfig* configs =
        glXChooseFBConfig(display, DefaultScreen(display), configAttributes, &count);
    if (!configs || count == 0) {
        reason = "no pbuffer frame-buffer configuration";
        return;
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);

    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
    pbuffer = glXCreatePbuffer(display, config, pbufferAttributes);

    auto createContextAttribs = reinterpret_cast<PFNGLXCREATECONTEXTATTRIBSARBPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
    if (!createContextAttribs) {
        reason = "no glXCreateContextAttribsARB";
        return;
    }
    const int compatibility[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 2,
                                 GLX_CONTEXT_MINOR_VERSION_ARB, 1, None};
    const int core[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 3, GLX_CONTEXT_MINOR_VERSION_ARB, 3,
                        GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB, None};
    creationFailed = false;
    int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(recordError);
    GLXContext created = createContextAttribs(display, config, nullptr, True,
                                              profile == Profile::Core ? core : compatibility);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!created || creationFailed) {
        reason = "context creation failed";
        return;
    }
    context = created;
    current = glXMakeContextCurrent(display, pbuffer, pbuffer, created) == True;
    if (!current)
        reason = "cannot make the context current";
}

GLXTestContext::~GLXTestContext()
{
    if (!display)
        return;
    glXMakeContextCurrent(display, None, None, nullptr);
    if (context)
        glXDestroyContext(display, static_cast<GLXContext>(context));
    if (pbuffer)
        glXDestroyPbuffer(display, pbuffer);
    XCloseDisplay(display);
}
