// The status bar: one line per store that has something to say (the quest store's load, the notes
// folder, the kingdom's last payment, the hero's set-aside document) and the errors met since,
// newest first. Errors never open a dialog: a store that could not save says so here and keeps
// its previous state.
#pragma once

#include <QObject>
#include <QStringList>
#include <string>

namespace talewick::ui {
class AppContext;
}

namespace talewick::desktop {

class StatusModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(QStringList lines READ lines NOTIFY changed)
  Q_PROPERTY(QStringList errors READ errors NOTIFY changed)

 public:
  // The errors kept on screen.
  static constexpr int ERRORS_KEPT = 3;

  explicit StatusModel(ui::AppContext& app, QObject* parent = nullptr);
  ~StatusModel() override;

  QStringList lines() const { return lines_; }
  QStringList errors() const { return errors_; }

  // Reads the stores' status lines again (after a load, a refresh, a change of the hero).
  void refresh();
  // Something went wrong: `line` goes on top of the errors (once in a row).
  Q_INVOKABLE void reportError(const QString& line);
  // The kingdom's last payment, said until the next one.
  void setKingdomLine(const std::string& line);

 signals:
  void changed();

 private:
  ui::AppContext& app_;
  QStringList lines_;
  QStringList errors_;
  std::string kingdomLine_;
  int questToken_ = 0;
};

}  // namespace talewick::desktop
