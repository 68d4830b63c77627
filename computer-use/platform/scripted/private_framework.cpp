#include "platform/scripted/private_framework.h"

namespace platform::scripted {

std::any ScriptedPrivateFramework::symbol(const std::string&, const std::string& name) {
  log_.add("symbol " + name);
  auto it = symbols.find(name);
  return it == symbols.end() ? std::any() : it->second;
}

}  // namespace platform::scripted
