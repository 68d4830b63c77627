#pragma once
// Private window-server and accessibility functions, looked up by name at run time.

#include <any>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/value.h"

namespace platform {

// The function types under which each symbol is handed out.
namespace PrivateFunction {
using PostEventRecordTo = std::function<int32_t(const ProcessSerialNumber&, const std::array<uint8_t, 248>&)>;
using EventPostToPid = std::function<void(int32_t pid, const CGEvent&)>;
using EventSetIntegerValueField = std::function<void(CGEvent&, uint32_t field, int64_t value)>;
using EventSetWindowLocation = std::function<void(CGEvent&, Point)>;
using MainConnectionID = std::function<int32_t()>;
// (connection, Space mask, array of window numbers) -> array of Space ids, or none.
using CopySpacesForWindows = std::function<std::optional<Value>(int32_t, int32_t, const Value&)>;
// A 20-byte token -> a new element, or an empty handle.
using CreateWithRemoteToken = std::function<AXUIElement(const std::vector<uint8_t>&)>;
}  // namespace PrivateFunction

class PrivateFramework {
 public:
  virtual ~PrivateFramework() = default;

  // Opens the framework at the path (a failure is ignored) and looks the symbol up among
  // every loaded image. The result holds one of the PrivateFunction types, or is empty when
  // the symbol does not exist.
  virtual std::any symbol(const std::string& frameworkPath, const std::string& name) = 0;
};

}  // namespace platform
