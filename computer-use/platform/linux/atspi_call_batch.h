#pragma once
// Method calls to one application sent together: every call goes out before the first answer
// is awaited, so the application answers them back to back instead of one round trip each. The
// first call that runs out of time ends the waiting, so a hung application costs one time limit
// for the whole batch; it is then marked as not answering for the rest of the run.

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <functional>
#include <string>
#include <vector>

namespace platform::linux_desktop {

// Waits for the calls' replies in order and takes them (consumed; a null call gives a null
// reply). libdbus counts a call's limit from when it is awaited, not from when it went out, so
// once one call has run out of time the rest get only the replies already in: a hung peer costs
// one limit for all. True when a call ran out of time.
bool awaitReplies(const std::vector<DBusPendingCall*>& calls, std::vector<DBusMessage*>& replies);

class CallBatch {
 public:
  // Reads one reply's arguments.
  using Answer = std::function<void(DBusMessageIter* arguments)>;

  // Calls to the application of the accessible.
  explicit CallBatch(AtspiAccessible* accessible);
  ~CallBatch();
  CallBatch(const CallBatch&) = delete;
  CallBatch& operator=(const CallBatch&) = delete;

  // A new method call to an object of the application with its arguments, given as
  // dbus_message_append_args takes them and ended by DBUS_TYPE_INVALID; null when none can be
  // made.
  DBusMessage* message(const std::string& path, const char* interface, const char* method, int firstType, ...) const;
  // Sends the call (consumed; null is ignored). The answer runs in await() on a reply of the
  // signature; an error or another reply is left unanswered.
  void send(DBusMessage* call, const char* signature, Answer answer);
  // A property of the object: the answer gets the variant's content.
  void getProperty(const std::string& path, const char* interface, const char* property, Answer answer);

  // Waits for the replies to the calls sent so far and runs the answers in the order the calls
  // went out.
  void await();

 private:
  struct Pending {
    DBusPendingCall* call;
    const char* signature;
    Answer answer;
  };
  AtspiAccessible* accessible_;
  std::vector<Pending> pending_;
};

}  // namespace platform::linux_desktop
