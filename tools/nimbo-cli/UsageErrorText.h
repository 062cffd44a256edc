// Usage errors in the words of nimbo-cli and nimbo-fwu where the parser's
// own would mislead: a word that names no command, an option the command
// does not know, a value that begins with '-', and words left over (named in
// the order given).
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo::cli {

// The message for `error`, met in `command` (the deepest the parser
// reached; `usage` is how to call it: "nimbo-cli settings backup");
// nullopt where the parser's own message says it.
inline std::optional<std::string> UsageErrorText(const CLI::App& command,
                                                 const CLI::ParseError& error,
                                                 std::string_view usage) {
  const std::vector<std::string> left = command.remaining();
  const bool required = dynamic_cast<const CLI::RequiredError*>(&error) != nullptr;
  // An option is left over where it was given: here or before the command.
  for (const CLI::App* at = &command; at != nullptr; at = at->get_parent()) {
    for (const std::string& word : at->remaining()) {
      if (word.size() < 2 || !word.starts_with('-') || word == "--") {
        continue;
      }
      std::string text = "unknown option '" + word + "'";
      if (at == &command && required && command.get_require_subcommand_min() == 0) {
        // What the command lacks was most likely meant to be this word.
        text += "; to give a name that begins with '-', put -- before it (" + std::string(usage) +
                " -- " + word + ") or write it as ./" + word;
      }
      return text;
    }
  }
  if (required && command.get_require_subcommand_min() > 0 && !left.empty()) {
    return "unknown command '" + left.front() + "'";
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !left.empty()) {
    std::string text = left.size() == 1 ? "unexpected argument" : "unexpected arguments";
    for (const std::string& word : left) {
      text += " '" + word + "'";
    }
    return text;
  }
  return std::nullopt;
}

}  // namespace nimbo::cli
