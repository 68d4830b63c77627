#include "cli/live.h"

#include "activity/live_loop.h"
#include "platform/platform.h"

namespace dorv {

void liveCommand() {
  liveLoop();
  platform::system().exit(0);
}

}  // namespace dorv
