#pragma once
// Plugins beside the program: the stacks that only some commands use, loaded by those commands
// alone so that every other run spares mapping them.

namespace platform::linux_desktop {

// The entry point of the plugin of that file name in the program's own directory, loaded on the
// call and kept for the life of the process; null when the plugin is missing or broken.
void* pluginEntry(const char* fileName, const char* entryName);

}  // namespace platform::linux_desktop
