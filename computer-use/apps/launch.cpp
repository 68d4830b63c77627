#include "apps/launch.h"

#include <glib.h>

#include <memory>
#include <semaphore>
#include <string_view>

#include "apps/running.h"

#include "core/result.h"
#include "platform/platform.h"

namespace dorv {
namespace {

// GUri accepts ASCII characters that no URI may hold (spaces, quotes, angle brackets...);
// a string with one is not a URL. Other scripts pass, as in an internationalised address.
bool hasOnlyURICharacters(std::string_view s) {
  constexpr std::string_view excluded = " \"<>\\^`{|}";
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F || excluded.find(static_cast<char>(c)) != std::string_view::npos) return false;
  return true;
}

struct ParsedURL {
  std::string scheme;
  std::string host;
};

// The parts of an absolute URL that matter here, or none when the string is not one.
std::optional<ParsedURL> parsed(const std::string& s) {
  if (!hasOnlyURICharacters(s)) return std::nullopt;
  GUri* uri = g_uri_parse(s.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (!uri) return std::nullopt;
  const char* host = g_uri_get_host(uri);
  ParsedURL result{g_uri_get_scheme(uri), host ? host : ""};
  g_uri_unref(uri);
  return result;
}

bool beginsWithNumber(std::string_view s) {
  if (s.empty()) return false;
  const gunichar c = g_utf8_get_char_validated(s.data(), static_cast<gssize>(s.size()));
  if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) return false;
  const GUnicodeType type = g_unichar_type(c);
  return type == G_UNICODE_DECIMAL_NUMBER || type == G_UNICODE_LETTER_NUMBER ||
         type == G_UNICODE_OTHER_NUMBER;
}

// A web address without a host ("", "?q") would open a browser on nothing.
std::optional<std::string> withHTTP(const std::string& s) {
  std::string url = "http://" + s;
  auto parts = parsed(url);
  if (!parts || parts->host.empty()) return std::nullopt;
  return url;
}

// "~" and "~/..." under the user's home, "~name" and "~name/..." under that user's; a name
// that is no user stays as written.
std::string expandingTilde(const std::string& path) {
  if (!path.starts_with('~')) return path;
  const size_t slash = path.find('/');
  const std::string user = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
  const std::string rest = slash == std::string::npos ? "" : path.substr(slash);
  auto& system = platform::system();
  if (user.empty()) return system.homeDirectory() + rest;
  auto home = system.homeDirectoryOf(user);
  return home ? *home + rest : path;
}

std::string joined(const std::string& directory, const std::string& component) {
  return directory.ends_with('/') ? directory + component : directory + "/" + component;
}

struct PendingOpen {
  std::binary_semaphore signal{0};
  platform::OpenOutcome outcome;
};

}  // namespace

std::optional<std::string> applicationURL(const std::string& name) {
  if (auto running = runningApp(name)) return running->bundlePath;
  auto& workspace = platform::workspace();
  if (auto installed = workspace.urlForApplication(name)) return installed;
  // A name is never a path: "../../x" must not find an x bundle outside the directories.
  if (name.find('/') == std::string::npos && name.find("..") == std::string::npos) {
    const std::string bundleName = name + workspace.bundleExtension();
    for (const auto& directory : workspace.applicationDirectories()) {
      std::string path = joined(directory, bundleName);
      if (platform::system().fileExists(path)) return path;
    }
  }
  // People name applications as the menus show them, rarely by their file names.
  for (const auto& installed : workspace.installedApplications())
    for (const auto& shown : installed.names)
      if (displayedNameMatches(shown, name)) return installed.bundlePath;
  return std::nullopt;
}

std::optional<std::string> webURL(const std::string& s) {
  auto parts = parsed(s);
  if (!parts) return withHTTP(s);
  // "localhost:8080" parses as the scheme "localhost"; a number after the colon shows a port.
  if (beginsWithNumber(std::string_view(s).substr(parts->scheme.size() + 1))) return withHTTP(s);
  return s;
}

std::optional<std::string> targetURL(const std::string& target) {
  // An empty target names no file, not even the current directory, and no web address.
  if (target.empty()) return std::nullopt;
  auto& system = platform::system();
  gchar* absolute =
      g_canonicalize_filename(expandingTilde(target).c_str(), system.currentDirectory().c_str());
  const std::string path = absolute;
  g_free(absolute);
  if (!system.fileExists(path) && !target.starts_with('/') && !target.starts_with('~') &&
      !target.starts_with('.'))
    return webURL(target);
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return std::nullopt;
  std::string url = uri;
  g_free(uri);
  return url;
}

std::string lastPathComponent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<platform::RunningApplication> openInBackground(const std::string& bundlePath,
                                                             const std::optional<std::string>& url) {
  // Shared with the completion, which may still come after the wait has given up.
  auto pending = std::make_shared<PendingOpen>();
  auto completion = [pending](platform::OpenOutcome outcome) {
    pending->outcome = std::move(outcome);
    pending->signal.release();
  };
  auto& workspace = platform::workspace();
  if (url)
    workspace.openURLs({*url}, bundlePath, false, completion);
  else
    workspace.openApplication(bundlePath, false, completion);
  if (!platform::system().wait(pending->signal, openTimeout))
    fail(lastPathComponent(bundlePath) + " didn't answer within " +
         std::to_string(static_cast<int64_t>(openTimeout)) + " seconds");
  if (pending->outcome.error) fail("Couldn't open: " + *pending->outcome.error);
  return pending->outcome.application;
}

}  // namespace dorv
