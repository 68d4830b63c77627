#include "cli/startup.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

#include "apps/running.h"
#include "capture/whole_file.h"
#include "cli/commands.h"
#include "core/run_state.h"
#include "core/paths.h"
#include "cli/key_open_commands.h"
#include "cli/live.h"
#include "core/result.h"
#include "core/watchdog.h"
#include "platform/platform.h"

namespace dorv {

const char* const usageText =
    "dorv-computer-use apps | windows <app> | screenshot <app> [--window id] [--out png]\n"
    "                  | click <app> (--index n | --at x,y) | type <app> --text s [--index n] [--keys]\n"
    "                  | key <app> <chord> | drag <app> --from x,y --to x,y | open <app> [url]\n"
    "                  | focus <app> [--window id]\n"
    "screenshot, click, type, key and drag take --say \"text\": a subtitle on Dorv's live preview\n";

std::optional<std::string> option(const std::string& flag) {
  auto it = std::find(args.begin(), args.end(), flag);
  if (it == args.end() || it + 1 == args.end()) return std::nullopt;
  std::string value = *(it + 1);
  args.erase(it, it + 2);
  return value;
}

void askDorvForPermissionSetup() {
  auto& system = platform::system();
  system.createDirectories(activityDir);
  // Whole-file replacement, so the host never reads half a request.
  const std::string path = activityDir + "/needs-permission";
  std::string body = Json{{"at", system.timeSince1970() * 1000.0}}.dump();
  replaceWhole(path, [&](const std::string& temporary) { return system.writeFile(temporary, body); });
}

namespace {

using Handler = void (*)();

// In the order the words are tested.
const std::pair<const char*, Handler> handlers[] = {
    {"apps", appsCommand},
    {"windows", windowsCommand},
    {"screenshot", screenshotCommand},
    {"click", clickCommand},
    {"type", typeCommand},
    {"drag", dragCommand},
    {"key", keyCommand},
    {"live", liveCommand},
    {"open", openCommand},
    {"focus", focusCommand},
};

// Disarmed however the run ends, also by the exit of a failure in the unit tests.
struct RunBound {
  explicit RunBound(double seconds) { armWatchdog(seconds); }
  ~RunBound() { disarmWatchdog(); }
};

}  // namespace

int run(int argc, char** argv) {
  startOutput();
  size_t argumentBytes = 0;
  for (int i = 1; i < argc; ++i) argumentBytes += std::strlen(argv[i]) + 1;
  RunBound bound(runBoundSeconds(argumentBytes));
  platform::setDesktopLostHandler([] {
    abandonRun("The connection to the display was lost during the run (the display server stopped or restarted). "
               "What was done until then stays done; check the window before acting again.");
  });
  args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  setPaths(platform::system().homeDirectory());

  const std::string first = args.empty() ? "help" : args.front();
  needsAccessibility = first != "apps" && first != "windows" && first != "help";
  // Without the display no window can be listed or read (an empty list would pass for the truth),
  // and the accessibility library waits on it too: a silent display is named as such.
  if (first != "help" && !platform::windowServer().answers())
    fail("The display doesn't answer, so no window can be read or operated now. Try again in a moment; if it "
         "keeps happening, the display server needs a restart.");
  if (needsAccessibility && !platform::accessibility().serviceAnswers())
    fail("The accessibility bus doesn't answer, so no application can be read or operated now. Try again in a "
         "moment; if it keeps happening, the desktop session's accessibility service needs a restart.");
  if (needsAccessibility && !platform::accessibility().isProcessTrusted()) {
    askDorvForPermissionSetup();
    fail("Accessibility isn't granted to Dorv, the app that launched this helper. Dorv is opening "
         "its setup panel; tell the user to grant Accessibility and Screen Recording there.");
  }

  // Only a command that acts gives the front application back; help and the listings touch none.
  previousFront.reset();
  if (needsAccessibility) previousFront = platform::workspace().frontmostApplication();
  stoleFocus = false;
  if (args.empty()) {
    command = "help";
  } else {
    command = args.front();
    args.erase(args.begin());
  }
  // A "--window" value that is not a window number counts as no option; the pair is gone either way.
  windowOption.reset();
  if (auto value = option("--window"))
    if (auto id = parseInteger(*value, 0, std::numeric_limits<uint32_t>::max()))
      windowOption = static_cast<uint32_t>(*id);
  sayOption = option("--say");

  for (const auto& [word, handler] : handlers) {
    if (command == word) {
      handler();
      return 0;
    }
  }
  platform::system().writeStandardOutput(usageText);
  return 0;
}

}  // namespace dorv
