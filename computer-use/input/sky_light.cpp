#include "input/sky_light.h"

#include "input/private_symbol.h"

namespace dorv {
namespace {

using namespace platform;

EventRecord emptyRecord(uint32_t windowId, uint8_t kind) {
  EventRecord record{};
  record[FocusRecord::lengthOffset] = static_cast<uint8_t>(FocusRecord::size);
  record[FocusRecord::kindOffset] = kind;
  writeLittleEndian(record, {FocusRecord::windowIdOffset, FocusRecord::windowIdOffset + 4}, windowId);
  return record;
}

std::optional<ProcessSerialNumber> processFor(int32_t pid) {
  ProcessSerialNumber psn;
  if (events().getProcessForPID(pid, &psn) != 0) return std::nullopt;
  return psn;
}

std::optional<SkyLight> resolve() {
  auto post = privateSymbol<PrivateFunction::PostEventRecordTo>("SLPSPostEventRecordTo");
  if (!post) return std::nullopt;
  auto toPid = privateSymbol<PrivateFunction::EventPostToPid>("SLEventPostToPid");
  if (!toPid) return std::nullopt;
  auto field = privateSymbol<PrivateFunction::EventSetIntegerValueField>("SLEventSetIntegerValueField");
  if (!field) return std::nullopt;
  auto location = privateSymbol<PrivateFunction::EventSetWindowLocation>("CGEventSetWindowLocation");
  if (!location) return std::nullopt;
  return SkyLight{*post, *toPid, *field, *location};
}

}  // namespace

EventRecord focusEventRecord(uint32_t windowId, bool gained) {
  EventRecord record = emptyRecord(windowId, FocusRecord::kind);
  record[FocusRecord::markerOffset] = gained ? FocusRecord::gained : FocusRecord::lost;
  return record;
}

EventRecord makeKeyRecord(uint32_t windowId, uint8_t kind) {
  EventRecord record = emptyRecord(windowId, kind);
  record[FocusRecord::keyFlagOffset] = FocusRecord::keyFlag;
  for (size_t i = FocusRecord::keyMaskRange.begin; i < FocusRecord::keyMaskRange.end; ++i) record[i] = 0xFF;
  return record;
}

const std::optional<SkyLight>& SkyLight::shared() {
  static OncePerInstallation<std::optional<SkyLight>> table;
  return table.get(resolve);
}

void SkyLight::focusRecord(int32_t pid, uint32_t windowId, bool gained) const {
  auto psn = processFor(pid);
  if (!psn) return;
  postEventRecord(*psn, focusEventRecord(windowId, gained));
}

void SkyLight::makeKey(int32_t pid, uint32_t windowId) const {
  auto psn = processFor(pid);
  if (!psn) return;
  postEventRecord(*psn, makeKeyRecord(windowId, FocusRecord::kindKeyDown));
  postEventRecord(*psn, makeKeyRecord(windowId, FocusRecord::kindKeyUp));
}

}  // namespace dorv
