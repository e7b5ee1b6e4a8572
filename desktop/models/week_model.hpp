// The week holding today, Monday first, as one row per day, each holding its quests as cards
// (emoji, the name the title mode puts first, threat, XP, start and end), and the sheet of the
// quest the user opened. Read from the quest store after each of its loads.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <vector>

namespace talewick::ui {
class AppContext;
}

namespace talewick::desktop {

class WeekModel : public QAbstractListModel {
  Q_OBJECT
  // The opened quest's sheet (see select()); empty when none is open.
  Q_PROPERTY(QVariantMap sheet READ sheet NOTIFY sheetChanged)

 public:
  enum Role { DayKeyRole = Qt::UserRole + 1, HeadingRole, CardsRole, XpRole, IsTodayRole };

  explicit WeekModel(ui::AppContext& app, QObject* parent = nullptr);
  ~WeekModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  QVariantMap sheet() const { return sheet_; }
  // Opens the sheet of the quest `questID` on the day `dayKey` ("yyyy-MM-dd"); false when the
  // week holds no such quest (the sheet is closed then).
  Q_INVOKABLE bool select(const QString& questID, const QString& dayKey);
  Q_INVOKABLE void closeSheet();

  // Reads the week again from the store (after each of its loads).
  void read();

 signals:
  void sheetChanged();

 private:
  struct Day {
    QString key;
    QString heading;
    QVariantList cards;
    qint64 xp = 0;
    bool today = false;
  };

  ui::AppContext& app_;
  int token_ = 0;
  std::vector<Day> days_;
  QVariantMap sheet_;
  QString sheetQuest_, sheetDay_;
};

}  // namespace talewick::desktop
