#pragma once
// The bound on a run's length: a run still going after it waits for something that does not
// answer (a stopped display server, a hung bus), and is ended with its failure object.

#include <cstddef>

namespace dorv {

// The longest a run may take: the longest script of pauses and time limits a command has (an
// open's wait for the launch, captures, a window search, a hung application's limit per call
// batch) with margin, plus time for each byte of the arguments, since typing is paced per
// character.
double runBoundSeconds(size_t argumentBytes);

// Ends the run through abandonRun once the seconds have passed, unless armed again or disarmed
// before. One watchdog per process.
void armWatchdog(double seconds);
void disarmWatchdog();

}  // namespace dorv
