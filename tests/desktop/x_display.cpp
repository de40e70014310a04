#include "tests/desktop/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

namespace veltar::desktop {
namespace {

// Windows come and go under the tests' feet: a request about one that has gone
// is answered with an error, which must not end the test program.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

XDisplay::XDisplay() : m_display(XOpenDisplay(nullptr)) {
    XSetErrorHandler(IgnoreError);
    if (m_display) XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
}

XDisplay::~XDisplay() {
    if (m_display) XCloseDisplay(m_display);
}

int XDisplay::ScreenWidth() const { return DisplayWidth(m_display, DefaultScreen(m_display)); }

int XDisplay::ScreenHeight() const { return DisplayHeight(m_display, DefaultScreen(m_display)); }

void XDisplay::MoveTo(Point p) {
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), p.x, p.y, CurrentTime);
    XSync(m_display, False);
}

void XDisplay::Press(unsigned button) {
    m_held |= 1u << button;
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XSync(m_display, False);
}

void XDisplay::Release(unsigned button) {
    m_held &= ~(1u << button);
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XSync(m_display, False);
}

void XDisplay::ReleaseAll() {
    for (unsigned button = Button1; button <= Button5; ++button)
        if (m_held & (1u << button)) Release(button);
}

Point XDisplay::PointerPosition() const {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

std::vector<Window> XDisplay::MappedWindows() const {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> mapped;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count)) return mapped;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(m_display, children[i], &attributes) && attributes.map_state == IsViewable)
            mapped.push_back(children[i]);
    }
    if (children) XFree(children);
    return mapped;
}

Rect XDisplay::Geometry(Window window) const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes)) return {};
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
    return {x, y, x + attributes.width, y + attributes.height};
}

std::string XDisplay::Title(Window window) const {
    const Atom name = XInternAtom(m_display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(m_display, window, name, 0, 1 << 16, False, utf8, &type, &format, &items, &after, &data) ==
            Success &&
        data) {
        if (type == utf8 && format == 8) title.assign(reinterpret_cast<const char*>(data), items);
        XFree(data);
    }
    return title;
}

std::vector<long> XDisplay::IconWidths(Window window) const {
    const Atom icon = XInternAtom(m_display, "_NET_WM_ICON", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> widths;
    if (XGetWindowProperty(m_display, window, icon, 0, 1 << 20, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        // Each image: its width, its height, then width × height pixels.
        const auto* values = reinterpret_cast<const long*>(data);
        for (unsigned long at = 0; format == 32 && at + 2 <= items;
             at += 2 + static_cast<unsigned long>(values[at] * values[at + 1]))
            widths.push_back(values[at]);
        XFree(data);
    }
    return widths;
}

std::string XDisplay::ClassName(Window window) const {
    XClassHint hint{};
    std::string name;
    if (XGetClassHint(m_display, window, &hint)) {
        if (hint.res_class) name = hint.res_class;
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return name;
}

bool XDisplay::IsOverrideRedirect(Window window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_display, window, &attributes) && attributes.override_redirect;
}

void XDisplay::RequestClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &event);
    XSync(m_display, False);
}

void XDisplay::WatchWindows() {
    for (Window w : MappedWindows()) XSelectInput(m_display, w, PropertyChangeMask);
    XFlush(m_display);
}

void XDisplay::WaitForEvents(std::chrono::milliseconds timeout) {
    if (XPending(m_display) == 0) {
        pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(timeout.count()));
    }
    XEvent event;
    while (XPending(m_display) > 0) XNextEvent(m_display, &event);
}

}  // namespace veltar::desktop
