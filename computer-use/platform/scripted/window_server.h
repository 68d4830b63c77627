#pragma once
// A window list as a test sets it, malformed entries included.

#include <map>

#include "platform/scripted/call_log.h"
#include "platform/window_server.h"

namespace platform::scripted {

class ScriptedWindowServer : public WindowServer {
 public:
  explicit ScriptedWindowServer(CallLog& log) : log_(log) {}

  // What the window server answers; none means it cannot be asked.
  std::optional<Value> windowList = Value(Array{});
  std::map<uint32_t, HiddenReason> hidden;
  bool answering = true;

  // Appends a well-formed entry of layer 0, or any value as an entry.
  void addWindow(int32_t pid, uint32_t id, Rect frame, std::string title = "", bool onScreen = true);
  void addEntry(Value entry);

  // Only the entries marked on screen are answered for onScreenOnly.
  std::optional<Value> copyWindowInfo(uint32_t options, uint32_t relativeToWindow) override;
  HiddenReason hiddenReason(uint32_t windowId) override {
    auto it = hidden.find(windowId);
    return it == hidden.end() ? HiddenReason::unknown : it->second;
  }
  bool answers() override { return answering; }

 private:
  CallLog& log_;
};

}  // namespace platform::scripted
