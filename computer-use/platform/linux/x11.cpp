#include "platform/linux/x11.h"

#include <X11/Xatom.h>

#include <map>

namespace platform::linux_desktop {
namespace {

bool errorSeen = false;

int recordError(Display*, XErrorEvent*) {
  errorSeen = true;
  return 0;
}

// A lost connection would otherwise end the process without its answer.
int connectionLost(Display*) { return 0; }

}  // namespace

Display* display() {
  static Display* d = [] {
    XSetErrorHandler(recordError);
    XSetIOErrorHandler(connectionLost);
    return XOpenDisplay(nullptr);
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
  Display* d = display();
  std::vector<char*> missing;
  for (const char* name : names)
    if (!atoms.contains(name)) missing.push_back(const_cast<char*>(name));
  if (d == nullptr || missing.empty()) return;
  std::vector<Atom> found(missing.size(), None);
  XInternAtoms(d, missing.data(), static_cast<int>(missing.size()), False, found.data());
  for (size_t i = 0; i < missing.size(); ++i) atoms.emplace(missing[i], found[i]);
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

std::optional<std::vector<unsigned long>> cardinalProperty(Window window, Atom property, Atom type) {
  RawProperty raw;
  if (!readProperty(window, property, type, raw) || raw.format != 32) return std::nullopt;
  const auto* items = reinterpret_cast<const unsigned long*>(raw.data);
  return std::vector<unsigned long>(items, items + raw.count);
}

std::optional<std::string> stringProperty(Window window, Atom property, Atom type) {
  RawProperty raw;
  if (!readProperty(window, property, type, raw) || raw.format != 8) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(raw.data), raw.count);
}

}  // namespace platform::linux_desktop
