#pragma once
// "windows.json": the latest activity of every window acted on recently, keyed by window id.

#include "core/result.h"

namespace dorv {

// The window list from its file: an object whose every member is an object. A missing,
// unreadable or malformed file gives the empty list.
Json loadWindowList();

// Removes the entries whose "at" (0 when missing or not a number) is older than the cut-off
// in milliseconds, with the preview frame and default screenshot of every removed entry whose
// key is a window id.
void pruneWindowList(Json& list, double cutoffMillis);

}  // namespace dorv
