#include "platform/scripted/system.h"

namespace platform::scripted {

void ScriptedSystem::sleepMicros(uint64_t micros) {
  log_.add("sleep " + std::to_string(micros));
  now += micros / 1e6;
  monotonic += micros / 1e6;
}

bool ScriptedSystem::wait(std::binary_semaphore& signal, double seconds) {
  log_.add("wait " + std::to_string(seconds));
  if (signalArrives && signal.try_acquire()) return true;
  now += seconds;
  monotonic += seconds;
  return false;
}

std::optional<std::string> ScriptedSystem::homeDirectoryOf(const std::string& user) {
  auto it = otherHomes.find(user);
  if (it == otherHomes.end()) return std::nullopt;
  return it->second;
}

std::optional<int32_t> ScriptedSystem::parentPid(int32_t p) {
  auto it = parents.find(p);
  if (it == parents.end()) return std::nullopt;
  return it->second;
}

bool ScriptedSystem::createDirectories(const std::string& path) {
  std::lock_guard hold(filesGuard);
  log_.add("mkdir " + path);
  directories.insert(path);
  return true;
}

bool ScriptedSystem::writeFile(const std::string& path, std::string_view data) {
  std::lock_guard hold(filesGuard);
  log_.add("write " + path);
  if (unwritable.count(path) || fileExists(path)) return false;
  files[path] = std::string(data);
  return true;
}

std::optional<std::string> ScriptedSystem::readFile(const std::string& path, size_t maxBytes) {
  std::lock_guard hold(filesGuard);
  auto it = files.find(path);
  if (it == files.end() || it->second.size() > maxBytes) return std::nullopt;
  return it->second;
}

bool ScriptedSystem::rename(const std::string& from, const std::string& to) {
  std::lock_guard hold(filesGuard);
  log_.add("rename " + from + " " + to);
  auto it = files.find(from);
  if (it == files.end() || directories.count(to) || to.empty()) return false;
  files[to] = it->second;
  files.erase(from);
  return true;
}

bool ScriptedSystem::removeFile(const std::string& path) {
  std::lock_guard hold(filesGuard);
  log_.add("remove " + path);
  return files.erase(path) > 0;
}

bool ScriptedSystem::isRegularFile(const std::string& path) {
  std::lock_guard hold(filesGuard);
  return files.count(path) > 0;
}

bool ScriptedSystem::fileExists(const std::string& path) {
  std::lock_guard hold(filesGuard);
  return files.count(path) > 0 || directories.count(path) > 0;
}

std::optional<int> ScriptedSystem::openLockFile(const std::string& path) {
  std::lock_guard hold(filesGuard);
  log_.add("open-lock " + path);
  if (unwritable.count(path)) return std::nullopt;
  files.try_emplace(path, "");
  int fd = nextFd_++;
  if (lockHeldElsewhere) lockedElsewhere.insert(fd);
  return fd;
}

bool ScriptedSystem::tryLock(int fd) {
  log_.add("flock " + std::to_string(fd));
  return lockedElsewhere.count(fd) == 0;
}

void ScriptedSystem::unlock(int fd) { log_.add("unlock " + std::to_string(fd)); }

void ScriptedSystem::close(int fd) { log_.add("close " + std::to_string(fd)); }

void ScriptedSystem::spawnDetached(const std::string& program, const std::vector<std::string>& args) {
  std::string call = "spawn " + program;
  for (const auto& a : args) call += " " + a;
  log_.add(call);
}

void ScriptedSystem::exit(int status) {
  log_.add("exit " + std::to_string(status));
  throw ExitCalled{status};
}

void ScriptedSystem::exitNow(int status) {
  log_.add("exitNow " + std::to_string(status));
  throw ExitCalled{status};
}

}  // namespace platform::scripted
