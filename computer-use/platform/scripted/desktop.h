#pragma once
// An in-memory desktop for tests: every platform interface, one call log, installed as the
// current platform for the life of the object.

#include "platform/platform.h"
#include "platform/scripted/accessibility.h"
#include "platform/scripted/call_log.h"
#include "platform/scripted/capture.h"
#include "platform/scripted/events.h"
#include "platform/scripted/private_framework.h"
#include "platform/scripted/system.h"
#include "platform/scripted/window_server.h"
#include "platform/scripted/workspace.h"

namespace platform::scripted {

struct ScriptedDesktop {
  ScriptedDesktop();
  ~ScriptedDesktop();
  ScriptedDesktop(const ScriptedDesktop&) = delete;
  ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

  CallLog log;
  ScriptedSystem system{log};
  ScriptedWorkspace workspace{log};
  ScriptedWindowServer windowServer{log};
  ScriptedAccessibility accessibility{log};
  ScriptedPrivateFramework privateFramework{log, system};
  ScriptedEvents events{log};
  ScriptedCapture capture{log, system};
};

}  // namespace platform::scripted
