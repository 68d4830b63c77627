#include "platform/linux/input_routes.h"

#include <glib.h>

#include <map>

#include "platform/linux/atspi_tree.h"

namespace platform::linux_desktop {
namespace {

struct Routes {
  InputRoute keys = InputRoute::xtest;
  InputRoute pointer = InputRoute::xtest;
};

Routes routesOf(int32_t pid) {
  static std::map<int32_t, Routes> byProcess;
  if (auto it = byProcess.find(pid); it != byProcess.end()) return it->second;
  Routes routes;
  if (auto toolkit = toolkitOf(pid)) {
    const char* name = toolkit->name.c_str();
    if ((g_ascii_strcasecmp(name, "gtk") == 0 && !isGtk4(*toolkit)) || g_ascii_strcasecmp(name, "gail") == 0)
      routes = {InputRoute::synthetic, InputRoute::synthetic};
    else if (g_ascii_strcasecmp(name, "qt") == 0)
      routes = {InputRoute::synthetic, InputRoute::xtest};
  }
  byProcess[pid] = routes;
  return routes;
}

}  // namespace

InputRoute keyRoute(int32_t pid) { return routesOf(pid).keys; }
InputRoute pointerRoute(int32_t pid) { return routesOf(pid).pointer; }

}  // namespace platform::linux_desktop
