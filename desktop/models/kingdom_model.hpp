// The kingdom map: the six realms with what lies ahead in each (from the kingdom coordinator's
// last snapshot) and the building each has grown to, the day's board of world quests and its
// chest, the journey's main quest, the campaigns under way and the week's boss. Rebuilt after
// every refresh of the kingdom; the hero walks to the realm of the main quest.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <string>
#include <vector>

namespace talewick::ui {
class AppContext;
}

namespace talewick::desktop {

class KingdomModel : public QAbstractListModel {
  Q_OBJECT
  Q_PROPERTY(QString verdict READ verdict NOTIFY changed)
  // [{"label", "reward", "completed"}…]; hasBoard is false before the day's board is drawn.
  Q_PROPERTY(QVariantList board READ board NOTIFY changed)
  Q_PROPERTY(bool hasBoard READ hasBoard NOTIFY changed)
  Q_PROPERTY(QString chest READ chest NOTIFY changed)
  Q_PROPERTY(bool chestOpen READ chestOpen NOTIFY changed)
  Q_PROPERTY(QString journey READ journey NOTIFY changed)
  Q_PROPERTY(QStringList secondaries READ secondaries NOTIFY changed)
  // The banners: one line per campaign under way, the week's boss (empty when there is none).
  Q_PROPERTY(QStringList campaigns READ campaigns NOTIFY changed)
  Q_PROPERTY(QString boss READ boss NOTIFY changed)
  // The row of the realm the hero stands in.
  Q_PROPERTY(int heroRealm READ heroRealm NOTIFY changed)
  // [{"name", "tier", "kind"}…]: the people met, highest reputation first, the first
  // INHABITANTS_SHOWN.
  Q_PROPERTY(QVariantList inhabitants READ inhabitants NOTIFY changed)

 public:
  // A realm lists the whole window; the map shows this many of the items still ahead.
  static constexpr int ITEMS_SHOWN = 3;
  static constexpr int INHABITANTS_SHOWN = 6;

  enum Role {
    RealmRole = Qt::UserRole + 1,  // "family"…
    NameRole,
    CountRole,  // the items ahead
    ItemsRole,  // [{"title", "when", "overdue", "pinned"}…], the first ITEMS_SHOWN
    BuildingStageRole,
  };

  explicit KingdomModel(ui::AppContext& app, QObject* parent = nullptr);
  ~KingdomModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

  QString verdict() const { return verdict_; }
  QVariantList board() const { return board_; }
  bool hasBoard() const { return hasBoard_; }
  QString chest() const { return chest_; }
  bool chestOpen() const { return chestOpen_; }
  QString journey() const { return journey_; }
  QStringList secondaries() const { return secondaries_; }
  QStringList campaigns() const { return campaigns_; }
  QString boss() const { return boss_; }
  int heroRealm() const { return heroRealm_; }
  QVariantList inhabitants() const { return inhabitants_; }

  // Reads the coordinator's view again.
  void read();

 signals:
  void changed();

 private:
  struct Realm {
    QString id, name;
    int count = 0;
    QVariantList items;
    int buildingStage = 1;
  };

  ui::AppContext& app_;
  int token_ = 0;
  int heroToken_ = 0;
  int peopleToken_ = 0;
  std::vector<Realm> realms_;
  QString verdict_, chest_, journey_, boss_;
  QVariantList board_;
  bool hasBoard_ = false, chestOpen_ = false;
  QStringList secondaries_, campaigns_;
  int heroRealm_ = 0;
  QVariantList inhabitants_;
};

}  // namespace talewick::desktop
