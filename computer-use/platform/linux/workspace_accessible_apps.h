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
class AccessibleApplications {
 public:
  AccessibleApplications();
  ~AccessibleApplications();
  AccessibleApplications(const AccessibleApplications&) = delete;
  AccessibleApplications& operator=(const AccessibleApplications&) = delete;

  const std::map<int32_t, AtspiAccessible*>& byPid() const { return apps_; }
  bool contains(int32_t pid) const { return apps_.contains(pid); }
  // The application's accessible name; "" when it has none or is not on the bus.
  std::string name(int32_t pid) const;

 private:
  std::map<int32_t, AtspiAccessible*> apps_;
  std::map<int32_t, std::string> names_;
};

}  // namespace platform::linux_desktop
