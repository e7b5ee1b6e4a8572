// The quick-add field: the sentence is read again at each keystroke by the parser `talewick parse`
// uses, giving the groups of recognised words with their colour roles (as UTF-16 ranges, what a
// QML text field indexes by) and the draft below it; submit() writes the event by the path of
// `talewick add`, invitations included.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include "core/calendar_port.hpp"
#include "desktop/span_highlighter.hpp"

namespace talewick::ui {
class AppContext;
}

namespace talewick::desktop {

class QuickAddModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
  // [{"start", "length", "role", "roleName"}…], in order, never overlapping.
  Q_PROPERTY(QVariantList spans READ spans NOTIFY draftChanged)
  // [{"label", "value"}…]: title, start, duration, place, guests…; empty without a date or time.
  Q_PROPERTY(QVariantList draft READ draft NOTIFY draftChanged)
  // Whether Enter would write something.
  Q_PROPERTY(bool writable READ writable NOTIFY draftChanged)
  // What the last submit() said: the event written, or why nothing was.
  Q_PROPERTY(QString outcome READ outcome NOTIFY outcomeChanged)

 public:
  explicit QuickAddModel(ui::AppContext& app, QObject* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  QVariantList spans() const { return spans_; }
  QVariantList draft() const { return draft_; }
  bool writable() const { return writable_; }
  QString outcome() const { return outcome_; }

  // Colours `document` (a QQuickTextDocument, the QML field's) with the spans as they change.
  Q_INVOKABLE void highlight(QObject* document);

  // Writes the sentence as a new event; true when written (the field is emptied then). A refusal
  // or a failure leaves the sentence as typed, says why on `outcome` and through failed().
  Q_INVOKABLE bool submit();

 signals:
  void textChanged();
  void draftChanged();
  void outcomeChanged();
  void failed(const QString& line);
  // After a write: the store has work queued.
  void wrote();

 private:
  void parse();
  // Mails the invitation of an event just written to its guests with an address.
  void sendInvitations(const CalendarEvent& event);

  ui::AppContext& app_;
  QString text_;
  QVariantList spans_;
  QVariantList draft_;
  bool writable_ = false;
  QString outcome_;
  QPointer<SpanHighlighter> highlighter_;  // owned by the field's text document
};

}  // namespace talewick::desktop
