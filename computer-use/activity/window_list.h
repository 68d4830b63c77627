#pragma once
// "windows.json": the latest activity of every window acted on recently, keyed by window id.

#include "core/result.h"

namespace dorv {

// What a real window list stays within, with a wide margin: a few hundred windows of ten
// minutes, an entry nested three deep (list, entry, ancestors).
inline constexpr size_t windowListMaxBytes = 8 << 20;
inline constexpr int windowListMaxDepth = 8;

// How far in the future a stamp may lie (clocks of runs differ a little) before its entry
// counts as stale: a clock stepped back, or a planted file, must not keep windows for ever.
inline constexpr double futureSlackMillis = 60'000;

// The window list from its file: an object whose every member is an object. A missing,
// unreadable or malformed file gives the empty list, and so does anything but a regular file,
// more than windowListMaxBytes or a nesting deeper than windowListMaxDepth.
Json loadWindowList();

// Whether a stamp in milliseconds is no older than the cut-off and not in the future by more
// than futureSlackMillis from now.
bool stampWithin(double stamp, double cutoffMillis, double nowMillis);

// Removes the entries whose "at" (0 when missing or not a number) is older than the cut-off
// in milliseconds or too far in the future, with the preview frame and default screenshot of
// every removed entry whose key is a window id.
void pruneWindowList(Json& list, double cutoffMillis, double nowMillis);

}  // namespace dorv
