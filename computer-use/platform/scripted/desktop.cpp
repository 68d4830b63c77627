#include "platform/scripted/desktop.h"

namespace platform::scripted {

ScriptedDesktop::ScriptedDesktop() {
  install(Platform{&workspace, &windowServer, &accessibility, &privateFramework, &events, &capture,
                   &system});
}

ScriptedDesktop::~ScriptedDesktop() { install(Platform{}); }

}  // namespace platform::scripted
