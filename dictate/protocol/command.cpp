#include "protocol/command.h"

#include <nlohmann/json.hpp>

namespace dictate {

std::optional<std::string> commandWord(const std::string& line) {
  auto value = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
  if (!value.is_object()) return std::nullopt;
  auto cmd = value.find("cmd");
  if (cmd == value.end() || !cmd->is_string()) return std::nullopt;
  return cmd->get<std::string>();
}

}  // namespace dictate
