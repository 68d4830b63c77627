#include "platform/scripted/private_framework.h"

namespace platform::scripted {
namespace {

uint64_t littleEndian(const std::vector<uint8_t>& bytes, size_t begin, size_t end) {
  uint64_t v = 0;
  for (size_t i = end; i > begin; --i) v = (v << 8) | (i - 1 < bytes.size() ? bytes[i - 1] : 0);
  return v;
}

}  // namespace

std::any ScriptedPrivateFramework::symbol(const std::string&, const std::string& name) {
  log_.add("symbol " + name);
  auto it = symbols.find(name);
  return it == symbols.end() ? std::any() : it->second;
}

void ScriptedPrivateFramework::provideEventChannel() {
  symbols["SLPSPostEventRecordTo"] = PrivateFunction::PostEventRecordTo(
      [this](const ProcessSerialNumber& psn, const std::array<uint8_t, 248>& bytes) {
        log_.add("postEventRecord " + std::to_string(psn.lowLongOfPSN) + " kind " + std::to_string(bytes[8]));
        records.push_back({psn, bytes});
        return int32_t{0};
      });
  symbols["SLEventPostToPid"] = PrivateFunction::EventPostToPid([this](int32_t pid, const CGEvent& event) {
    log_.add("postEvent " + std::to_string(pid) + " type " + std::to_string(event.type));
    posted.emplace_back(pid, event);
  });
  symbols["SLEventSetIntegerValueField"] =
      PrivateFunction::EventSetIntegerValueField([this](CGEvent& event, uint32_t field, int64_t value) {
        log_.add("setField " + std::to_string(field) + " " + std::to_string(value));
        event.fields.emplace_back(field, value);
      });
  symbols["CGEventSetWindowLocation"] = PrivateFunction::EventSetWindowLocation([this](CGEvent& event, Point p) {
    log_.add("setWindowLocation");
    event.windowLocation = p;
  });
}

void ScriptedPrivateFramework::provideSpaces() {
  symbols["CGSMainConnectionID"] = PrivateFunction::MainConnectionID([this] {
    log_.add("mainConnectionID");
    return int32_t{1};
  });
  symbols["CGSCopySpacesForWindows"] = PrivateFunction::CopySpacesForWindows(
      [this](int32_t connection, int32_t mask, const Value& windows) -> std::optional<Value> {
        const Array* ids = windows.get<Array>();
        const int64_t* id = ids && ids->size() == 1 ? (*ids)[0].get<int64_t>() : nullptr;
        log_.add("copySpaces " + std::to_string(connection) + " " + std::to_string(mask) + " " +
                 (id ? std::to_string(*id) : "?"));
        if (!id) return std::nullopt;
        auto it = spaces.find(static_cast<uint32_t>(*id));
        return it == spaces.end() ? std::optional<Value>(Value(Array{})) : it->second;
      });
}

void ScriptedPrivateFramework::provideRemoteTokens() {
  symbols["_AXUIElementCreateWithRemoteToken"] =
      PrivateFunction::CreateWithRemoteToken([this](const std::vector<uint8_t>& token) {
        ++remoteTokenCalls;
        lastToken = token;
        system_.now += remoteTokenCallSeconds;
        system_.monotonic += remoteTokenCallSeconds;
        auto pid = static_cast<int32_t>(littleEndian(token, 0, 4));
        auto it = remoteElements.find({pid, littleEndian(token, 12, 20)});
        return it == remoteElements.end() ? AXUIElement() : it->second;
      });
}

}  // namespace platform::scripted
