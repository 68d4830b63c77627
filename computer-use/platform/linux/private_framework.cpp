#include "platform/linux/private_framework.h"

#include "platform/linux/backends.h"
#include "platform/linux/x_events.h"
#include "platform/linux/x_events_windows.h"

namespace platform::linux_desktop {
namespace {

// Byte layout of the records, as the core builds them.
namespace Record {
inline constexpr size_t kindOffset = 8;
inline constexpr uint8_t focusKind = 13;
inline constexpr uint8_t makeKeyFirst = 1;
inline constexpr size_t windowIdOffset = 60;
inline constexpr size_t markerOffset = 138;
inline constexpr uint8_t gained = 1;
inline constexpr uint8_t lost = 2;
}  // namespace Record

class LinuxPrivateFramework : public PrivateFramework {
 public:
  std::any symbol(const std::string&, const std::string& name) override {
    if (name == "SLPSPostEventRecordTo")
      return PrivateFunction::PostEventRecordTo(
          [](const ProcessSerialNumber& psn, const std::array<uint8_t, 248>& record) {
            postEventRecord(psn, record);
            return int32_t{0};
          });
    if (name == "SLEventPostToPid")
      return PrivateFunction::EventPostToPid(
          [](int32_t pid, const CGEvent& event) { postEvent(pid, event); });
    if (name == "SLEventSetIntegerValueField")
      return PrivateFunction::EventSetIntegerValueField(
          [](CGEvent& event, uint32_t field, int64_t value) { event.fields.emplace_back(field, value); });
    if (name == "CGEventSetWindowLocation")
      return PrivateFunction::EventSetWindowLocation(
          [](CGEvent& event, Point location) { event.windowLocation = location; });
    return {};
  }
};

}  // namespace

void postEventRecord(const ProcessSerialNumber& psn, const std::array<uint8_t, 248>& record) {
  Window window = static_cast<Window>(record[Record::windowIdOffset]) |
                  static_cast<Window>(record[Record::windowIdOffset + 1]) << 8 |
                  static_cast<Window>(record[Record::windowIdOffset + 2]) << 16 |
                  static_cast<Window>(record[Record::windowIdOffset + 3]) << 24;
  uint8_t kind = record[Record::kindOffset];
  if (kind == Record::focusKind) {
    uint8_t marker = record[Record::markerOffset];
    if (marker == Record::gained || marker == Record::lost)
      postFocusChange(window, marker == Record::gained);
  } else if (kind == Record::makeKeyFirst) {
    setKeyWindow(static_cast<int32_t>(psn.lowLongOfPSN), window);
  }
}

std::unique_ptr<PrivateFramework> makePrivateFramework() {
  return std::make_unique<LinuxPrivateFramework>();
}

}  // namespace platform::linux_desktop
