#pragma once
// The window server's list of windows of every process.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/value.h"

namespace platform {

namespace WindowListOption {
inline constexpr uint32_t onScreenOnly = 1;
inline constexpr uint32_t excludeDesktopElements = 16;
}  // namespace WindowListOption

inline constexpr uint32_t nullWindowId = 0;

// Keys of one window's dictionary.
namespace WindowKey {
inline const std::string ownerPid = "kCGWindowOwnerPID";
inline const std::string layer = "kCGWindowLayer";
inline const std::string number = "kCGWindowNumber";
inline const std::string bounds = "kCGWindowBounds";
inline const std::string name = "kCGWindowName";
inline const std::string isOnscreen = "kCGWindowIsOnscreen";
}  // namespace WindowKey

// Keys of the bounds dictionary; values are numbers in global screen points.
namespace BoundsKey {
inline const std::string x = "X";
inline const std::string y = "Y";
inline const std::string width = "Width";
inline const std::string height = "Height";
}  // namespace BoundsKey

// Why a window of the list is not shown, as far as the window server can tell.
enum class HiddenReason { unknown, minimised, otherDesktop };

class WindowServer {
 public:
  virtual ~WindowServer() = default;

  // An array with one dictionary per window, front to back, or none when the window server
  // cannot be asked. Never throws; a window that vanishes during the query is left out.
  virtual std::optional<Value> copyWindowInfo(uint32_t options, uint32_t relativeToWindow) = 0;

  // Whether the window is minimised or on a desktop other than the shown one; unknown when it
  // is neither, is gone, or the window server does not say.
  virtual HiddenReason hiddenReason(uint32_t windowId) = 0;

  // Whether the window server can be asked at all; false when it did not answer within its
  // limit (every other call then gives absence at once).
  virtual bool answers() = 0;
};

// The platform's rectangle-from-dictionary conversion: four numbers under the bounds keys.
std::optional<Rect> rectFromDictionary(const Value& value);

}  // namespace platform
