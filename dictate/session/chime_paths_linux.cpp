#include "session/chime.h"

namespace dictate {

// Sounds of the freedesktop sound theme: a short rising pair of notes to begin and its falling
// counterpart to end, each with a longer sound of the same theme as fallback.
const std::vector<std::string>& paths(Chime chime) {
  static const std::vector<std::string> begin{
      "/usr/share/sounds/freedesktop/stereo/device-added.oga",
      "/usr/share/sounds/freedesktop/stereo/message.oga",
  };
  static const std::vector<std::string> end{
      "/usr/share/sounds/freedesktop/stereo/device-removed.oga",
      "/usr/share/sounds/freedesktop/stereo/complete.oga",
  };
  return chime == Chime::begin ? begin : end;
}

}  // namespace dictate
