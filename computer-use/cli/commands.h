#pragma once
// The command handlers. Each prints its result through emit or ends the run through fail.

namespace dorv {

void appsCommand();
void windowsCommand();
void screenshotCommand();
void clickCommand();
void dragCommand();
void typeCommand();
void focusCommand();

}  // namespace dorv
