#include "desktop/span_highlighter.hpp"

#include <QHash>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QVariantMap>

namespace talewick::desktop {

QColor SpanHighlighter::colourOf(const QString& role) {
  static const QHash<QString, QColor> colours{
      {"temporal", QColor("#5fd3e0")}, {"duration", QColor("#3aa7b5")},
      {"location", QColor("#8fdc7a")}, {"person", QColor("#e08fe0")},
      {"reminder", QColor("#f0d060")}, {"recurrence", QColor("#7f9cf5")},
      {"calendar", QColor("#ff7a6b")}, {"meeting", QColor("#6fb4ff")},
      {"note", QColor("#a8a0b8")}};
  return colours.value(role, QColor("#f4efe3"));
}

void SpanHighlighter::setSpans(const QVariantList& spans) {
  spans_ = spans;
  rehighlight();
}

void SpanHighlighter::highlightBlock(const QString& text) {
  // Ranges count from the sentence's start; a block is one of its lines.
  const int blockStart = currentBlock().position();
  for (const QVariant& entry : spans_) {
    const QVariantMap span = entry.toMap();
    const int start = span.value("start").toInt() - blockStart;
    const int length = span.value("length").toInt();
    if (start + length <= 0 || start >= text.size()) continue;
    QTextCharFormat format;
    format.setForeground(colourOf(span.value("role").toString()));
    format.setFontWeight(QFont::DemiBold);
    if (span.value("role").toString() == QStringLiteral("meeting")) format.setFontUnderline(true);
    setFormat(std::max(0, start), std::min<int>(length, static_cast<int>(text.size()) - start),
              format);
  }
}

}  // namespace talewick::desktop
