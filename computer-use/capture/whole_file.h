#pragma once
// Whole-file replacement for files other processes read: written beside the destination,
// then renamed over it.

#include <functional>
#include <string>

namespace dorv {

// The temporary file a run writes before renaming it to the path: beside it (so the rename stays
// on one file system), private to the process and unpredictable, so that no other program can
// plant a file or link at the name beforehand. Writers create it exclusively and remove it
// when anything fails.
std::string temporaryPathFor(const std::string& path);

// Replaces the file at the path whole: write creates the temporary file it is given, which is
// then renamed over the path. False, with no temporary file left, when either step fails.
bool replaceWhole(const std::string& path, const std::function<bool(const std::string& temporary)>& write);

}  // namespace dorv
