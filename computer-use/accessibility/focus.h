#pragma once
// The target application's accessibility and focus state: web accessibility, its key window,
// and giving the front position back to the application the user was in.

#include <cstdint>

#include "platform/value.h"
#include "platform/workspace.h"

namespace dorv {

// Asks an application element to expose its web content ("AXManualAccessibility"); pauses
// 1.5 s after a change it accepted, since the tree is built in the background. True after
// such a change: the application may then answer through a new element.
bool enableWebAccessibility(const platform::AXUIElement& application);

// Whether the application answers "AXManualAccessibility" at all (its value does not matter).
bool isChromium(const platform::RunningApplication& app);

// Gives the application a key window, quietly, only when it has no focused window.
void ensureKeyWindow(const platform::RunningApplication& app, uint32_t windowId);

// When acting on the target made it frontmost, makes the application that was frontmost when
// the run began frontmost again, sets stoleFocus and pauses 100 ms.
void restoreFront(const platform::RunningApplication& target);

}  // namespace dorv
