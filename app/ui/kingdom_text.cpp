#include "ui/kingdom_text.hpp"

#include <algorithm>
#include <cstdio>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

using Loc::counted;

}  // namespace

std::vector<KingdomItem> itemsAhead(const std::vector<KingdomItem>& items, Date now) {
  const double today = LocalCalendar::startOfDay(now).seconds;
  std::vector<KingdomItem> kept;
  for (const KingdomItem& item : items) {
    if (item.source != KingdomItem::Source::quest || !item.date || item.date->seconds >= today) {
      kept.push_back(item);
    }
  }
  return kept;
}

std::string itemDate(const KingdomItem& item) {
  if (!item.date) return "";
  const LocalCalendar::Fields f = LocalCalendar::fields(*item.date);
  char text[32];
  if (item.allDay) {
    std::snprintf(text, sizeof text, "%02d/%02d", f.day, f.month);
  } else {
    std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", f.day, f.month, f.hour, f.minute);
  }
  return text;
}

std::string campaignLine(const Campaigns::Campaign& campaign) {
  const Campaigns::Summary s = Campaigns::summary(campaign);
  std::string line = shown(campaign.title) + " — " + std::to_string(s.chaptersCompleted) + "/" +
                     std::to_string(s.chaptersTotal);
  if (const Campaigns::Chapter* chapter = campaign.activeChapter())
    line += " · " + shown(chapter->title);
  return line;
}

std::string rewardText(int64_t xp, int64_t gold) {
  return Loc::format(Loc::string("kingdom.reward", "+%@ XP, +%@ or"),
                     {std::to_string(xp), std::to_string(gold)});
}

std::string realmName(KingdomRealm realm) {
  switch (realm) {
    case KingdomRealm::family:
      return Loc::string("kingdom.realm.family", "Famille");
    case KingdomRealm::personal:
      return Loc::string("kingdom.realm.personal", "Personnel");
    case KingdomRealm::factions:
      return Loc::string("kingdom.realm.factions", "Factions");
    case KingdomRealm::reminders:
      return Loc::string("kingdom.realm.reminders", "Rappels");
    case KingdomRealm::tickets:
      return Loc::string("kingdom.realm.tickets", "Tickets");
    case KingdomRealm::deadlines:
      return Loc::string("kingdom.realm.deadlines", "Échéances");
  }
  return {};
}

std::string dayVerdict(const DayLoad& calendar, const Capacity::Assessment& kingdom) {
  const LoadTier judged = kingdom.level == Capacity::Level::overloaded ? LoadTier::siege
                          : kingdom.level == Capacity::Level::loaded   ? LoadTier::remplie
                                                                       : LoadTier::patrouille;
  return DayLoadEngine::verdict(std::max(calendar.tier, judged));
}

std::string objectiveLabel(const WorldQuests::Objective& o) {
  using Kind = WorldQuests::ObjectiveKind;
  const int64_t t = std::max<int64_t>(o.targetCount, 1);
  switch (o.kind) {
    case Kind::invitations:
      return counted(t, "kingdom.objective.invitations", "Répondre à %@ invitation",
                     "Répondre à %@ invitations");
    case Kind::backlogTicket:
      return Loc::string("kingdom.objective.backlogTicket", "Sortir un ticket du backlog");
    case Kind::ticketDone:
      return Loc::string("kingdom.objective.ticketDone", "Terminer un ticket en cours");
    case Kind::remindersOverdue:
      return Loc::string("kingdom.objective.remindersOverdue", "Plus aucun rappel en retard");
    case Kind::remindersDone:
      return counted(t, "kingdom.objective.remindersDone", "Cocher %@ rappel du jour",
                     "Cocher %@ rappels du jour");
    case Kind::deadlineClear:
      return Loc::string("kingdom.objective.deadlineClear", "Plus aucune échéance en retard");
    case Kind::vaultTasks:
      return counted(t, "kingdom.objective.vaultTasks", "Accomplir %@ tâche du coffre",
                     "Accomplir %@ tâches du coffre");
  }
  return {};
}

std::string candidateKindLabel(Journey::CandidateKind kind) {
  using Kind = Journey::CandidateKind;
  switch (kind) {
    case Kind::overdueDeadline:
      return Loc::string("kingdom.candidate.overdueDeadline", "échéance en retard");
    case Kind::campaignStep:
      return Loc::string("kingdom.candidate.campaignStep", "campagne");
    case Kind::ticketInProgress:
      return Loc::string("kingdom.candidate.ticketInProgress", "ticket en cours");
    case Kind::invitation:
      return Loc::string("kingdom.candidate.invitation", "invitation");
    case Kind::reminderDueToday:
      return Loc::string("kingdom.candidate.reminderDueToday", "rappel du jour");
    case Kind::backlogTicket:
      return Loc::string("kingdom.candidate.backlogTicket", "ticket du backlog");
    case Kind::vaultTask:
      return Loc::string("kingdom.candidate.vaultTask", "tâche du coffre");
    case Kind::calendarUpcoming:
      return Loc::string("kingdom.candidate.calendarUpcoming", "à venir aujourd'hui");
  }
  return {};
}

std::string paymentLine(const KingdomCoordinator::Payment& payment,
                        const std::optional<WorldQuests::DailyBoard>& board) {
  std::string what = payment.what.empty() ? payment.receiptID : payment.what;
  if (!payment.what.empty()) {
    // Named by the store that paid it.
  } else if (board && payment.receiptID == WorldQuests::chestReceiptID(board->dayKey)) {
    what = Loc::string("kingdom.chest", "Coffre du jour");
  } else if (board) {
    for (const WorldQuests::Objective& o : board->objectives) {
      if (WorldQuests::objectiveReceiptID(o.id) == payment.receiptID) what = objectiveLabel(o);
    }
  }
  // An unlock pays nothing: its announcement is the whole line.
  if (payment.xp == 0 && payment.gold == 0) return what;
  return Loc::format(Loc::string("kingdom.payment", "+%@ XP, +%@ or — %@"),
                     {std::to_string(payment.xp), std::to_string(payment.gold), what});
}

std::string weeklyBossLine(const WeeklyBoss::Boss& boss) {
  const WeeklyBoss::Summary s = WeeklyBoss::summary(boss);
  return Loc::format(
      Loc::string("kingdom.weekboss.line", "%@ — %@/%@ PV"),
      {shown(boss.title), std::to_string(s.maxHP - s.damage), std::to_string(s.maxHP)});
}

}  // namespace talewick::ui
