// The hero sheet: level, the fraction of the level bar, experience, gold, streak, title and what
// the hero wears, from the hero store's document, followed as it changes (a command, another
// machine, a payment of the kingdom).
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

namespace talewick::ui {
class AppContext;
}

namespace talewick::desktop {

class HeroModel : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString name READ name NOTIFY changed)
  Q_PROPERTY(QString avatar READ avatar NOTIFY changed)
  Q_PROPERTY(int level READ level NOTIFY changed)
  Q_PROPERTY(QString levelText READ levelText NOTIFY changed)
  Q_PROPERTY(double levelFraction READ levelFraction NOTIFY changed)
  Q_PROPERTY(qint64 totalXp READ totalXp NOTIFY changed)
  Q_PROPERTY(qint64 xpIntoLevel READ xpIntoLevel NOTIFY changed)
  Q_PROPERTY(qint64 xpForNext READ xpForNext NOTIFY changed)
  Q_PROPERTY(qint64 gold READ gold NOTIFY changed)
  Q_PROPERTY(qint64 streak READ streak NOTIFY changed)
  Q_PROPERTY(QString goldAndStreak READ goldAndStreak NOTIFY changed)
  Q_PROPERTY(QString title READ title NOTIFY changed)
  Q_PROPERTY(QString equippedTitle READ equippedTitle NOTIFY changed)
  // [{"emoji", "name", "slot", "rarity"}…]
  Q_PROPERTY(QVariantList equipment READ equipment NOTIFY changed)

 public:
  explicit HeroModel(ui::AppContext& app, QObject* parent = nullptr);
  ~HeroModel() override;

  QString name() const { return name_; }
  QString avatar() const { return avatar_; }
  int level() const { return level_; }
  QString levelText() const { return levelText_; }
  double levelFraction() const { return levelFraction_; }
  qint64 totalXp() const { return totalXp_; }
  qint64 xpIntoLevel() const { return xpIntoLevel_; }
  qint64 xpForNext() const { return xpForNext_; }
  qint64 gold() const { return gold_; }
  qint64 streak() const { return streak_; }
  QString goldAndStreak() const { return goldAndStreak_; }
  QString title() const { return title_; }
  QString equippedTitle() const { return equippedTitle_; }
  QVariantList equipment() const { return equipment_; }

 signals:
  void changed();

 private:
  void read();

  ui::AppContext& app_;
  int token_ = 0;
  QString name_, avatar_, levelText_, goldAndStreak_, title_, equippedTitle_;
  int level_ = 1;
  double levelFraction_ = 0;
  qint64 totalXp_ = 0, xpIntoLevel_ = 0, xpForNext_ = 0, gold_ = 0, streak_ = 0;
  QVariantList equipment_;
};

}  // namespace talewick::desktop
