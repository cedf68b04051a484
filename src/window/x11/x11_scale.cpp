// The desktop's scale on X11: the Xft.dpi resource, which GTK, Qt and the
// desktops' settings daemons publish in the root window's RESOURCE_MANAGER
// (192 for 200 %), over the 96 dpi of an unscaled screen.
#include <X11/Xresource.h>

#include <cstdlib>
#include <cstring>

#include "x11_internal.h"

double X11ScaleOfResources(const char* resources) {
    if (resources == nullptr) return 1;
    XrmInitialize();
    XrmDatabase db = XrmGetStringDatabase(resources);
    if (db == nullptr) return 1;
    double scale = 1;
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr &&
        type != nullptr && std::strcmp(type, "String") == 0) {
        char* end = nullptr;
        const double dpi = std::strtod(value.addr, &end);
        if (end != value.addr && dpi > 0) scale = dpi / 96;
    }
    XrmDestroyDatabase(db);
    return scale;
}

double X11DesktopScale(Display* display) {
    // Xlib keeps the property as it was when the connection was opened.
    return X11ScaleOfResources(XResourceManagerString(display));
}
