#pragma once
// The key and open command handlers. Each prints its result through emit or ends the run
// through fail.

namespace dorv {

void keyCommand();
void openCommand();

}  // namespace dorv
