// Paints the quick-add sentence as it is typed: each group of recognised words in its role's
// colour, from the ranges the quick-add model read (UTF-16 units, the text document's own).
#pragma once

#include <QColor>
#include <QSyntaxHighlighter>
#include <QVariantList>

namespace talewick::desktop {

class SpanHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

  // The spans of the current sentence ([{"start", "length", "role"}…]); repaints.
  void setSpans(const QVariantList& spans);

  // The colour of a role ("temporal", "location"…), chosen so that neighbours in a typical
  // sentence (a day and a time, a place and its guests) never share a hue.
  static QColor colourOf(const QString& role);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QVariantList spans_;
};

}  // namespace talewick::desktop
