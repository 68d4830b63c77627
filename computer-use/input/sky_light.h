#pragma once
// The private event channel: event records and events posted straight to a process, so that
// a background window gets input without the user's front application losing the focus.

#include <array>
#include <cstdint>
#include <optional>

#include "input/byte_layout.h"
#include "platform/private_framework.h"

namespace dorv {

// The 248-byte record of "SLPSPostEventRecordTo"; every byte not named here is 0.
namespace FocusRecord {
inline constexpr size_t size = 248;
inline constexpr size_t lengthOffset = 4;
inline constexpr size_t kindOffset = 8;
inline constexpr uint8_t kind = 13;
inline constexpr uint8_t kindKeyDown = 1;
inline constexpr uint8_t kindKeyUp = 2;
inline constexpr size_t windowIdOffset = 60;  // 4 bytes
inline constexpr size_t markerOffset = 138;
inline constexpr uint8_t gained = 1;
inline constexpr uint8_t lost = 2;
inline constexpr size_t keyFlagOffset = 58;
inline constexpr uint8_t keyFlag = 0x10;
inline constexpr ByteRange keyMaskRange{32, 48};
}  // namespace FocusRecord

using EventRecord = std::array<uint8_t, FocusRecord::size>;

// Tells a process that its window gained or lost the focus.
EventRecord focusEventRecord(uint32_t windowId, bool gained);
// One half of making a window key: kind is FocusRecord::kindKeyDown, then kindKeyUp.
EventRecord makeKeyRecord(uint32_t windowId, uint8_t kind);

struct SkyLight {
  platform::PrivateFunction::PostEventRecordTo postEventRecord;
  platform::PrivateFunction::EventPostToPid postToPid;
  platform::PrivateFunction::EventSetIntegerValueField setField;
  platform::PrivateFunction::EventSetWindowLocation setWindowLocation;

  // All four functions, or none when any one is missing; resolved once.
  static const std::optional<SkyLight>& shared();

  // Posts one focus record. A process the system does not know gets nothing.
  void focusRecord(int32_t pid, uint32_t windowId, bool gained) const;
  // Posts both make-key records, back to back.
  void makeKey(int32_t pid, uint32_t windowId) const;
};

}  // namespace dorv
