#pragma once
// The command handlers. Each prints its result through emit or ends the run through fail.

namespace dorv {

void appsCommand();
void windowsCommand();

}  // namespace dorv
