#include "FwuCli.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>

#include "FwuCommands.h"
#include "ShownText.h"
#include "UsageErrorText.h"

namespace nimbo::fwu {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

constexpr const char* kDescription =
    "Makes and opens NIMBO firmware update files (.fwu). An existing output file is replaced\n"
    "only with --force; - as the output writes to standard output.";

// A seed is a whole number 0..2^64-1 written in decimal digits only: no
// sign, no wrap-around of larger numbers.
std::optional<std::uint64_t> ParseSeed(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

int RunFwu(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app(kDescription, "nimbo-fwu");
  // "/tmp/x" is a file name on every system, never a Windows-style option.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);

  std::string inPath;
  Output output{"", false, out};
  std::string seedText = "1";
  const auto addOutput = [&output](CLI::App& command, const char* what) {
    command.add_option("OUT", output.path, std::string(what) + "; - for standard output")
        ->required();
    command.add_flag("--force", output.force, "Replace OUT if it is an existing file");
  };

  CLI::App* encode = app.add_subcommand("encode", "Encode IMAGE.bin into OUT.fwu");
  encode->add_option("IMAGE", inPath, "firmware image, at most 32776 bytes")->required();
  addOutput(*encode, "firmware update file to write");
  const std::string seeds =
      "a whole number from 0 to " + std::to_string(std::numeric_limits<std::uint64_t>::max());
  encode->add_option("--seed", seedText, "seed of the filler bytes, " + seeds + " (default 1)")
      ->type_name("N")
      ->check(CLI::Validator(
          [seeds](std::string& text) {
            return ParseSeed(text) ? std::string() : "'" + text + "' is not " + seeds;
          },
          "", "seed"));

  CLI::App* decode = app.add_subcommand("decode", "Decode IN.fwu into OUT.bin");
  decode->add_option("IN", inPath, "firmware update file")->required();
  addOutput(*decode, "image file to write (32776 bytes)");

  CLI::App* sample = app.add_subcommand("sample", "Write the sample update (version 1.2)");
  addOutput(*sample, "firmware update file to write");

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kSuccess;
  } catch (const CLI::ParseError& error) {
    const auto parsed = app.get_subcommands();
    const CLI::App& at = parsed.empty() ? app : *parsed.front();
    const std::string command = parsed.empty() ? "" : at.get_name() + " ";
    const auto text =
        cli::UsageErrorText(at, error, "nimbo-fwu " + command.substr(0, command.size() - 1));
    err << "nimbo-fwu: " << (parsed.empty() ? "" : at.get_name() + ": ")
        << cli::EscapeControls(text.value_or(error.what())) << '\n'
        << "Try 'nimbo-fwu " << command << "--help' for more information.\n";
    return kUsageError;
  }

  std::string error;
  bool ok = false;
  if (*encode) {
    ok = Encode(inPath, output, *ParseSeed(seedText), err, error);
  } else if (*decode) {
    ok = Decode(inPath, output, err, error);
  } else {
    ok = WriteSample(output, error);
  }
  if (!ok) {
    err << "nimbo-fwu: " << app.get_subcommands().front()->get_name() << ": "
        << cli::EscapeControls(error) << '\n';
  }
  return ok ? kSuccess : kFailure;
}

}  // namespace nimbo::fwu
