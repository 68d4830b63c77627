#pragma once
// Private functions present or absent, each as a test decides, and recording stand-ins for
// the event channel, the Space calls and the remote-token call.

#include <array>
#include <map>
#include <utility>

#include "platform/private_framework.h"
#include "platform/scripted/call_log.h"
#include "platform/scripted/system.h"

namespace platform::scripted {

class ScriptedPrivateFramework : public PrivateFramework {
 public:
  ScriptedPrivateFramework(CallLog& log, ScriptedSystem& system) : log_(log), system_(system) {}

  // Symbol name -> function; a name not here is missing.
  std::map<std::string, std::any> symbols;

  std::any symbol(const std::string& frameworkPath, const std::string& name) override;

  // The four event-channel functions: records are kept in `records`, events posted to a
  // process in `posted`; setting a field or the window location changes the event.
  void provideEventChannel();
  struct PostedRecord {
    ProcessSerialNumber psn;
    std::array<uint8_t, 248> bytes;
  };
  std::vector<PostedRecord> records;
  std::vector<std::pair<int32_t, CGEvent>> posted;

  // "CGSMainConnectionID" (connection 1) and "CGSCopySpacesForWindows", which answers
  // `spaces` for the one window asked about, and an empty array for a window not there.
  void provideSpaces();
  std::map<uint32_t, std::optional<Value>> spaces;

  // "_AXUIElementCreateWithRemoteToken": the element under (pid, element id) of the token, if
  // any; every call moves the scripted clocks on by remoteTokenCallSeconds.
  void provideRemoteTokens();
  std::map<std::pair<int32_t, uint64_t>, AXUIElement> remoteElements;
  double remoteTokenCallSeconds = 0.001;
  uint64_t remoteTokenCalls = 0;
  std::vector<uint8_t> lastToken;

 private:
  CallLog& log_;
  ScriptedSystem& system_;
};

}  // namespace platform::scripted
