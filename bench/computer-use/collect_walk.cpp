// Times one collect() of an application's first window in a fresh process, as a screenshot
// run does it, and prints the walk's milliseconds and the number of elements it listed.
// Usage: collect_walk <pid>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "accessibility/attributes.h"
#include "accessibility/collect.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  platform::install(platform::nativePlatform());
  auto app = platform::accessibility().createApplication(std::atoi(argv[1]));
  auto windows = dorv::ax::elements(dorv::ax::attr(app, "AXWindows"));
  if (windows.empty()) return 1;
  auto start = std::chrono::steady_clock::now();
  auto collection = dorv::collect(windows.front());
  std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.3f %zu %zu\n", spent.count(), collection.interactive.size(), collection.texts.size());
  return 0;
}
