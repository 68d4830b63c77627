#include "cli/globals.h"

namespace dorv {

std::vector<std::string> args;

const std::set<std::string> interactiveRoles = {
    "AXButton",      "AXCheckBox",     "AXRadioButton",        "AXTextField", "AXTextArea",
    "AXComboBox",    "AXPopUpButton",  "AXMenuButton",         "AXLink",      "AXMenuItem",
    "AXSlider",      "AXIncrementor",  "AXDisclosureTriangle", "AXTab",       "AXSearchField",
    "AXSegmentedControl", "AXCell",    "AXRow",
};

std::string activityDir;
std::string activityPath;
std::string windowsPath;
std::string liveLockPath;

// Virtual key codes of the US keyboard layout.
const std::map<std::string, uint16_t> keyCodes = {
    {"a", 0},       {"s", 1},       {"d", 2},        {"f", 3},       {"h", 4},
    {"g", 5},       {"z", 6},       {"x", 7},        {"c", 8},       {"v", 9},
    {"b", 11},      {"q", 12},      {"w", 13},       {"e", 14},      {"r", 15},
    {"y", 16},      {"t", 17},      {"1", 18},       {"2", 19},      {"3", 20},
    {"4", 21},      {"6", 22},      {"5", 23},       {"=", 24},      {"9", 25},
    {"7", 26},      {"-", 27},      {"8", 28},       {"0", 29},      {"]", 30},
    {"o", 31},      {"u", 32},      {"[", 33},       {"i", 34},      {"p", 35},
    {"return", 36}, {"enter", 36},  {"l", 37},       {"j", 38},      {"'", 39},
    {"k", 40},      {";", 41},      {",", 43},       {"/", 44},      {"n", 45},
    {"m", 46},      {".", 47},      {"tab", 48},     {"space", 49},  {"delete", 51},
    {"backspace", 51}, {"escape", 53}, {"esc", 53},  {"home", 115},  {"pageup", 116},
    {"end", 119},   {"pagedown", 121}, {"left", 123}, {"right", 124}, {"down", 125},
    {"up", 126},
};

bool needsAccessibility = true;
std::optional<platform::RunningApplication> previousFront;
bool stoleFocus = false;
std::string command;
std::optional<uint32_t> windowOption;
std::optional<std::string> sayOption;

void setPaths(const std::string& homeDirectory) {
  activityDir = homeDirectory + "/.dorv/computer-use";
  activityPath = activityDir + "/activity.json";
  windowsPath = activityDir + "/windows.json";
  liveLockPath = activityDir + "/live.lock";
}

}  // namespace dorv
