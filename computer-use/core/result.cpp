#include "core/result.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "core/run_state.h"
#include "platform/platform.h"

namespace dorv {
namespace {

std::string scalar(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void layout(const Json& value, int depth, std::string& out) {
  const std::string indent(2 * (depth + 1), ' ');
  const std::string closing(2 * depth, ' ');
  if (value.is_object() && !value.empty()) {
    out += "{\n";
    bool first = true;
    // nlohmann's object keeps its keys in a std::map: byte order of UTF-8 is code-point order.
    for (const auto& [key, member] : value.items()) {
      if (!first) out += ",\n";
      first = false;
      out += indent + scalar(Json(key)) + " : ";
      layout(member, depth + 1, out);
    }
    out += "\n" + closing + "}";
  } else if (value.is_array() && !value.empty()) {
    out += "[\n";
    bool first = true;
    for (const auto& element : value) {
      if (!first) out += ",\n";
      first = false;
      out += indent;
      layout(element, depth + 1, out);
    }
    out += "\n" + closing + "]";
  } else {
    out += scalar(value);
  }
}

// One result per run, also when a watchdog or a signal ends the run while or after it prints.
std::timed_mutex outputLock;
std::atomic<int> printedStatus{-1};  // -1 until the result is out

std::function<void()> beforeFailure;

std::mutex stopGuard;
std::atomic<bool> stopRequested{false};
std::string stopMessage;

void print(const Json& result) {
  std::lock_guard lock(outputLock);
  platform::system().writeStandardOutput(prettyJson(result) + "\n");
  printedStatus = result.value("ok", false) ? 0 : 1;
}

}  // namespace

std::string prettyJson(const Json& value) {
  std::string out;
  layout(value, 0, out);
  return out;
}

void emit(Json result) {
  if (stoleFocus) result["stoleFocus"] = true;
  auto front = platform::workspace().frontmostApplication();
  result["frontmost"] = front && front->localizedName ? *front->localizedName : std::string("?");
  print(result);
}

void requestStop(const std::string& message) {
  std::lock_guard lock(stopGuard);
  stopMessage = message;
  stopRequested = true;
}

void failIfStopRequested() {
  if (!stopRequested) return;
  std::string message;
  {
    std::lock_guard lock(stopGuard);
    message = stopMessage;
  }
  fail(message);
}

void setBeforeFailure(std::function<void()> step) { beforeFailure = std::move(step); }

void fail(const std::string& message) {
  // Taken first: a failure inside the step itself ends the run without running it again.
  if (auto step = std::exchange(beforeFailure, nullptr)) step();
  emit(Json{{"ok", false}, {"error", message}});
  platform::system().exit(1);
  std::abort();  // exit never returns
}

void abandonRun(const std::string& message) {
  // A main thread stuck in a write to a full pipe must not keep the run alive. The lock is held
  // until the process has ended, so the main thread, still going, prints no second result.
  std::unique_lock lock(outputLock, std::chrono::seconds(2));
  if (printedStatus < 0 && lock.owns_lock()) {
    Json failure{{"ok", false}, {"error", message}, {"frontmost", "?"}};
    if (stoleFocus) failure["stoleFocus"] = true;
    platform::system().writeStandardOutput(prettyJson(failure) + "\n");
    printedStatus = 1;
  }
  platform::system().exitNow(printedStatus >= 0 ? printedStatus.load() : 1);
  std::abort();  // exitNow never returns
}

void startOutput() {
  beforeFailure = nullptr;
  stopRequested = false;
  std::lock_guard lock(outputLock);
  printedStatus = -1;
}

}  // namespace dorv
