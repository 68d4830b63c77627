#pragma once
// A run stopped from outside (SIGTERM, SIGINT, SIGHUP) still prints its failure object and
// gives back what it borrowed from the desktop; a closed output pipe (SIGPIPE) does not kill it.

namespace dorv {

// Call first in main. The signals are handed to a thread of their own, which ends the run.
void endRunOnStopSignals();

}  // namespace dorv
