#include "session/chime.h"

namespace dictate {

// Sounds of the freedesktop sound theme: a short rising note to begin, a confirmation to end.
const std::vector<std::string>& paths(Chime chime) {
  static const std::vector<std::string> begin{
      "/usr/share/sounds/freedesktop/stereo/message.oga",
      "/usr/share/sounds/freedesktop/stereo/bell.oga",
  };
  static const std::vector<std::string> end{
      "/usr/share/sounds/freedesktop/stereo/complete.oga",
      "/usr/share/sounds/freedesktop/stereo/dialog-information.oga",
  };
  return chime == Chime::begin ? begin : end;
}

}  // namespace dictate
