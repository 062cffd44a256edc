// Runs a fuzz target over every file in the folders given, as libFuzzer
// replays a corpus, in the builds without libFuzzer: an input that found a
// crash once is run by every test run after. A folder without inputs fails,
// so that a wrong path cannot pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
      std::printf("%s\n", input.filename().string().c_str());  // names the input of a crash
      std::fflush(stdout);
      std::ifstream in(input, std::ios::binary);
      const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs of %s replayed\n", inputs.size(), argv[i]);
    if (inputs.empty()) {
      return 1;
    }
  }
  return argc > 1 ? 0 : 1;
}
