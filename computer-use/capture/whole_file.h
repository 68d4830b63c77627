#pragma once
// Whole-file replacement for files other processes read: written beside the destination,
// then renamed over it.

#include <string>

namespace dorv {

// The temporary file a run writes before renaming it to the path. It is private to the
// process, so two runs replacing the same file never write into one temporary file.
std::string temporaryPathFor(const std::string& path);

}  // namespace dorv
