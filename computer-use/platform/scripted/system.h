#pragma once
// An in-memory operating system: a file system in a map, a clock that only sleeping moves,
// exit as an exception the test catches.

#include <map>
#include <mutex>
#include <set>

#include "platform/scripted/call_log.h"
#include "platform/system.h"

namespace platform::scripted {

// Thrown by exit(); carries the status.
struct ExitCalled {
  int status;
};

class ScriptedSystem : public System {
 public:
  explicit ScriptedSystem(CallLog& log) : log_(log) {}

  double now = 1'800'000'000.0;  // wall clock, seconds since 1970
  double monotonic = 1000.0;
  int32_t pid = 4242;
  int32_t ppid = 100;
  std::map<int32_t, int32_t> parents;  // pid -> parent, for parentPid
  std::string home = "/home/user";
  std::map<std::string, std::string> otherHomes;  // login name -> home directory
  std::string tmp = "/tmp/";
  std::string currentDir = "/home/user/work";
  std::optional<std::string> executable = std::string("/usr/bin/dorv-computer-use");
  std::map<std::string, std::string> files;
  // A command writes its images on threads of their own while it reads the tree.
  std::recursive_mutex filesGuard;
  std::set<std::string> directories;
  std::set<std::string> unwritable;  // paths whose writes fail
  std::set<int> lockedElsewhere;     // lock fds whose flock is refused
  bool lockHeldElsewhere = false;    // every new lock fd is refused
  bool signalArrives = true;         // whether wait() sees its signal
  std::string standardOutput;

  double timeSince1970() override { return now; }
  double monotonicSeconds() override { return monotonic; }
  void sleepMicros(uint64_t micros) override;
  bool wait(std::binary_semaphore& signal, double seconds) override;
  uint64_t randomNumber() override { return 0x5eed; }
  int32_t processId() override { return pid; }
  int32_t parentProcessId() override { return ppid; }
  std::optional<int32_t> parentPid(int32_t pid) override;
  std::string homeDirectory() override { return home; }
  std::optional<std::string> homeDirectoryOf(const std::string& user) override;
  std::string temporaryDirectory() override { return tmp; }
  std::string currentDirectory() override { return currentDir; }
  std::optional<std::string> executablePath() override { return executable; }
  bool createDirectories(const std::string& path) override;
  bool writeFile(const std::string& path, std::string_view data) override;
  std::optional<std::string> readFile(const std::string& path, size_t maxBytes) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool removeFile(const std::string& path) override;
  bool fileExists(const std::string& path) override;
  bool isRegularFile(const std::string& path) override;
  std::optional<int> openLockFile(const std::string& path) override;
  bool tryLock(int fd) override;
  void unlock(int fd) override;
  void close(int fd) override;
  void spawnDetached(const std::string& program, const std::vector<std::string>& args) override;
  void writeStandardOutput(std::string_view text) override { standardOutput += text; }
  [[noreturn]] void exit(int status) override;
  [[noreturn]] void exitNow(int status) override;

 private:
  CallLog& log_;
  int nextFd_ = 10;
};

}  // namespace platform::scripted
