#include "cli/stop_signals.h"

#include <signal.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "core/result.h"

namespace dorv {
namespace {

int signalPipe[2] = {-1, -1};

void forward(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  (void)!write(signalPipe[1], &byte, 1);
  errno = saved;
}

// A handler rather than SIG_IGN: an ignored signal stays ignored in the programs a run starts.
void nothing(int) {}

}  // namespace

void endRunOnStopSignals() {
  if (pipe2(signalPipe, O_CLOEXEC) != 0) return;
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  action.sa_handler = nothing;
  sigaction(SIGPIPE, &action, nullptr);
  action.sa_handler = forward;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
  std::thread([] {
    unsigned char number = 0;
    while (read(signalPipe[0], &number, 1) != 1) {
    }
    const std::string name = number == SIGTERM ? "SIGTERM" : number == SIGINT ? "SIGINT" : "SIGHUP";
    const std::string message = "The run was stopped by " + name + " before it finished; what it did until then stays done.";
    // The main thread ends the run itself when it reaches a stopping point soon (typing stops
    // between characters and gives the front back: at most 2 s for the window manager to settle
    // and 1.5 s of asking); otherwise it is ended from here.
    requestStop(message);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    abandonRun(message);
  }).detach();
}

}  // namespace dorv
