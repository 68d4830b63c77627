#include <csignal>

#include "cli/startup.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::install(platform::nativePlatform());
  return dorv::run(argc, argv);
}
