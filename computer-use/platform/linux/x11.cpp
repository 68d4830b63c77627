#include "platform/linux/x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <semaphore>
#include <thread>

#include "platform/platform.h"

namespace platform::linux_desktop {
namespace {

bool errorSeen = false;

int recordError(Display*, XErrorEvent*) {
  errorSeen = true;
  return 0;
}

// Xlib exits the process when this handler returns, which would end the run without its
// answer: the run ends here instead.
int connectionLost(Display*) { platform::desktopLost(); }

}  // namespace

namespace {

using Clock = std::chrono::steady_clock;

// A server that accepts the connection and never answers would block XOpenDisplay for ever:
// it opens on a thread of its own, which is left behind then, and whatever it opens later is
// never used.
struct Opening {
  std::binary_semaphore done{0};
  Display* display = nullptr;
  Clock::time_point deadline;
};

std::shared_ptr<Opening> startOpening(double seconds) {
  XSetErrorHandler(recordError);
  XSetIOErrorHandler(connectionLost);
  auto opening = std::make_shared<Opening>();
  opening->deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::thread([opening] {
    opening->display = XOpenDisplay(nullptr);
    opening->done.release();
  }).detach();
  return opening;
}

Display* opened(Opening& opening) {
  return opening.done.try_acquire_until(opening.deadline) ? opening.display : nullptr;
}

std::shared_ptr<Opening>& sharedOpening() {
  static std::shared_ptr<Opening> opening;
  return opening;
}

}  // namespace

Display* openDisplayWithin(double seconds) { return opened(*startOpening(seconds)); }

void startOpeningDisplay() {
  if (!sharedOpening()) sharedOpening() = startOpening(displayOpenLimitSeconds);
}

Display* display() {
  static Display* d = [] {
    startOpeningDisplay();
    return opened(*sharedOpening());
  }();
  return d;
}

namespace {
std::map<std::string, Atom> atoms;
}  // namespace

Atom atom(const char* name) {
  auto it = atoms.find(name);
  if (it != atoms.end()) return it->second;
  Display* d = display();
  Atom a = d ? XInternAtom(d, name, False) : None;
  atoms.emplace(name, a);
  return a;
}

void internAtoms(const std::vector<const char*>& names) {
  xcb_connection_t* c = connection();
  std::vector<const char*> missing;
  for (const char* name : names)
    if (!atoms.contains(name)) missing.push_back(name);
  if (c == nullptr || missing.empty()) return;
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const char* name : missing)
    cookies.push_back(xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name));
  for (size_t i = 0; i < missing.size(); ++i) {
    xcb_generic_error_t* error = nullptr;
    auto reply = answer(xcb_intern_atom_reply(c, cookies[i], &error), error);
    atoms.emplace(missing[i], reply ? reply->atom : None);
  }
}

bool takeError() {
  bool seen = errorSeen;
  errorSeen = false;
  return seen;
}

namespace {

struct RawProperty {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned char* data = nullptr;
  ~RawProperty() {
    if (data) XFree(data);
  }
};

bool readProperty(Window window, Atom property, Atom type, RawProperty& out) {
  Display* d = display();
  if (d == nullptr) return false;
  unsigned long remaining = 0;
  int status = XGetWindowProperty(d, window, property, 0, 1 << 20, False, type, &out.type,
                                  &out.format, &out.count, &remaining, &out.data);
  return status == Success && out.type != None && out.data != nullptr;
}

}  // namespace

xcb_connection_t* connection() {
  Display* d = display();
  return d == nullptr ? nullptr : XGetXCBConnection(d);
}

void endRunIfConnectionLost() {
  xcb_connection_t* c = connection();
  if (c != nullptr && xcb_connection_has_error(c)) platform::desktopLost();
}

xcb_get_property_cookie_t requestProperty(Window window, Atom property, Atom type, uint32_t longLength) {
  xcb_connection_t* c = connection();
  if (c == nullptr) return xcb_get_property_cookie_t{0};
  return xcb_get_property(c, 0, static_cast<xcb_window_t>(window), static_cast<xcb_atom_t>(property),
                          static_cast<xcb_atom_t>(type), 0, longLength);
}

std::optional<PropertyData> propertyReply(xcb_get_property_cookie_t cookie) {
  xcb_connection_t* c = connection();
  if (c == nullptr || cookie.sequence == 0) return std::nullopt;
  xcb_generic_error_t* error = nullptr;
  auto reply = answer(xcb_get_property_reply(c, cookie, &error), error);
  if (!reply || reply->type == XCB_NONE ||
      (reply->format != 8 && reply->format != 16 && reply->format != 32))
    return std::nullopt;
  const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
  const int length = xcb_get_property_value_length(reply.get());
  return PropertyData{reply->type, reply->format, std::string(value, static_cast<size_t>(std::max(length, 0)))};
}

std::optional<std::vector<unsigned long>> cardinalItems(const std::optional<PropertyData>& property) {
  if (!property || property->format != 32) return std::nullopt;
  std::vector<unsigned long> items(property->bytes.size() / 4);
  for (size_t i = 0; i < items.size(); ++i) {
    uint32_t item = 0;
    std::memcpy(&item, property->bytes.data() + 4 * i, 4);
    items[i] = item;
  }
  return items;
}

std::optional<std::vector<unsigned long>> cardinalProperty(Window window, Atom property, Atom type) {
  RawProperty raw;
  if (!readProperty(window, property, type, raw) || raw.format != 32) return std::nullopt;
  const auto* items = reinterpret_cast<const unsigned long*>(raw.data);
  return std::vector<unsigned long>(items, items + raw.count);
}

}  // namespace platform::linux_desktop
