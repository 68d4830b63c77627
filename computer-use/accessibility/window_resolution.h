#pragma once
// From an application and perhaps a window number to the window's accessibility element and
// its window-list entry, also for a window on another Space (virtual desktop), which the
// accessibility interface does not list.

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "apps/windows.h"
#include "input/byte_layout.h"
#include "platform/private_framework.h"
#include "platform/workspace.h"

namespace dorv {

inline constexpr double otherSpaceSearchSeconds = 2.0;
inline constexpr int32_t allSpacesMask = 7;

// The 20-byte token from which the accessibility server builds an element of another process.
namespace RemoteToken {
inline constexpr size_t size = 20;
inline constexpr ByteRange pidRange{0, 4};
inline constexpr ByteRange markerRange{8, 12};
inline constexpr ByteRange elementIdRange{12, 20};
inline constexpr uint32_t marker = 0x636F636F;
}  // namespace RemoteToken

std::vector<uint8_t> remoteToken(int32_t pid, uint64_t elementId);

// The private calls of the search across Spaces, each looked up once, on first use.
struct OtherSpaceCalls {
  static const std::optional<platform::PrivateFunction::CreateWithRemoteToken>& createWithRemoteToken();
  static const std::optional<platform::PrivateFunction::MainConnectionID>& mainConnectionID();
  static const std::optional<platform::PrivateFunction::CopySpacesForWindows>& copySpacesForWindows();
};

// Whether the window belongs to any Space; true when the window server cannot be asked.
bool isOnASpace(uint32_t windowId);

// The first element, by remote token, whose window is one of ids and which is a window itself
// or names its window; an empty handle when none turns up within otherSpaceSearchSeconds.
platform::AXUIElement windowOnOtherSpaces(int32_t pid, const std::set<uint32_t>& ids);

struct ResolvedWindow {
  platform::AXUIElement element;
  WindowInfo info;  // the frame is the accessibility frame when it can be read
};

// The application's main, focused or listed window (or the one numbered windowId), found on
// another Space if need be. Switches on web accessibility first. Ends the run with a message
// when there is no such window.
ResolvedWindow axWindow(const platform::RunningApplication& app, std::optional<uint32_t> windowId);

}  // namespace dorv
