#pragma once
// The applications registered on the accessibility bus.

#include <atspi/atspi.h>

#include <cstdint>
#include <map>
#include <string>

namespace platform::linux_desktop {

// The applications on the accessibility bus by process id with their accessible names, read
// when constructed; none when the bus is not reachable. Every call is time-limited and the
// applications are asked all at once; one that does not answer is left out.
//
// The list is read with plain D-Bus calls: a libatspi proxy of an application has libatspi
// connect to that application and fetch its whole object cache, which every application on the
// desktop would pay for at every listing. Only root() makes a proxy, of one application.
class AccessibleApplications {
 public:
  struct Registered {
    std::string busName;
    int index = 0;  // among the registry's children
    std::string name;
  };

  // Without readNames the applications themselves are not asked anything (name() is "").
  explicit AccessibleApplications(bool readNames = true);

  const std::map<int32_t, Registered>& byPid() const { return apps_; }
  bool contains(int32_t pid) const { return apps_.contains(pid); }
  // The application's accessible name; "" when it has none or is not on the bus.
  std::string name(int32_t pid) const;
  // The application's root accessible (a new reference), or null.
  AtspiAccessible* root(int32_t pid) const;

 private:
  std::map<int32_t, Registered> apps_;
};

}  // namespace platform::linux_desktop
