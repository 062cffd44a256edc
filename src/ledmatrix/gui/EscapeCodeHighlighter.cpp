#include "ledmatrix/gui/EscapeCodeHighlighter.h"

#include <vector>

#include "ledmatrix/EscapeCodes.h"

namespace nimbo::ledmatrix::gui {

namespace {

// Where each character (code point) of `text` starts in its UTF-16 units,
// with one more entry for the end.
std::vector<int> CharacterStarts(const QString& text) {
  std::vector<int> starts;
  starts.reserve(static_cast<std::size_t>(text.size()) + 1);
  for (int i = 0; i < text.size(); ++i) {
    starts.push_back(i);
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    }
  }
  starts.push_back(static_cast<int>(text.size()));
  return starts;
}

}  // namespace

EscapeCodeHighlighter::EscapeCodeHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document) {
  code_.setForeground(QColor(0x00, 0x4C, 0xB0));
  code_.setFontWeight(QFont::Bold);
  problem_.setForeground(QColor(0xC0, 0x10, 0x10));
  problem_.setUnderlineStyle(QTextCharFormat::WaveUnderline);
  problem_.setUnderlineColor(QColor(0xC0, 0x10, 0x10));
}

void EscapeCodeHighlighter::highlightBlock(const QString& text) {
  const std::vector<int> starts = CharacterStarts(text);
  for (const EscapePiece& piece : ScanEscapeCodes(text.toStdString()).pieces) {
    if (piece.kind != EscapePiece::Kind::Code || piece.start + piece.length >= starts.size()) {
      continue;
    }
    const int from = starts[piece.start];
    const int to = starts[piece.start + piece.length];
    setFormat(from, to - from, piece.problem ? problem_ : code_);
  }
}

}  // namespace nimbo::ledmatrix::gui
