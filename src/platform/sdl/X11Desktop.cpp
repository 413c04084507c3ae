#include "platform/sdl/X11Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

#include "platform/Log.h"

namespace trv {
namespace {

// Windows looked at in one search, so that a huge or hostile tree cannot stall us.
constexpr std::size_t kMaxWindows = 20000;
// Longest property read, in 32-bit units.
constexpr long kMaxPropertyLongs = 4096;

// Catches X protocol errors (a window that vanished) for the calls made while
// it lives, instead of the default handler, which ends the process. The
// handler is process-wide: the X calls here and SDL's run on the same thread.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* d) : display_(d) {
    XSync(display_, False);
    errors_ = 0;
    old_ = XSetErrorHandler(&ErrorTrap::Handler);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(old_);
  }
  bool Failed() {
    XSync(display_, False);
    return errors_ != 0;
  }

 private:
  static int Handler(Display*, XErrorEvent*) {
    ++errors_;
    return 0;
  }
  static inline int errors_ = 0;
  Display* display_;
  int (*old_)(Display*, XErrorEvent*) = nullptr;
};

}  // namespace

struct X11Desktop::Impl {
  Display* display = nullptr;
  bool tried = false;
  Atom clientList = 0, netWmName = 0, utf8String = 0, wmProtocols = 0, wmDelete = 0, netWmPid = 0, netActive = 0;

  bool Open() {
    if (tried) return display != nullptr;
    tried = true;
    display = XOpenDisplay(nullptr);
    if (!display) {
      Log("shell", "no X display: windows of other programs cannot be found");
      return false;
    }
    clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
    netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    utf8String = XInternAtom(display, "UTF8_STRING", False);
    wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    wmDelete = XInternAtom(display, "WM_DELETE_WINDOW", False);
    netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    netActive = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    return true;
  }

  // A property's bytes (8-bit format) or longs (32-bit format).
  bool ReadProperty(::Window w, Atom property, Atom type, int format, std::vector<unsigned char>* bytes,
                    std::vector<unsigned long>* longs) {
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, w, property, 0, kMaxPropertyLongs, False, type, &actualType,
                           &actualFormat, &count, &after, &data) != Success)
      return false;
    bool ok = data && actualType == type && actualFormat == format;
    if (ok && format == 8 && bytes) bytes->assign(data, data + count);
    if (ok && format == 32 && longs) {
      const unsigned long* values = reinterpret_cast<const unsigned long*>(data);
      longs->assign(values, values + count);
    }
    if (data) XFree(data);
    return ok;
  }

  std::optional<std::string> TitleOf(::Window w) {
    std::vector<unsigned char> bytes;
    if (ReadProperty(w, netWmName, utf8String, 8, &bytes, nullptr))
      return std::string(bytes.begin(), bytes.end());
    XTextProperty text{};
    if (!XGetWMName(display, w, &text) || !text.value) return std::nullopt;
    std::optional<std::string> title;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && list) {
      if (count > 0 && list[0]) title = std::string(list[0]);
      XFreeStringList(list);
    }
    XFree(text.value);
    return title;
  }

  // Top-level windows, the topmost first: the window manager's client list
  // when there is one, then the root's children and their children (the
  // clients of a reparenting window manager, or everything without one).
  std::vector<::Window> Candidates() {
    std::vector<::Window> out;
    const ::Window root = DefaultRootWindow(display);
    std::vector<unsigned long> clients;
    if (ReadProperty(root, clientList, XA_WINDOW, 32, nullptr, &clients))
      for (auto it = clients.rbegin(); it != clients.rend(); ++it) out.push_back(::Window(*it));
    std::vector<::Window> level{root};
    for (int depth = 0; depth < 2 && out.size() < kMaxWindows; ++depth) {
      std::vector<::Window> next;
      for (::Window parent : level) {
        ::Window rootReturn = 0, parentReturn = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &n)) continue;
        for (unsigned int i = n; i-- > 0 && out.size() < kMaxWindows;) {
          out.push_back(children[i]);
          next.push_back(children[i]);
        }
        if (children) XFree(children);
      }
      level.swap(next);
    }
    return out;
  }
};

X11Desktop::X11Desktop() : impl_(std::make_unique<Impl>()) {}

X11Desktop::~X11Desktop() {
  if (impl_->display) XCloseDisplay(impl_->display);
}

bool X11Desktop::Connected() { return impl_->Open(); }

std::optional<std::uint64_t> X11Desktop::FindWindow(const std::string& titleUtf8, long skipPid) {
  if (!impl_->Open()) return std::nullopt;
  ErrorTrap trap(impl_->display);
  for (::Window w : impl_->Candidates()) {
    auto title = impl_->TitleOf(w);
    if (!title || *title != titleUtf8) continue;
    if (skipPid != 0) {
      std::vector<unsigned long> pid;
      if (impl_->ReadProperty(w, impl_->netWmPid, XA_CARDINAL, 32, nullptr, &pid) && !pid.empty() &&
          long(pid[0]) == skipPid)
        continue;
    }
    return std::uint64_t(w);
  }
  return std::nullopt;
}

bool X11Desktop::Raise(std::uint64_t window) {
  if (!impl_->Open() || window == 0) return false;
  ErrorTrap trap(impl_->display);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(impl_->display, ::Window(window), &attributes) || trap.Failed()) return false;
  XRaiseWindow(impl_->display, ::Window(window));
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = ::Window(window);
  ev.xclient.message_type = impl_->netActive;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 2;  // asked by a tool, not by a click
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(impl_->display, DefaultRootWindow(impl_->display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(impl_->display);
  return !trap.Failed();
}

std::optional<std::string> X11Desktop::Title(std::uint64_t window) {
  if (!impl_->Open() || window == 0) return std::nullopt;
  ErrorTrap trap(impl_->display);
  auto title = impl_->TitleOf(::Window(window));
  if (trap.Failed()) return std::nullopt;
  return title ? title : std::optional<std::string>(std::string());
}

bool X11Desktop::RequestClose(std::uint64_t window) {
  if (!impl_->Open() || window == 0) return false;
  ErrorTrap trap(impl_->display);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(impl_->display, ::Window(window), &attributes) || trap.Failed()) return false;
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = ::Window(window);
  ev.xclient.message_type = impl_->wmProtocols;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(impl_->wmDelete);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(impl_->display, ::Window(window), False, NoEventMask, &ev);
  XFlush(impl_->display);
  return !trap.Failed();
}

std::optional<X11Desktop::Pointer> X11Desktop::QueryPointer() {
  if (!impl_->Open()) return std::nullopt;
  ::Window rootReturn = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(impl_->display, DefaultRootWindow(impl_->display), &rootReturn, &child, &rootX, &rootY,
                     &winX, &winY, &mask))
    return std::nullopt;
  return Pointer{rootX, rootY, (mask & Button1Mask) != 0};
}

}  // namespace trv
