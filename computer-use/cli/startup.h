#pragma once
// Start-up, the shared options and dispatch of one run.

#include <optional>
#include <string>

namespace dorv {

// Takes a flag and the argument after it out of args; none when absent or last.
std::optional<std::string> option(const std::string& flag);

// Asks the host application to open its permission setup by writing the request file.
void askDorvForPermissionSetup();

// The five lines printed for help, an empty command line and unknown words.
extern const char* const usageText;

// The whole run: start-up, the permission gate, the shared options, dispatch. Returns the
// exit status of a run that did not exit by itself.
int run(int argc, char** argv);

}  // namespace dorv
