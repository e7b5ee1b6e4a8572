#include "desktop/models/quick_add_model.hpp"

#include <QQuickTextDocument>
#include <QVariantMap>
#include <stdexcept>
#include <system_error>

#include "core/file_port.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/error_text.hpp"
#include "ui/quick_add_write.hpp"
#include "ui/quick_draft_text.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {

QuickAddModel::QuickAddModel(ui::AppContext& app, QObject* parent) : QObject(parent), app_(app) {}

void QuickAddModel::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  emit textChanged();
  parse();
}

void QuickAddModel::parse() {
  spans_.clear();
  draft_.clear();
  writable_ = false;
  // Read as `talewick parse` and `talewick add` read it: a sentence without a date or time (or
  // an empty one) has no draft yet.
  std::optional<ui::QuickSentence> read;
  try {
    read = ui::readQuickSentence({text_.toStdString()}, app_.now());
  } catch (const ui::UsageError&) {
  }
  if (read) {
    const ParsedEvent* parsed = &read->draft;
    for (const ui::SpanGroup& g : ui::spanGroups(read->text, parsed->spans)) {
      spans_.append(
          QVariantMap{{"start", static_cast<qint64>(g.unitBegin)},
                      {"length", static_cast<qint64>(g.unitEnd - g.unitBegin)},
                      {"role", QString::fromUtf8(rawValue(g.role).data(),
                                                 static_cast<qsizetype>(rawValue(g.role).size()))},
                      {"roleName", QString::fromStdString(ui::roleName(g.role))}});
    }
    for (const auto& [label, value] : ui::draftRows(*parsed)) {
      draft_.append(QVariantMap{{"label", QString::fromStdString(label)},
                                {"value", QString::fromStdString(ui::shown(value, true))}});
    }
    writable_ = !parsed->impossibleDate && !parsed->impossibleRecurrence;
  }
  if (highlighter_) highlighter_->setSpans(spans_);
  emit draftChanged();
}

void QuickAddModel::highlight(QObject* document) {
  auto* quick = qobject_cast<QQuickTextDocument*>(document);
  if (!quick) return;
  delete highlighter_;
  highlighter_ = new SpanHighlighter(quick->textDocument());
  highlighter_->setSpans(spans_);
}

bool QuickAddModel::submit() {
  std::string line;
  bool written = false;
  CalendarEvent event;
  try {
    const ui::QuickSentence sentence = ui::readQuickSentence({text_.toStdString()}, app_.now());
    const ui::QuickAddWrite write = ui::writeQuickSentence(app_, sentence, "");
    line = Loc::format(Loc::string("cli.add.done", "Nouvelle quête dans « %@ » — %@"),
                       {ui::shown(write.calendar.title), ui::dayHeading(write.draft.event.start)});
    written = true;
    event = write.draft.event;
  } catch (const FileError& e) {
    line = e.what();  // already one line naming the file
  } catch (const std::system_error& e) {
    line = ui::fileErrorText(e);
  } catch (const std::exception& e) {
    line = e.what();
  }
  outcome_ = QString::fromStdString(ui::shown(line));
  emit outcomeChanged();
  if (!written) {
    emit failed(outcome_);
    return false;
  }
  setText(QString());
  emit wrote();
  sendInvitations(event);
  return true;
}

void QuickAddModel::sendInvitations(const CalendarEvent& event) {
  if (event.attendees.empty()) return;
  // The relay answers on the main loop while the window goes on; its lines follow the event's.
  QPointer<QuickAddModel> self(this);
  app_.invitations().send(event, "quest_" + event.eventIdentifier,
                          [self](std::vector<std::string> said) {
                            if (!self || said.empty()) return;
                            for (const std::string& text : said)
                              self->outcome_ += "\n" + QString::fromStdString(ui::shown(text));
                            emit self->outcomeChanged();
                          });
}

}  // namespace talewick::desktop
