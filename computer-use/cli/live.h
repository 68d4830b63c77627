#pragma once
// The internal command "live": the detached preview loop started after an action.

namespace dorv {

// Prints nothing; ends the run with status 0 when the loop ends.
void liveCommand();

}  // namespace dorv
