#include "input/key_window.h"

#include <limits>

#include "apps/windows.h"
#include "input/sky_light.h"
#include "platform/platform.h"

namespace dorv {

void makeKeyQuietly(int32_t pid, uint32_t windowId) {
  const auto& sky = SkyLight::shared();
  if (!sky) return;
  auto& system = platform::system();
  sky->focusRecord(pid, windowId, true);
  system.sleepMicros(50'000);
  sky->makeKey(pid, windowId);
  system.sleepMicros(100'000);
  sky->focusRecord(pid, windowId, false);
  system.sleepMicros(50'000);
}

std::optional<FrontWindow> frontWindow() {
  using namespace platform;
  auto front = workspace().frontmostApplication();
  if (!front) return std::nullopt;
  auto list = windowServer().copyWindowInfo(
      WindowListOption::onScreenOnly | WindowListOption::excludeDesktopElements, nullWindowId);
  const Array* entries = list ? list->get<Array>() : nullptr;
  if (!entries) return std::nullopt;
  auto integer = [](const Dictionary& d, const std::string& key, int64_t min, int64_t max) {
    auto it = d.find(key);
    return it == d.end() ? std::nullopt : integerValue(it->second, min, max);
  };
  for (const Value& entry : *entries) {
    const Dictionary* d = entry.get<Dictionary>();
    if (!d) continue;
    auto owner = integer(*d, WindowKey::ownerPid, std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max());
    auto layer = integer(*d, WindowKey::layer, 0, 0);
    auto number = integer(*d, WindowKey::number, 0, std::numeric_limits<uint32_t>::max());
    if (owner && *owner == front->processIdentifier && layer && number)
      return FrontWindow{front->processIdentifier, static_cast<uint32_t>(*number)};
  }
  return std::nullopt;
}

}  // namespace dorv
