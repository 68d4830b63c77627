#pragma once
// Private functions of the window server, looked up by name at run time.

#include <any>
#include <mutex>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace dorv {

inline const std::string skyLightPath = "/System/Library/PrivateFrameworks/SkyLight.framework/SkyLight";

// The function of that name and type, or none when the symbol is missing (or has another type).
template <class Function>
std::optional<Function> privateSymbol(const std::string& name) {
  std::any found = platform::privateFramework().symbol(skyLightPath, name);
  const Function* function = std::any_cast<Function>(&found);
  if (!function || !*function) return std::nullopt;
  return *function;
}

// A value worked out on first use and kept while the same platform stays installed: once per
// process in the program, once per scripted desktop in the tests. Two first uses on different
// threads resolve it once.
template <class T>
class OncePerInstallation {
 public:
  template <class Make>
  const T& get(Make make) {
    std::lock_guard lock(mutex_);
    const uint64_t current = platform::installation();
    if (!value_ || installation_ != current) {
      value_.emplace(make());
      installation_ = current;
    }
    return *value_;
  }

 private:
  std::mutex mutex_;
  uint64_t installation_ = 0;
  std::optional<T> value_;
};

}  // namespace dorv
