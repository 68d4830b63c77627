#include "platform/scripted/window_server.h"

namespace platform::scripted {

void ScriptedWindowServer::addWindow(int32_t pid, uint32_t id, Rect frame, std::string title,
                                     bool onScreen) {
  Dictionary entry{
      {WindowKey::ownerPid, Value(pid)},
      {WindowKey::layer, Value(0)},
      {WindowKey::number, Value(id)},
      {WindowKey::bounds, Value(Dictionary{{BoundsKey::x, frame.origin.x},
                                           {BoundsKey::y, frame.origin.y},
                                           {BoundsKey::width, frame.size.width},
                                           {BoundsKey::height, frame.size.height}})},
      {WindowKey::isOnscreen, Value(onScreen)},
  };
  if (!title.empty()) entry[WindowKey::name] = Value(std::move(title));
  addEntry(Value(std::move(entry)));
}

void ScriptedWindowServer::addEntry(Value entry) {
  Array array;
  if (windowList && windowList->get<Array>()) array = *windowList->get<Array>();
  array.push_back(std::move(entry));
  windowList = Value(std::move(array));
}

std::optional<Value> ScriptedWindowServer::copyWindowInfo(uint32_t options, uint32_t relativeToWindow) {
  log_.add("copyWindowInfo " + std::to_string(options) + " " + std::to_string(relativeToWindow));
  if (!windowList || !(options & WindowListOption::onScreenOnly)) return windowList;
  const Array* all = windowList->get<Array>();
  if (!all) return windowList;
  Array visible;
  for (const auto& entry : *all) {
    const Dictionary* d = entry.get<Dictionary>();
    if (!d) continue;
    auto it = d->find(WindowKey::isOnscreen);
    if (it != d->end() && it->second.get<bool>() && *it->second.get<bool>()) visible.push_back(entry);
  }
  return Value(visible);
}

}  // namespace platform::scripted
