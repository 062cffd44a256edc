// The rules of the system seam that hold on every system: a file written
// whole through a temporary never replaces what it was not asked to, and
// leaves no temporary behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "link/platform/TemporaryFile.h"
#include "support/ScratchFolder.h"

namespace nimbo::platform {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The names are UTF-8 here and must reach Windows as the same characters.
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

TEST(TemporaryFile, ReplacesOnlyWhenAskedAndLeavesNoTemporaryBehind) {
  const test::ScratchFolder folder;
  const fs::path& dir = folder.Path();
  std::ofstream(dir / "taken") << "kept";
  // Bare names, as a user types them, in the working folder.
  const struct WorkingFolder {
    fs::path before = fs::current_path();
    explicit WorkingFolder(const fs::path& dir) { fs::current_path(dir); }
    ~WorkingFolder() { fs::current_path(before); }
  } working(dir);
  struct Case {
    std::u8string_view target;
    TemporaryFile::Existing existing;
    bool put;
    const char* contents;  // of the target afterwards
  };
  using enum TemporaryFile::Existing;
  const Case cases[] = {
      {u8"taken", Keep, false, "kept"},
      {u8"neu-\u00e4", Keep, true, "written"},
      {u8"taken", Replace, true, "written"},
  };
  for (const Case& c : cases) {
    const fs::path target = c.target;
    SCOPED_TRACE(Utf8(target));
    SystemError error;
    std::optional<TemporaryFile> file = TemporaryFile::CreateBeside(Utf8(target), error);
    ASSERT_TRUE(file) << error.text;
    const std::string bytes = "written";
    ASSERT_TRUE(
        file->Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, error));
    EXPECT_EQ(file->PutInPlace(Utf8(target), c.existing, error), c.put) << error.text;
    EXPECT_EQ(error.kind == SystemError::Kind::AlreadyExists, !c.put) << error.text;
    EXPECT_EQ(Contents(target), c.contents);
  }
  {
    SystemError error;
    const auto dropped = TemporaryFile::CreateBeside(Utf8(dir / "dropped"), error);
    ASSERT_TRUE(dropped) << error.text;
  }
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(Utf8(entry.path().filename()));
  }
  EXPECT_EQ(names, (std::set<std::string>{"neu-\xC3\xA4", "taken"}));
}

}  // namespace
}  // namespace nimbo::platform
