#include "platform/linux/capture_window.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "platform/linux/capture_image.h"
#include "platform/linux/x11.h"

namespace platform::linux_desktop {
namespace {

// The capture has a connection of its own, so that it can run on a thread beside the run's
// other X work (the walk of the tree pairs windows through the shared one). Errors are the
// process's, reported to one handler: those of this connection are taken here, and the rest
// passed on to the handler that was there before.
std::atomic<Display*> ownDisplay{nullptr};
std::mutex capturing;  // one capture at a time on the connection
std::atomic<bool> ownError{false};
std::atomic<XErrorHandler> otherErrors{nullptr};
std::atomic<bool> otherErrorsKnown{false};

int recordOwnError(Display* d, XErrorEvent* error) {
  if (d == ownDisplay.load()) {
    ownError = true;
    return 0;
  }
  // An error of another connection in the moment between this handler's installation and
  // the capture's learning which handler it replaced.
  while (!otherErrorsKnown) std::this_thread::yield();
  XErrorHandler other = otherErrors;
  return other ? other(d, error) : 0;
}

Display* captureDisplay() {
  static Display* const opened = [] {
    // The shared connection first: opening it installs the run's handler, which would
    // otherwise replace this one.
    if (display() == nullptr) return static_cast<Display*>(nullptr);
    Display* d = openDisplayWithin(displayOpenLimitSeconds);
    if (d != nullptr) {
      ownDisplay = d;
      otherErrors = XSetErrorHandler(recordOwnError);
      otherErrorsKnown = true;
    }
    return d;
  }();
  return opened;
}

// A request on the capture's connection, synced; false when the server answered with an error.
template <class F>
bool checked(Display* d, F&& request) {
  ownError = false;
  request(d);
  XSync(d, False);
  return !ownError.exchange(false);
}

struct Frame {
  Window window = None;
  XWindowAttributes attributes{};
  // The pixmap covers the border too.
  int width() const { return attributes.width + 2 * attributes.border_width; }
  int height() const { return attributes.height + 2 * attributes.border_width; }
};

// The child of the root that holds the window: the window manager's frame, so that the image,
// the frame rectangle of the window list and element positions share one origin.
std::optional<Frame> frameOf(Display* d, Window window) {
  Frame frame;
  bool found = checked(d, [&](Display* d) {
    for (Window w = window;;) {
      Window root = None, parent = None, *children = nullptr;
      unsigned int count = 0;
      if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
      if (children) XFree(children);
      if (parent == root || parent == None) {
        frame.window = w;
        return;
      }
      w = parent;
    }
  });
  if (!found || frame.window == None) return std::nullopt;
  if (!checked(d, [&](Display* d) { XGetWindowAttributes(d, frame.window, &frame.attributes); }))
    return std::nullopt;
  // Minimised windows and those of other desktops are unmapped: nothing to read.
  if (frame.attributes.map_state != IsViewable) return std::nullopt;
  return frame;
}

bool hasExtension(Display* d, Bool (*query)(Display*, int*, int*)) {
  int event = 0, error = 0;
  return query(d, &event, &error);
}

// The connection is the same for the whole run: what it offers is asked once.
bool compositeUsable(Display* d) {
  static const bool usable = [d] {
    int major = 0, minor = 2;
    // Naming a window's pixmap needs version 0.2.
    return hasExtension(d, XCompositeQueryExtension) && XCompositeQueryVersion(d, &major, &minor) &&
           (major > 0 || minor >= 2);
  }();
  return usable;
}

std::optional<Pixmap> namedPixmap(Display* d, Window window) {
  Pixmap pixmap = None;
  // BadMatch when the window is not redirected.
  if (!checked(d, [&](Display* d) { pixmap = XCompositeNameWindowPixmap(d, window); })) {
    if (pixmap != None) checked(d, [&](Display* d) { XFreePixmap(d, pixmap); });
    return std::nullopt;
  }
  return pixmap;
}

Bool isDamageOf(Display* d, XEvent* event, XPointer damage) {
  static const int notify = [d] {
    int event = 0, error = 0;
    XDamageQueryExtension(d, &event, &error);
    return event + XDamageNotify;
  }();
  return event->type == notify &&
         reinterpret_cast<XDamageNotifyEvent*>(event)->damage == *reinterpret_cast<Damage*>(damage);
}

// A window that has just been redirected starts from an unpainted pixmap and is exposed in
// full: its clients repaint it, which the damage reports show. Done when the painted area
// covers the frame, when nothing more is painted for a while, or at the deadline.
void waitForPaint(Display* d, Damage damage, const Frame& frame, double timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  constexpr auto quiet = std::chrono::milliseconds(150);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(timeoutSeconds));
  Region painted = XCreateRegion();
  auto lastPaint = Clock::now();
  for (;;) {
    XEvent event;
    while (XCheckIfEvent(d, &event, isDamageOf, reinterpret_cast<XPointer>(&damage))) {
      XRectangle area = reinterpret_cast<XDamageNotifyEvent*>(&event)->area;
      XUnionRectWithRegion(&area, painted, painted);
      lastPaint = Clock::now();
    }
    if (XRectInRegion(painted, 0, 0, frame.attributes.width, frame.attributes.height) == RectangleIn)
      break;
    auto now = Clock::now();
    auto until = std::min(deadline, lastPaint + quiet);
    if (now >= until) break;
    pollfd connection{ConnectionNumber(d), POLLIN, 0};
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    if (poll(&connection, 1, static_cast<int>(wait)) > 0) XEventsQueued(d, QueuedAfterReading);
  }
  XDestroyRegion(painted);
}

// The server's 32-bit pixels are cairo's when they are native-endian xRGB or ARGB. The masks
// are the window's visual's: an image read from a pixmap carries none.
std::optional<cairo_format_t> surfaceFormat(const XImage& image, const Visual& visual) {
  const int hostOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  if (image.bits_per_pixel != 32 || image.byte_order != hostOrder || visual.red_mask != 0xff0000 ||
      visual.green_mask != 0xff00 || visual.blue_mask != 0xff || image.bytes_per_line % 4 != 0)
    return std::nullopt;
  if (image.depth == 24) return CAIRO_FORMAT_RGB24;
  if (image.depth == 32) return CAIRO_FORMAT_ARGB32;
  return std::nullopt;
}

Image wrap(const XImage& image, const Frame& frame, unsigned char* data,
           std::shared_ptr<const void> owner) {
  auto format = surfaceFormat(image, *frame.attributes.visual);
  if (!format) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(data, *format, image.width,
                                                                 image.height, image.bytes_per_line);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return std::make_shared<SurfaceImage>(surface, std::move(owner));
}

bool shmUsable(Display* d) {
  static const bool usable = XShmQueryExtension(d);
  return usable;
}

// Through a shared memory segment: no copy of the pixels through the socket.
Image readShared(Display* d, Drawable drawable, const Frame& frame) {
  XShmSegmentInfo segment{};
  XImage* image = XShmCreateImage(d, frame.attributes.visual, frame.attributes.depth, ZPixmap,
                                  nullptr, &segment, frame.width(), frame.height());
  if (image == nullptr) return nullptr;
  segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height,
                         IPC_CREAT | 0600);
  if (segment.shmid < 0) {
    XDestroyImage(image);
    return nullptr;
  }
  void* memory = shmat(segment.shmid, nullptr, 0);
  // Marked for removal at once: it goes away with its last attachment, even if this run dies.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (memory == reinterpret_cast<void*>(-1)) {
    XDestroyImage(image);
    return nullptr;
  }
  std::shared_ptr<const void> owner(memory, [](const void* m) { shmdt(m); });
  segment.shmaddr = image->data = static_cast<char*>(memory);
  segment.readOnly = False;
  if (!checked(d, [&](Display* d) { XShmAttach(d, &segment); })) {
    XDestroyImage(image);
    return nullptr;
  }
  bool read = false;
  bool clean = checked(d, [&](Display* d) { read = XShmGetImage(d, drawable, image, 0, 0, AllPlanes); });
  checked(d, [&](Display* d) { XShmDetach(d, &segment); });
  Image result = read && clean ? wrap(*image, frame, static_cast<unsigned char*>(memory), owner) : nullptr;
  XDestroyImage(image);  // frees the structure only; the segment belongs to owner
  return result;
}

