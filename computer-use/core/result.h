#pragma once
// The one JSON object a run prints, and the failure that ends a run.

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace dorv {

using Json = nlohmann::json;

// Adds "stoleFocus" (when set) and "frontmost", prints the object pretty-printed with sorted
// keys and one line feed. Returns to the caller.
void emit(Json result);

// Prints {"ok": false, "error": message} through emit and exits with status 1.
[[noreturn]] void fail(const std::string& message);

// Run by fail, once, before the failure is printed. A command sets it once it may have moved the
// focus, so that a failure after acting (a character that cannot be typed) still gives the
// user's front window back. Cleared for each run.
void setBeforeFailure(std::function<void()> step);

// From any thread: asks the main thread to end the run through fail with the message at its
// next stopping point (long steps stop between their parts), so that it gives the front back.
void requestStop(const std::string& message);
// Ends the run through fail when a stop was requested; called between the parts of long steps.
void failIfStopRequested();

// Ends the run from any thread when it cannot go on (a watchdog, a lost display, a signal):
// prints the failure object unless the run's result is already out, with "frontmost" "?" since
// the desktop may be what does not answer, and exits at once with the status of what was
// printed.
[[noreturn]] void abandonRun(const std::string& message);

// A new run: nothing of it has been printed yet.
void startOutput();

// The layout emit prints: two-space indentation, " : " between key and value, keys in
// code-point order; invalid UTF-8 is replaced rather than failing.
std::string prettyJson(const Json& value);

}  // namespace dorv
