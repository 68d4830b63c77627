#include "accessibility/window_resolution.h"

#include <algorithm>

#include "accessibility/attributes.h"
#include "accessibility/focus.h"

#include "core/result.h"
#include "input/key_window.h"
#include "input/private_symbol.h"

namespace dorv {
namespace {

using namespace platform;
using namespace ax;

// An application's windows as the accessibility interface and the window server see them.
struct Search {
  const RunningApplication& app;
  AXUIElement application;
  std::vector<WindowInfo> list;

  const WindowInfo* entry(uint32_t id) const {
    auto it = std::find_if(list.begin(), list.end(), [&](const WindowInfo& w) { return w.id == id; });
    return it == list.end() ? nullptr : &*it;
  }

  std::optional<WindowInfo> info(const AXUIElement& window) const {
    auto w = windowServerId(window);
    if (!w) return std::nullopt;
    const WindowInfo* listed = entry(*w);
    if (!listed) return std::nullopt;
    WindowInfo result = *listed;
    if (auto f = frame(window)) result.frame = *f;
    return result;
  }

  std::optional<ResolvedWindow> resolved(const AXUIElement& window) const {
    if (!window) return std::nullopt;
    auto i = info(window);
    if (!i) return std::nullopt;
    return ResolvedWindow{window, *i};
  }

  std::optional<ResolvedWindow> onOtherSpace(const std::vector<uint32_t>& ids) const {
    const int32_t pid = app.processIdentifier;
    if (auto r = resolved(windowOnOtherSpaces(pid, {ids.begin(), ids.end()}))) return r;
    if (ids.empty()) return std::nullopt;
    // An application with a focused window keeps it: the search must not change the user's state.
    auto focused = attr(application, "AXFocusedWindow");
    if (focused && !focused->isNone()) return std::nullopt;
    makeKeyQuietly(pid, ids.front());
    auto r = resolved(element(attr(application, "AXFocusedWindow")));
    if (!r || r->info.id != ids.front()) return std::nullopt;
    return r;
  }
};

template <class Function>
const std::optional<Function>& resolvedOnce(const char* name) {
  static OncePerInstallation<std::optional<Function>> function;
  return function.get([name] { return privateSymbol<Function>(name); });
}

bool isWindow(const AXUIElement& e) { return text(e, "AXRole") == "AXWindow"; }

}  // namespace

std::vector<uint8_t> remoteToken(int32_t pid, uint64_t elementId) {
  std::vector<uint8_t> token(RemoteToken::size, 0);
  writeLittleEndian(token, RemoteToken::pidRange, static_cast<uint32_t>(pid));
  writeLittleEndian(token, RemoteToken::markerRange, RemoteToken::marker);
  writeLittleEndian(token, RemoteToken::elementIdRange, elementId);
  return token;
}

const std::optional<PrivateFunction::CreateWithRemoteToken>& OtherSpaceCalls::createWithRemoteToken() {
  return resolvedOnce<PrivateFunction::CreateWithRemoteToken>("_AXUIElementCreateWithRemoteToken");
}

const std::optional<PrivateFunction::MainConnectionID>& OtherSpaceCalls::mainConnectionID() {
  return resolvedOnce<PrivateFunction::MainConnectionID>("CGSMainConnectionID");
}

const std::optional<PrivateFunction::CopySpacesForWindows>& OtherSpaceCalls::copySpacesForWindows() {
  return resolvedOnce<PrivateFunction::CopySpacesForWindows>("CGSCopySpacesForWindows");
}

bool isOnASpace(uint32_t windowId) {
  const auto& connection = OtherSpaceCalls::mainConnectionID();
  const auto& spacesFor = OtherSpaceCalls::copySpacesForWindows();
  if (!connection || !spacesFor) return true;
  auto spaces = (*spacesFor)((*connection)(), allSpacesMask, Value(Array{Value(windowId)}));
  const Array* list = spaces ? spaces->get<Array>() : nullptr;
  if (!list) return false;
  return !list->empty() &&
         std::all_of(list->begin(), list->end(), [](const Value& v) { return v.get<int64_t>() != nullptr; });
}

AXUIElement windowOnOtherSpaces(int32_t pid, const std::set<uint32_t>& ids) {
  const auto& create = OtherSpaceCalls::createWithRemoteToken();
  if (ids.empty() || !create) return {};
  // A clock that never goes back, so that setting the wall clock cannot prolong the search.
  auto& system = platform::system();
  const double deadline = system.monotonicSeconds() + otherSpaceSearchSeconds;
  for (uint64_t k = 0;; ++k) {
    AXUIElement found = (*create)(remoteToken(pid, k));
    auto w = found ? windowServerId(found) : std::nullopt;
    if (w && ids.count(*w)) {
      AXUIElement window = isWindow(found) ? found : element(attr(found, "AXWindow"));
      if (window && windowServerId(window) == w && isWindow(window)) return window;
    }
    if (!(system.monotonicSeconds() < deadline)) return {};
  }
}

ResolvedWindow axWindow(const RunningApplication& app, std::optional<uint32_t> windowId) {
  auto& ax = accessibility();
  Search search{app, ax.createApplication(app.processIdentifier), {}};
  // An application that joined the accessibility bus just now has a new element.
  if (enableWebAccessibility(search.application)) search.application = ax.createApplication(app.processIdentifier);
  std::vector<AXUIElement> candidates;
  for (const char* attribute : {"AXMainWindow", "AXFocusedWindow"})
    if (AXUIElement w = element(attr(search.application, attribute))) candidates.push_back(w);
  for (AXUIElement& w : elements(attr(search.application, "AXWindows"))) candidates.push_back(std::move(w));
  search.list = windows(app.processIdentifier);

  if (!windowId) {
    for (const AXUIElement& candidate : candidates)
      if (auto r = search.resolved(candidate)) return *r;
    std::vector<uint32_t> elsewhere;
    for (const WindowInfo& w : search.list)
      if (!w.onScreen && isOnASpace(w.id)) elsewhere.push_back(w.id);
    if (auto r = search.onOtherSpace(elsewhere)) return *r;
    failUnlessAnswering(search.application);
    fail(app.localizedName.value_or("App") + " has no accessible window.");
  }

  const uint32_t n = *windowId;
  const std::string message =
      "Window " + std::to_string(n) + " isn't one of this app's accessible windows. Run `windows` for ids.";
  const WindowInfo* listed = search.entry(n);
  if (!listed) fail(message);
  for (const AXUIElement& candidate : candidates)
    if (windowServerId(candidate) == n) return *search.resolved(candidate);
  if (listed->onScreen || !isOnASpace(n)) fail(message);
  if (auto r = search.onOtherSpace({n})) return *r;
  fail(message);
}

}  // namespace dorv
