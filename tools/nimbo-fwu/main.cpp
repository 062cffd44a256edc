// nimbo-fwu: encodes a firmware image into a firmware update file, decodes
// one back, or writes the sample update.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <string>

#include "FwuCommands.h"

int main(int argc, char** argv) {
  CLI::App app{"Makes and opens NIMBO firmware update files (.fwu)."};
  app.require_subcommand(1);

  std::string imagePath;
  std::string fwuPath;
  std::string outPath;
  std::uint64_t seed = 1;

  CLI::App* encode = app.add_subcommand("encode", "Encode IMAGE.bin into OUT.fwu");
  encode->add_option("IMAGE", imagePath, "firmware image, at most 32776 bytes")->required();
  encode->add_option("OUT", outPath, "firmware update file to write")->required();
  encode->add_option("--seed", seed, "seed of the filler bytes (default 1)");

  CLI::App* decode = app.add_subcommand("decode", "Decode IN.fwu into OUT.bin");
  decode->add_option("IN", fwuPath, "firmware update file")->required();
  decode->add_option("OUT", outPath, "image file to write (32776 bytes)")->required();

  CLI::App* sample = app.add_subcommand("sample", "Write the sample update (version 1.2)");
  sample->add_option("OUT", outPath, "firmware update file to write")->required();

  CLI11_PARSE(app, argc, argv);

  if (*encode) {
    return nimbo::fwu::Encode(imagePath, outPath, seed, std::cerr);
  }
  if (*decode) {
    return nimbo::fwu::Decode(fwuPath, outPath, std::cerr);
  }
  return nimbo::fwu::WriteSample(outPath, std::cerr);
}
