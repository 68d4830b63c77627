#include "tests/captured_output.h"

#include "protocol/emitter.h"

#include <mutex>
#include <string>

namespace dictate {

namespace {

std::mutex capturedMutex;
std::vector<std::string> captured;

}  // namespace

Emitter& Emitter::shared() {
  static Emitter* instance = new Emitter([](const std::string& line) {
    std::lock_guard lock(capturedMutex);
    captured.push_back(line);
  });
  return *instance;
}

std::vector<nlohmann::json> testing::takeEvents() {
  Emitter::shared().flush();
  std::lock_guard lock(capturedMutex);
  std::vector<nlohmann::json> events;
  for (const auto& line : captured) events.push_back(nlohmann::json::parse(line));
  captured.clear();
  return events;
}

}  // namespace dictate
