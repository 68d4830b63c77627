#pragma once
// Private functions present or absent, each as a test decides.

#include <map>

#include "platform/private_framework.h"
#include "platform/scripted/call_log.h"

namespace platform::scripted {

class ScriptedPrivateFramework : public PrivateFramework {
 public:
  explicit ScriptedPrivateFramework(CallLog& log) : log_(log) {}

  // Symbol name -> function; a name not here is missing.
  std::map<std::string, std::any> symbols;

  std::any symbol(const std::string& frameworkPath, const std::string& name) override;

 private:
  CallLog& log_;
};

}  // namespace platform::scripted
