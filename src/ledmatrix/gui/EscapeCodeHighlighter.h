// Shows the escape codes of the LED Matrix String in colour while it is
// typed, and marks codes that do not match the legend with a wavy underline.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace nimbo::ledmatrix::gui {

class EscapeCodeHighlighter final : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit EscapeCodeHighlighter(QTextDocument* document);

  const QTextCharFormat& CodeFormat() const { return code_; }
  const QTextCharFormat& ProblemFormat() const { return problem_; }

 protected:
  // Codes never span a line break (a line break is no argument), so each
  // line is scanned on its own.
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat code_;
  QTextCharFormat problem_;
};

}  // namespace nimbo::ledmatrix::gui
