#include "platform/scripted/events.h"

namespace platform::scripted {

std::optional<CGEventSource> ScriptedEvents::createSource(int32_t state) { return CGEventSource{state}; }

std::optional<CGEvent> ScriptedEvents::createMouseEvent(const CGEventSource&, uint32_t type,
                                                        Point location, uint32_t) {
  CGEvent e;
  e.type = type;
  e.location = location;
  return e;
}

std::optional<CGEvent> ScriptedEvents::createKeyboardEvent(const CGEventSource&, uint16_t virtualKey,
                                                           bool keyDown) {
  CGEvent e;
  e.type = keyDown ? CGEventType::keyDown : CGEventType::keyUp;
  e.keyCode = virtualKey;
  return e;
}

bool ScriptedEvents::postToPid(int32_t pid, const CGEvent& event) {
  log_.add("postToPid " + std::to_string(pid));
  if (untypable.count(event.unicode)) return false;
  posted.push_back(event);
  return true;
}

int32_t ScriptedEvents::getProcessForPID(int32_t pid, ProcessSerialNumber* psn) {
  log_.add("getProcessForPID " + std::to_string(pid));
  if (unknownProcesses.count(pid)) return -600;  // procNotFound
  psn->lowLongOfPSN = static_cast<uint32_t>(pid);
  return 0;
}

}  // namespace platform::scripted
