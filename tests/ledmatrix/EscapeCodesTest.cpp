// The escape-code scanner against a table of texts and the problems each
// must report, with every legend code at the limits of its argument.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ledmatrix/EscapeCodes.h"

namespace nimbo::ledmatrix {
namespace {

using Problems = std::vector<std::pair<std::size_t, std::string>>;  // position, message

Problems Found(const EscapeScan& scan) {
  Problems found;
  for (const EscapeProblem& problem : scan.problems) {
    found.emplace_back(problem.position, problem.message);
  }
  return found;
}

TEST(EscapeCodes, ProblemsOfEachText) {
  const std::string hint = " (%% shows a single %)";
  const std::vector<std::pair<std::string, Problems>> cases = {
      // Texts that match the legend, every code at the ends of its range.
      {"", {}},
      {"Hello, world", {}},
      {"100%% sure", {}},
      {"%S0%S9%P0%P9%B0%B9", {}},
      {"%S12", {}},  // one digit; the 2 is shown
      {"%F0%F1", {}},
      {"%H00%HFF%Hff%H7a", {}},
      {"%C000000%CFFFFFF%Cabcdef", {}},
      {"%C1234567", {}},
      // Digit arguments missing or out of range.
      {"%S", {{1, "%S at 1 needs a digit 0-9"}}},
      {"a%Px", {{2, "%P at 2 needs a digit 0-9"}}},
      {"%F", {{1, "%F at 1 needs 0 or 1"}}},
      {"%Fx", {{1, "%F at 1 needs 0 or 1"}}},
      {"%F2", {{1, "%F at 1 takes 0 or 1, not 2"}}},
      // Too few or wrong hex digits.
      {"%H", {{1, "%H at 1 needs two hex digits"}}},
      {"%Hzz", {{1, "%H at 1 needs two hex digits"}}},
      {"%C12345", {{1, "%C at 1 needs six hex digits"}}},
      {"Red: %C12 x", {{6, "%C at 6 needs six hex digits"}}},
      // A % that starts no code.
      {"%", {{1, "% at 1 ends the text without a code" + hint}}},
      {"50%", {{3, "% at 3 ends the text without a code" + hint}}},
      {"%%%", {{3, "% at 3 ends the text without a code" + hint}}},
      {"%X", {{1, "%X at 1 is not a code" + hint}}},
      {"%s5", {{1, "%s at 1 is not a code" + hint}}},  // the legend's letters are capitals
      {"5% off", {{2, "% at 2 is not followed by a code" + hint}}},
      {"%\nA", {{1, "% at 1 is not followed by a code" + hint}}},
      // Positions count characters, not bytes; a malformed byte is one character.
      {"\xC3\xA9%Q", {{2, "%Q at 2 is not a code" + hint}}},
      {"\xFF%", {{2, "% at 2 ends the text without a code" + hint}}},
      // Every problem, in order; a broken code does not swallow the next one.
      {"%S%F7%H1",
       {{1, "%S at 1 needs a digit 0-9"},
        {3, "%F at 3 takes 0 or 1, not 7"},
        {6, "%H at 6 needs two hex digits"}}},
  };
  for (const auto& [text, problems] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Found(ScanEscapeCodes(text)), problems);
  }
}

// Pieces cover the text in order; a broken code holds what was right of it.
TEST(EscapeCodes, SplitsTextIntoPlainRunsAndCodes) {
  using Kind = EscapePiece::Kind;
  const EscapeScan scan = ScanEscapeCodes("A%S5%Zb%C12q");
  const std::vector<std::tuple<Kind, std::size_t, std::size_t, bool>> expected = {
      {Kind::Plain, 0, 1, false}, {Kind::Code, 1, 3, false}, {Kind::Code, 4, 2, true},
      {Kind::Plain, 6, 1, false}, {Kind::Code, 7, 4, true},  {Kind::Plain, 11, 1, false},
  };
  std::vector<std::tuple<Kind, std::size_t, std::size_t, bool>> pieces;
  for (const EscapePiece& piece : scan.pieces) {
    pieces.emplace_back(piece.kind, piece.start, piece.length, piece.problem);
  }
  EXPECT_EQ(pieces, expected);
  ASSERT_EQ(scan.problems.size(), 2u);
  EXPECT_EQ(scan.problems[1].start, 7u);
  EXPECT_EQ(scan.problems[1].length, 4u);
}

}  // namespace
}  // namespace nimbo::ledmatrix
