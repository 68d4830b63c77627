#pragma once
// Event creation and posting, recorded.

#include <set>

#include "platform/events.h"
#include "platform/scripted/call_log.h"

namespace platform::scripted {

class ScriptedEvents : public Events {
 public:
  explicit ScriptedEvents(CallLog& log) : log_(log) {}

  std::optional<CGEventSource> createSource(int32_t state) override;
  std::optional<CGEvent> createMouseEvent(const CGEventSource& source, uint32_t type, Point location,
                                          uint32_t button) override;
  std::optional<CGEvent> createKeyboardEvent(const CGEventSource& source, uint16_t virtualKey,
                                             bool keyDown) override;
  void setFlags(CGEvent& event, uint64_t flags) override { event.flags = flags; }
  void keyboardSetUnicodeString(CGEvent& event, const std::u16string& units) override {
    event.unicode = units;
  }
  bool postToPid(int32_t pid, const CGEvent& event) override;
  int32_t getProcessForPID(int32_t pid, ProcessSerialNumber* psn) override;

  std::vector<CGEvent> posted;
  // Processes getProcessForPID does not know.
  std::set<int32_t> unknownProcesses;
  // Characters that no key of the keyboard can type: their events are refused.
  std::set<std::u16string> untypable;

 private:
  CallLog& log_;
};

}  // namespace platform::scripted
