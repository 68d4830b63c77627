#pragma once
// Background mouse gestures: short fixed scripts of mouse events posted straight to a window
// of another process, framed by focus records so that the user's front window keeps the focus.

#include <cstdint>
#include <functional>

#include "platform/value.h"

namespace dorv {

using platform::Point;

inline constexpr int64_t subtypeNormal = 0;
inline constexpr int64_t subtypeTouch = 3;
inline constexpr platform::Point offscreenPoint{-1, -1};

// Posts one mouse event of the gesture: type, location, window location, click state, gesture
// phase, subtype.
using PostEvent = std::function<void(uint32_t type, Point location, Point windowLocation,
                                     int64_t clickState, int64_t phase, int64_t subtype)>;

// Runs body inside the gesture frame. Without the private channel the run fails before anything
// is posted.
void backgroundGesture(int32_t pid, uint32_t windowId, const std::function<void(const PostEvent&)>& body);

// The off-screen click that precedes a real button press.
void sendPrimer(const PostEvent& post);

// A click at a point in global coordinates; origin is the window's top-left corner.
void backgroundClick(int32_t pid, Point at, uint32_t windowId, Point origin);

// A press at from, steps drag events along the line (the last one at to), a release at to.
void backgroundDrag(int32_t pid, Point from, Point to, Point origin, uint32_t windowId, int steps = 24);

}  // namespace dorv
