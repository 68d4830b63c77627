#include "apps/windows.h"

#include <limits>

#include "platform/platform.h"

namespace dorv {

std::optional<int64_t> integerValue(const platform::Value& value, int64_t min, int64_t max) {
  const int64_t* n = value.get<int64_t>();
  if (!n || *n < min || *n > max) return std::nullopt;
  return *n;
}

namespace {

const platform::Value* member(const platform::Dictionary& d, const std::string& key) {
  auto it = d.find(key);
  return it == d.end() ? nullptr : &it->second;
}

}  // namespace

std::map<int32_t, std::vector<WindowInfo>> windowsByOwner() {
  using namespace platform;
  std::map<int32_t, std::vector<WindowInfo>> result;
  auto list = windowServer().copyWindowInfo(WindowListOption::excludeDesktopElements, nullWindowId);
  const Array* entries = list ? list->get<Array>() : nullptr;
  if (!entries) return result;
  for (const Value& entry : *entries) {
    const Dictionary* d = entry.get<Dictionary>();
    if (!d) continue;
    const Value* owner = member(*d, WindowKey::ownerPid);
    auto ownerPid = owner ? integerValue(*owner, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max())
                          : std::nullopt;
    if (!ownerPid) continue;
    const Value* layer = member(*d, WindowKey::layer);
    if (!layer || !layer->get<int64_t>() || *layer->get<int64_t>() != 0) continue;
    const Value* number = member(*d, WindowKey::number);
    auto id = number ? integerValue(*number, 0, std::numeric_limits<uint32_t>::max()) : std::nullopt;
    if (!id) continue;
    const Value* bounds = member(*d, WindowKey::bounds);
    auto frame = bounds ? rectFromDictionary(*bounds) : std::nullopt;
    if (!frame || !(frame->size.width > 50) || !(frame->size.height > 50)) continue;
    WindowInfo info;
    info.id = static_cast<uint32_t>(*id);
    info.frame = *frame;
    const Value* name = member(*d, WindowKey::name);
    if (name && name->get<std::string>()) info.title = *name->get<std::string>();
    const Value* onScreen = member(*d, WindowKey::isOnscreen);
    info.onScreen = onScreen && onScreen->get<bool>() && *onScreen->get<bool>();
    result[static_cast<int32_t>(*ownerPid)].push_back(std::move(info));
  }
  return result;
}

std::vector<WindowInfo> windows(int32_t pid) {
  auto all = windowsByOwner();
  auto it = all.find(pid);
  return it == all.end() ? std::vector<WindowInfo>{} : std::move(it->second);
}

}  // namespace dorv
