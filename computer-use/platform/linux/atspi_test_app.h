#pragma once
// Test support: fixture applications started and stopped by pid, and tree searches.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/atspi_tree.h"
#include "platform/linux/backends.h"

extern char** environ;

namespace platform::linux_desktop::testing {

inline const std::string sampleApp = FIXTURES_DIR "/sample-app/dorv-sample-app";

// Polls a condition every 50 ms until it holds or the limit has passed.
inline bool eventually(const std::function<bool()>& condition, double seconds = 10) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

inline std::optional<std::string> stringAttr(Accessibility& ax, const AXUIElement& e, const std::string& name) {
  Value v;
  if (ax.copyAttributeValue(e, name, &v) != 0) return std::nullopt;
  if (const auto* s = v.get<std::string>()) return *s;
  return std::nullopt;
}

inline Value attr(Accessibility& ax, const AXUIElement& e, const std::string& name) {
  Value v;
  ax.copyAttributeValue(e, name, &v);
  return v;
}

// The first element in pre-order with that AX role and title (any title when empty).
inline AXUIElement find(Accessibility& ax, const AXUIElement& root, const std::string& role,
                        const std::string& title = "", int depth = 0) {
  if (depth > 30) return {};
  if (stringAttr(ax, root, "AXRole") == role && (title.empty() || stringAttr(ax, root, "AXTitle") == title))
    return root;
  Value children = attr(ax, root, "AXChildren");
  if (const auto* list = children.get<Array>())
    for (const auto& child : *list)
      if (auto found = find(ax, *child.get<AXUIElement>(), role, title, depth + 1)) return found;
  return {};
}

// A fixture application, running until the object goes away.
class TestApp {
 public:
  // Starts the program and waits until its main window (or the window with that title) is on
  // the accessibility bus and matched to its X client window.
  static std::unique_ptr<TestApp> start(Accessibility& ax, const std::vector<std::string>& argv,
                                        const std::string& title = "") {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return nullptr;
    auto app = std::unique_ptr<TestApp>(new TestApp(pid));
    bool up = eventually([&] {
      app->root = ax.createApplication(pid);
      Value main = attr(ax, app->root, "AXMainWindow");
      if (!main.get<AXUIElement>()) return false;
      app->window = *main.get<AXUIElement>();
      if (!title.empty()) {
        Value windows = attr(ax, app->root, "AXWindows");
        app->window = {};
        for (const auto& w : *windows.get<Array>())
          if (stringAttr(ax, *w.get<AXUIElement>(), "AXTitle") == title) app->window = *w.get<AXUIElement>();
        if (!app->window) return false;
      }
      // Until the application is on the bus its window is a plain one, without children.
      uint32_t id = 0;
      if (!atspiElement(app->window) || ax.getWindow(app->window, &id) != 0) return false;
      app->windowId = id;
      return true;
    });
    return up ? std::move(app) : nullptr;
  }

  ~TestApp() {
    kill(pid, SIGCONT);
    kill(pid, SIGTERM);
    if (!eventually([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, 3)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }

  pid_t pid;
  AXUIElement root;
  AXUIElement window;
  uint32_t windowId = 0;

 private:
  explicit TestApp(pid_t p) : pid(p) {}
};

}  // namespace platform::linux_desktop::testing
