#pragma once

#include "platform/stream.h"

#include <string>
#include <unistd.h>

namespace dictate {

// The lines of `fd` without their line feeds, read on a detached thread of their own; the
// stream ends at end of input or at a read failure.
StreamPtr<std::string> commandStream(int fd = STDIN_FILENO);

}  // namespace dictate
