#pragma once
// Synthetic input events: creation, flags, Unicode text and posting to a process.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/value.h"

namespace platform {

namespace CGEventType {
inline constexpr uint32_t leftMouseDown = 1;
inline constexpr uint32_t leftMouseUp = 2;
inline constexpr uint32_t mouseMoved = 5;
inline constexpr uint32_t leftMouseDragged = 6;
inline constexpr uint32_t keyDown = 10;
inline constexpr uint32_t keyUp = 11;
}  // namespace CGEventType

namespace CGEventSourceState {
inline constexpr int32_t privateState = -1;
inline constexpr int32_t hidSystemState = 1;
}  // namespace CGEventSourceState

inline constexpr uint32_t mouseButtonLeft = 0;

struct CGEventSource {
  int32_t state = 0;
};

// One event as built up before posting. Integer fields are kept in the order they were set.
struct CGEvent {
  uint32_t type = 0;
  Point location;
  std::optional<Point> windowLocation;
  uint16_t keyCode = 0;
  uint64_t flags = 0;
  std::u16string unicode;
  std::vector<std::pair<uint32_t, int64_t>> fields;
};

struct ProcessSerialNumber {
  uint32_t highLongOfPSN = 0;
  uint32_t lowLongOfPSN = 0;
};

class Events {
 public:
  virtual ~Events() = default;

  virtual std::optional<CGEventSource> createSource(int32_t state) = 0;
  virtual std::optional<CGEvent> createMouseEvent(const CGEventSource& source, uint32_t type,
                                                  Point location, uint32_t button) = 0;
  virtual std::optional<CGEvent> createKeyboardEvent(const CGEventSource& source,
                                                     uint16_t virtualKey, bool keyDown) = 0;
  // Replaces the event's flags.
  virtual void setFlags(CGEvent& event, uint64_t flags) = 0;
  virtual void keyboardSetUnicodeString(CGEvent& event, const std::u16string& units) = 0;
  // Posts a keyboard event to a process; whether it arrives is not observed. False when the
  // event cannot be made at all (a character that no key of the keyboard can type).
  virtual bool postToPid(int32_t pid, const CGEvent& event) = 0;

  // The process serial number of a process; a non-zero status means failure.
  virtual int32_t getProcessForPID(int32_t pid, ProcessSerialNumber* psn) = 0;
};

}  // namespace platform