Image readPlain(Display* d, Drawable drawable, const Frame& frame) {
  XImage* image = nullptr;
  if (!checked(d, [&](Display* d) {
        image = XGetImage(d, drawable, 0, 0, frame.width(), frame.height(), AllPlanes, ZPixmap);
      }) ||
      image == nullptr) {
    if (image) XDestroyImage(image);
    return nullptr;
  }
  std::shared_ptr<const void> owner(image, [](const void* i) {
    XDestroyImage(static_cast<XImage*>(const_cast<void*>(i)));
  });
  return wrap(*image, frame, reinterpret_cast<unsigned char*>(image->data), owner);
}

Image readPixels(Display* d, Drawable drawable, const Frame& frame) {
  if (shmUsable(d))
    if (Image image = readShared(d, drawable, frame)) return image;
  return readPlain(d, drawable, frame);
}

// Redirects the frame for the capture when no compositor keeps it off-screen already.
Image readRedirected(Display* d, const Frame& frame, double timeoutSeconds) {
  Damage damage = None;
  if (hasExtension(d, XDamageQueryExtension))
    checked(d, [&](Display* d) { damage = XDamageCreate(d, frame.window, XDamageReportRawRectangles); });
  Image image;
  if (checked(d, [&](Display* d) { XCompositeRedirectWindow(d, frame.window, CompositeRedirectAutomatic); })) {
    if (damage != None) waitForPaint(d, damage, frame, timeoutSeconds);
    if (auto pixmap = namedPixmap(d, frame.window)) {
      image = readPixels(d, *pixmap, frame);
      checked(d, [&](Display* d) { XFreePixmap(d, *pixmap); });
    }
    checked(d, [&](Display* d) { XCompositeUnredirectWindow(d, frame.window, CompositeRedirectAutomatic); });
  }
  if (damage != None) {
    checked(d, [&](Display* d) { XDamageDestroy(d, damage); });
    XEvent event;
    while (XCheckIfEvent(d, &event, isDamageOf, reinterpret_cast<XPointer>(&damage))) {
    }
  }
  return image;
}

}  // namespace

void prepareGrabbing() {
  std::lock_guard lock(capturing);
  if (Display* d = captureDisplay()) {
    compositeUsable(d);
    shmUsable(d);
  }
}

Image grabWindow(uint32_t windowId, double timeoutSeconds) {
  std::lock_guard lock(capturing);
  Display* d = captureDisplay();
  if (d == nullptr || windowId == 0) return nullptr;
  auto frame = frameOf(d, windowId);
  if (!frame) return nullptr;
  // Without the extension only what is on the screen can be read.
  if (!compositeUsable(d)) return readPixels(d, frame->window, *frame);
  if (auto pixmap = namedPixmap(d, frame->window)) {
    Image image = readPixels(d, *pixmap, *frame);
    checked(d, [&](Display* d) { XFreePixmap(d, *pixmap); });
    return image;
  }
  return readRedirected(d, *frame, timeoutSeconds);
}

}  // namespace platform::linux_desktop
