#include "plugin/editor/display_probe.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace vortane::editor {

bool CanShowEditor() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    int error_base = 0, event_base = 0, count = 0;
    bool usable = glXQueryExtension(display, &error_base, &event_base);
    if (usable) {
        const int attributes[] = {GLX_X_RENDERABLE,
                                  True,
                                  GLX_DRAWABLE_TYPE,
                                  GLX_WINDOW_BIT,
                                  GLX_RENDER_TYPE,
                                  GLX_RGBA_BIT,
                                  GLX_DOUBLEBUFFER,
                                  True,
                                  None};
        GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
        usable = configs != nullptr && count > 0;
        if (configs != nullptr) {
            XFree(configs);
        }
    }
    XCloseDisplay(display);
    return usable;
}

} // namespace vortane::editor
