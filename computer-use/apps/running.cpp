#include "apps/running.h"

#include <charconv>
#include <limits>

#include "platform/platform.h"
#include "text/unicode.h"

namespace dorv {

std::optional<int64_t> parseInteger(const std::string& s, int64_t min, int64_t max) {
  std::string_view digits = s;
  bool negative = false;
  if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  // Read the magnitude as unsigned so that the most negative value still fits.
  uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (negative) {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return std::nullopt;
    int64_t v = magnitude == 0 ? 0 : -static_cast<int64_t>(magnitude - 1) - 1;
    if (v < min) return std::nullopt;
    return v;
  }
  if (magnitude > static_cast<uint64_t>(max)) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

std::optional<RunningApplication> runningApp(const std::string& name) {
  if (auto pid = parseInteger(name, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())) {
    if (auto app = platform::workspace().runningApplication(static_cast<int32_t>(*pid))) return app;
  }
  // Listing every application costs more than looking one up, so a process id is tried first.
  auto apps = platform::workspace().runningApplications();
  for (const auto& app : apps)
    if (app.bundleIdentifier && *app.bundleIdentifier == name) return app;
  for (const auto& app : apps)
    if (app.localizedName && displayedNameMatches(*app.localizedName, name)) return app;
  // The word a person calls an application by, when its entry adds an edition ("Firefox ESR"
  // started as firefox), so long as it names one application only.
  std::optional<RunningApplication> byFirstWord;
  for (const auto& app : apps) {
    if (!app.localizedName) continue;
    const std::string first = app.localizedName->substr(0, app.localizedName->find(' '));
    if (first.size() == app.localizedName->size() || !displayedNameMatches(first, name)) continue;
    if (byFirstWord) return std::nullopt;
    byFirstWord = app;
  }
  return byFirstWord;
}

bool displayedNameMatches(const std::string& displayed, const std::string& name) {
  return text::canonicallyEqual(text::lowercase(displayed), text::lowercase(name));
}

RunningApplication resolveApp(const std::string& name) {
  if (auto app = runningApp(name)) return *app;
  fail("No running app matches \"" + name + "\". Run `apps` to list them.");
}

Json appRecord(const RunningApplication& app, size_t windowCount) {
  return Json{
      {"pid", app.processIdentifier},
      {"name", app.localizedName.value_or("")},
      {"bundleId", app.bundleIdentifier.value_or("")},
      {"path", app.bundlePath.value_or("")},
      {"windows", windowCount},
  };
}

void bringToFront(const RunningApplication& app) {
  auto& ax = platform::accessibility();
  auto element = ax.createApplication(app.processIdentifier);
  if (ax.setAttributeValue(element, "AXFrontmost", platform::Value(true)) != platform::AXErrorCode::success)
    platform::workspace().activate(app);
}

}  // namespace dorv
