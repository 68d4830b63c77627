#pragma once
// Where an application and an open target are, and launching the one with the other in the
// background.

#include <optional>
#include <string>

#include "platform/workspace.h"

namespace dorv {

// How long open waits for the launched application to answer.
inline constexpr double openTimeout = 15.0;

// The bundle path of the application a name designates: a running application's own (none
// when it has none), else an installed one by bundle identifier, else the first application
// directory holding name + the bundle extension (never for a name holding "/" or ".."), else
// the first installed application shown in menus under that name (as running applications'
// names match); or none.
std::optional<std::string> applicationURL(const std::string& name);

// The string as a URL, with "http://" in front when it has no scheme or what looks like a
// scheme is a host followed by a port; none when neither form is a valid URL.
std::optional<std::string> webURL(const std::string& s);

// A file URL when the target, its leading tilde ("~", "~user") expanded, exists or begins like a path ("/",
// "~", "."); else webURL of it.
std::optional<std::string> targetURL(const std::string& target);

// The last component of a path, such as a bundle's file name.
std::string lastPathComponent(const std::string& path);

// Launches the application at the bundle path, or hands it the URL, without activating it, and
// waits at most openTimeout for the outcome. Ends the run when there is no answer in time or
// the platform reports an error; otherwise gives the application reported, if any.
std::optional<platform::RunningApplication> openInBackground(const std::string& bundlePath,
                                                             const std::optional<std::string>& url);

}  // namespace dorv
