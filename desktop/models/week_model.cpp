#include "desktop/models/week_model.hpp"

#include "support/local_calendar.hpp"
#include "text/quest_display_title.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/quest_sheet.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {
namespace {

QString text(const std::string& outside) { return QString::fromStdString(ui::shown(outside)); }

QVariantMap card(const QuestStore::AgendaItem& item, CalendarTitleMode mode) {
  const Quest& quest = item.quest;
  const QuestDisplayTitle title{quest.name, quest.rawTitle};
  const std::optional<std::string> subtitle = title.subtitleLine(mode);
  return QVariantMap{
      {"questID", QString::fromStdString(quest.id)},
      {"emoji", text(quest.emoji)},
      {"title", text(title.primaryLine(mode))},
      {"subtitle", subtitle ? text(*subtitle) : QString()},
      {"threat", text(quest.threat.emoji + " " + quest.threat.label)},
      {"threatTier", static_cast<int>(quest.threat.tier)},
      {"xp", static_cast<qint64>(quest.baseXp)},
      {"allDay", item.allDay},
      {"start", item.allDay ? QString() : QString::fromStdString(ui::clockText(quest.startDate))},
      {"end", item.allDay ? QString()
                          : QString::fromStdString(
                                ui::clockText(quest.startDate.adding(60.0 * quest.durationMin)))},
  };
}

QVariantMap sheetMap(const ui::QuestSheet& sheet) {
  QVariantList choices;
  for (const ui::QuestSheet::Choice& c : sheet.choices) {
    choices.append(QVariantMap{
        {"label", text(c.label)}, {"effects", text(c.effects)}, {"realQuest", text(c.realQuest)}});
  }
  return QVariantMap{{"heading", text(sheet.heading)},
                     {"rawTitle", text(sheet.rawTitle)},
                     {"when", text(sheet.when)},
                     {"place", text(sheet.place)},
                     {"numbers", text(sheet.numbers)},
                     {"biome", text(sheet.biome)},
                     {"intro", QString::fromStdString(ui::shown(sheet.intro, true))},
                     {"breakdown", QString::fromStdString(ui::shown(sheet.breakdown, true))},
                     {"choices", choices},
                     {"identifier", text(sheet.identifier)}};
}

}  // namespace

WeekModel::WeekModel(ui::AppContext& app, QObject* parent) : QAbstractListModel(parent), app_(app) {
  token_ = app_.questStore().observe([this] { read(); });
  read();
}

WeekModel::~WeekModel() { app_.questStore().unobserve(token_); }

int WeekModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(days_.size());
}

QVariant WeekModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(days_.size())) return {};
  const Day& day = days_[static_cast<size_t>(index.row())];
  switch (role) {
    case DayKeyRole:
      return day.key;
    case HeadingRole:
      return day.heading;
    case CardsRole:
      return day.cards;
    case XpRole:
      return day.xp;
    case IsTodayRole:
      return day.today;
    default:
      return {};
  }
}

QHash<int, QByteArray> WeekModel::roleNames() const {
  return {{DayKeyRole, "dayKey"},
          {HeadingRole, "heading"},
          {CardsRole, "cards"},
          {XpRole, "xp"},
          {IsTodayRole, "isToday"}};
}

void WeekModel::read() {
  QuestStore& store = app_.questStore();
  const Date now = app_.now();
  const Date monday = QuestStore::weekInterval(now).start;
  const CalendarTitleMode mode = ui::titleMode(app_);
  const std::string todayKey = LocalCalendar::dayKey(now);
  std::vector<Day> days;
  for (int i = 0; i < 7; ++i) {
    const Date date = LocalCalendar::addingDays(monday, i);
    const std::string key = LocalCalendar::dayKey(date);
    days.push_back(Day{QString::fromStdString(key),
                       QString::fromStdString(ui::dayHeading(date)),
                       {},
                       0,
                       key == todayKey});
  }
  for (const QuestStore::AgendaItem& item : store.agenda(monday, 7)) {
    const std::string key = LocalCalendar::dayKey(item.date);
    for (Day& day : days) {
      if (day.key.toStdString() != key) continue;
      day.cards.append(card(item, mode));
      day.xp += item.quest.baseXp;
    }
  }
  beginResetModel();
  days_ = std::move(days);
  endResetModel();
  // An open sheet follows its quest, and closes when the quest is gone.
  if (!sheetQuest_.isEmpty()) select(sheetQuest_, sheetDay_);
}

bool WeekModel::select(const QString& questID, const QString& dayKey) {
  QuestStore& store = app_.questStore();
  const std::string id = questID.toStdString();
  try {
    const Quest quest = ui::findQuest(store, id, ui::parseDay(dayKey.toStdString()));
    const std::optional<DayEvent> event = ui::eventBehind(store, quest, app_.now());
    std::optional<QuestBreakdown> breakdown;
    if (event) breakdown = QuestEngine::breakdown(*event, store.mode());
    sheet_ = sheetMap(ui::questSheet(quest, event, breakdown));
    sheetQuest_ = questID;
    sheetDay_ = dayKey;
    emit sheetChanged();
    return true;
  } catch (const ui::UsageError&) {
    closeSheet();
    return false;
  }
}

void WeekModel::closeSheet() {
  const bool wasOpen = !sheet_.isEmpty();
  sheet_.clear();
  sheetQuest_.clear();
  sheetDay_.clear();
  if (wasOpen) emit sheetChanged();
}

}  // namespace talewick::desktop
