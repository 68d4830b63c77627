#include "cli/startup.h"
#include "cli/stop_signals.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  dorv::endRunOnStopSignals();
  platform::install(platform::nativePlatform());
  platform::system().exit(dorv::run(argc, argv));
}
