#include "platform/platform.h"

#include <unistd.h>

#include <atomic>

namespace platform {
namespace {
Platform installed;
std::atomic<uint64_t> installations{0};
std::atomic<DesktopLostHandler> lostHandler{nullptr};
}  // namespace

void setDesktopLostHandler(DesktopLostHandler handler) { lostHandler = handler; }

void desktopLost() {
  if (DesktopLostHandler handler = lostHandler) handler();
  _exit(1);
}

void install(const Platform& platform) {
  installed = platform;
  ++installations;
}
const Platform& current() { return installed; }
uint64_t installation() { return installations; }

std::optional<Rect> rectFromDictionary(const Value& value) {
  const Dictionary* d = value.get<Dictionary>();
  if (!d) return std::nullopt;
  double numbers[4];
  const std::string* keys[4] = {&BoundsKey::x, &BoundsKey::y, &BoundsKey::width, &BoundsKey::height};
  for (int i = 0; i < 4; ++i) {
    auto it = d->find(*keys[i]);
    if (it == d->end()) return std::nullopt;
    if (const double* f = it->second.get<double>()) numbers[i] = *f;
    else if (const int64_t* n = it->second.get<int64_t>()) numbers[i] = static_cast<double>(*n);
    else return std::nullopt;
  }
  return Rect{{numbers[0], numbers[1]}, {numbers[2], numbers[3]}};
}

}  // namespace platform
