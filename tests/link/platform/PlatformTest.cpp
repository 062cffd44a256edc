// The rules of the system seam that hold on every system: a file written
// whole through a temporary never replaces what it was not asked to, and
// leaves no temporary behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "link/platform/TemporaryFile.h"

namespace nimbo::platform {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(TemporaryFile, ReplacesOnlyWhenAskedAndLeavesNoTemporaryBehind) {
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("nimbo-platform-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "taken") << "kept";
  struct Case {
    const char* target;
    TemporaryFile::Existing existing;
    bool put;
    const char* contents;  // of the target afterwards
  };
  using enum TemporaryFile::Existing;
  const Case cases[] = {
      {"taken", Keep, false, "kept"},
      {"new", Keep, true, "written"},
      {"taken", Replace, true, "written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string target = (dir / c.target).string();
    SystemError error;
    std::optional<TemporaryFile> file = TemporaryFile::CreateBeside(target, error);
    ASSERT_TRUE(file) << error.text;
    const std::string bytes = "written";
    ASSERT_TRUE(
        file->Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, error));
    EXPECT_EQ(file->PutInPlace(target, c.existing, error), c.put) << error.text;
    EXPECT_EQ(error.kind == SystemError::Kind::AlreadyExists, !c.put) << error.text;
    EXPECT_EQ(Contents(target), c.contents);
  }
  {
    SystemError error;
    const auto dropped = TemporaryFile::CreateBeside((dir / "dropped").string(), error);
    ASSERT_TRUE(dropped) << error.text;
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"new", "taken"}));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace nimbo::platform
