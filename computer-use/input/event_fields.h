#pragma once
// Integer fields of a posted mouse event and the gesture phases stored in them.

#include <cstdint>

namespace dorv {

namespace EventField {
inline constexpr uint32_t gesturePhase = 0;
inline constexpr uint32_t clickState = 1;
inline constexpr uint32_t buttonNumber = 3;
inline constexpr uint32_t subtype = 7;
inline constexpr uint32_t targetPid = 40;
inline constexpr uint32_t windowNumber = 51;
inline constexpr uint32_t clickGroup = 58;
inline constexpr uint32_t windowUnderPointer = 91;
inline constexpr uint32_t windowThatCanHandle = 92;
}  // namespace EventField

namespace GesturePhase {
inline constexpr int64_t primerDown = 1;
inline constexpr int64_t move = 2;
inline constexpr int64_t primerUp = 2;
inline constexpr int64_t target = 3;
}  // namespace GesturePhase

}  // namespace dorv
