#include "platform/linux/atspi_call_batch.h"

#include <chrono>
#include <cstdarg>

#include "platform/linux/atspi_element.h"

namespace platform::linux_desktop {

CallBatch::CallBatch(AtspiAccessible* accessible) : accessible_(accessible) {}

CallBatch::~CallBatch() {
  for (auto& p : pending_) {
    dbus_pending_call_cancel(p.call);
    dbus_pending_call_unref(p.call);
  }
}

DBusMessage* CallBatch::message(const std::string& path, const char* interface, const char* method, int firstType,
                                ...) const {
  AtspiApplication* app = ATSPI_OBJECT(accessible_)->app;
  if (app == nullptr || app->bus_name == nullptr) return nullptr;
  DBusMessage* call = dbus_message_new_method_call(app->bus_name, path.c_str(), interface, method);
  if (call == nullptr) return nullptr;
  va_list arguments;
  va_start(arguments, firstType);
  const bool appended = dbus_message_append_args_valist(call, firstType, arguments);
  va_end(arguments);
  if (appended) return call;
  dbus_message_unref(call);
  return nullptr;
}

void CallBatch::send(DBusMessage* call, const char* signature, Answer answer) {
  if (call == nullptr) return;
  AtspiApplication* app = ATSPI_OBJECT(accessible_)->app;
  DBusPendingCall* pending = nullptr;
  if (answering(accessible_) && app->bus != nullptr &&
      dbus_connection_send_with_reply(app->bus, call, &pending, atspiCallLimitMs) && pending != nullptr)
    pending_.push_back({pending, signature, std::move(answer)});
  dbus_message_unref(call);
}

void CallBatch::getProperty(const std::string& path, const char* interface, const char* property, Answer answer) {
  DBusMessage* call = message(path, DBUS_INTERFACE_PROPERTIES, "Get", DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                              &property, DBUS_TYPE_INVALID);
  send(call, "v", [answer = std::move(answer)](DBusMessageIter* arguments) {
    DBusMessageIter content;
    dbus_message_iter_recurse(arguments, &content);
    answer(&content);
  });
}

void CallBatch::await() {
  std::vector<Pending> out = std::move(pending_);
  pending_.clear();
  std::vector<DBusPendingCall*> calls;
  for (const auto& p : out) calls.push_back(p.call);
  std::vector<DBusMessage*> replies;
  const bool timedOut = awaitReplies(calls, replies);
  for (size_t i = 0; i < out.size(); ++i) {
    DBusMessage* reply = replies[i];
    if (reply == nullptr) continue;
    DBusMessageIter arguments;
    // An error's text has a signature of its own, which may be the one asked for.
    if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
        dbus_message_has_signature(reply, out[i].signature) && dbus_message_iter_init(reply, &arguments))
      out[i].answer(&arguments);
    dbus_message_unref(reply);
  }
  if (timedOut) noteCallTime(accessible_, std::chrono::milliseconds(atspiCallLimitMs));
}

bool awaitReplies(const std::vector<DBusPendingCall*>& calls, std::vector<DBusMessage*>& replies) {
  bool timedOut = false;
  replies.assign(calls.size(), nullptr);
  for (size_t i = 0; i < calls.size(); ++i) {
    DBusPendingCall* call = calls[i];
    if (call == nullptr) continue;
    if (timedOut && !dbus_pending_call_get_completed(call)) {
      dbus_pending_call_cancel(call);
      dbus_pending_call_unref(call);
      continue;
    }
    dbus_pending_call_block(call);
    replies[i] = dbus_pending_call_steal_reply(call);
    dbus_pending_call_unref(call);
    timedOut = timedOut || (replies[i] != nullptr && dbus_message_is_error(replies[i], DBUS_ERROR_NO_REPLY));
  }
  return timedOut;
}

}  // namespace platform::linux_desktop
