#include "core/quest_notifier.hpp"

#include <algorithm>
#include <cmath>

#include "support/loc.hpp"
#include "support/local_calendar.hpp"

namespace talewick {
namespace {

constexpr std::string_view kReminderPrefix = "quest_";
constexpr std::string_view kCombatPrefix = "combat_";
constexpr std::string_view kEveningPrefix = "closing_";
constexpr std::string_view kInvitePrefix = "invite_";
constexpr std::string_view kInviteDonePrefix = "invite_done_";
constexpr int kEveningHour = 21;

bool startsWith(const std::string& text, std::string_view prefix) {
  return std::string_view(text).starts_with(prefix);
}

// The instant an invitation key names (its part after the bar), when it has one.
std::optional<Date> keyStart(std::string_view key) {
  const size_t bar = key.rfind('|');
  if (bar == std::string_view::npos || bar + 1 == key.size()) return std::nullopt;
  try {
    return Date::fromUnix(std::stod(std::string(key.substr(bar + 1))));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

NotificationCategory combatCategory() {
  return {QuestNotifier::combatCategoryId,
          {{"COMBAT", Loc::string("notify.combat.fight", "Combattre ⚔️")},
           {"DODGE", Loc::string("notify.combat.dodge", "Esquiver")}}};
}

NotificationCategory inviteCategory() {
  return {QuestNotifier::inviteCategoryId,
          {{"INVITE_ACCEPT", Loc::string("invitersvp.action.accept", "Accepter")},
           {"INVITE_TENTATIVE", InviteRSVPLore::tentativeAction()},
           {"INVITE_DECLINE", InviteRSVPLore::declineAction()}}};
}

NotificationCategory closingCategory() {
  return {QuestNotifier::closingCategoryId,
          {{"REPLAY", Loc::string("notify.evening.replay", "Rejouer la journée")}}};
}

Json questInfo(const Quest& quest) {
  return {{"questId", quest.id}, {"startsAt", quest.startDate.unix()}};
}

}  // namespace

QuestNotifier::QuestNotifier(NotificationCentre* centre, Clock clock, Actions actions)
    : centre_(centre), clock_(std::move(clock)), actions_(std::move(actions)) {
  if (!centre_) return;
  centre_->setCategories({combatCategory(), inviteCategory(), closingCategory()});
  centre_->setResponder([this](const NotificationResponse& response) { handle(response); });
}

std::string QuestNotifier::reminderIdentifier(const Quest& quest, int minutesBefore) {
  // Occurrences of a series share their quest id: the start tells them apart.
  return std::string(kReminderPrefix) + quest.id + "_" +
         std::to_string(static_cast<long long>(std::floor(quest.startDate.unix()))) + "_" +
         std::to_string(minutesBefore);
}

Date QuestNotifier::eveningCallDate(Date now) {
  CivilTime evening;
  const LocalCalendar::Fields today = LocalCalendar::fields(now);
  evening = {today.year, today.month, today.day, kEveningHour, 0, 0};
  const Date call = LocalCalendar::dateFrom(evening).value_or(now);
  return call > now ? call : LocalCalendar::addingDays(call, 1);
}

void QuestNotifier::scheduleEpicNotifications(
    const std::vector<Quest>& quests, const std::map<std::string, std::string>& joinURLs,
    const std::map<std::string, std::vector<int>>& offsetsByQuest, DateInterval coverage) {
  if (!centre_) return;
  std::vector<std::string> replaced;
  for (const NotificationRequest& request : centre_->pendingRequests()) {
    if (!startsWith(request.identifier, kReminderPrefix) &&
        !startsWith(request.identifier, kCombatPrefix))
      continue;
    const auto startsAt = request.userInfo.find("startsAt");
    if (startsAt != request.userInfo.end() && startsAt->is_number() &&
        coverage.contains(Date::fromUnix(startsAt->get<double>())))
      replaced.push_back(request.identifier);
  }
  centre_->removePending(replaced);

  const Date now = clock_();
  std::set<std::string> combatPlanned;
  for (const Quest& quest : quests) {
    if (!coverage.contains(quest.startDate)) continue;
    if (const auto offsets = offsetsByQuest.find(quest.id); offsets != offsetsByQuest.end()) {
      planReminders(quest, offsets->second, now);
    }
    const auto link = joinURLs.find(quest.id);
    const Date combat = quest.startDate.adding(-60.0 * combatLeadMinutes);
    // One call per quest id: the first occurrence to come of a series; the next load plans the
    // next one.
    if (link != joinURLs.end() && combat > now && combatPlanned.insert(quest.id).second)
      scheduleCombat(quest, link->second, combat);
  }
}

void QuestNotifier::planReminders(const Quest& quest, std::vector<int> leadMinutes, Date now) {
  std::sort(leadMinutes.begin(), leadMinutes.end());
  // Too late for the lead times that have passed, not too late to warn: once, now, whatever the
  // number of lead times missed (the program was not running, or the event was just made).
  std::optional<std::string> catchUp;
  bool warned = false;
  for (int minutes : leadMinutes) {
    const std::string id = reminderIdentifier(quest, minutes);
    const Date fire = quest.startDate.adding(-60.0 * minutes);
    if (fire > now) {
      scheduleReminder(id, quest, fire, minutes);
      continue;
    }
    warned = warned || catchUpDone_.contains(id) || centre_->wasDelivered(id);
    if (!catchUp) catchUp = id;  // the shortest lead time missed names the catch-up
    catchUpDone_.insert(id);
  }
  if (catchUp && !warned && quest.startDate > now) {
    const int left = static_cast<int>(std::floor((quest.startDate - now) / 60));
    scheduleReminder(*catchUp, quest, now, left);
  }
}

void QuestNotifier::scheduleReminder(const std::string& identifier, const Quest& quest, Date at,
                                     int minutesBefore) {
  if (!centre_) return;
  NotificationRequest request;
  request.identifier = identifier;
  request.title = Loc::format(Loc::string("notify.reminder.title", "%@ approche !"), {quest.name});
  request.body = Loc::format(
      Loc::string("notify.reminder.body", "Dans %@ min : %@ Prépare-toi, héros. +%@ XP en jeu"),
      {std::to_string(minutesBefore), quest.rawTitle, std::to_string(quest.baseXp)});
  request.userInfo = questInfo(quest);
  request.fireDate = at;
  centre_->add(std::move(request));
}

void QuestNotifier::scheduleCombat(const Quest& quest, const std::string& url, Date at) {
  if (!centre_) return;
  NotificationRequest request;
  request.identifier = std::string(kCombatPrefix) + quest.id;
  request.title =
      Loc::format(Loc::string("notify.combat.title", "⚔️ Au combat ! %@"), {quest.name});
  const int minutes = static_cast<int>(std::lround((quest.startDate - at) / 60));
  request.body = Loc::format(
      Loc::string("notify.combat.body", "Le combat commence dans %@ min : %@. Dégaine, héros."),
      {std::to_string(minutes), quest.rawTitle});
  request.categoryIdentifier = combatCategoryId;
  request.userInfo = questInfo(quest);
  request.userInfo["joinURL"] = url;
  request.fireDate = at;
  centre_->add(std::move(request));
}

void QuestNotifier::cancelReminder(const Quest& quest, int minutesBefore) {
  if (centre_) centre_->removePending({reminderIdentifier(quest, minutesBefore)});
}

void QuestNotifier::scheduleEveningCall(std::optional<Date> at) {
  if (!centre_) return;
  std::vector<std::string> previous;
  for (const NotificationRequest& request : centre_->pendingRequests()) {
    if (startsWith(request.identifier, kEveningPrefix)) previous.push_back(request.identifier);
  }
  centre_->removePending(previous);
  if (!at) return;
  NotificationRequest request;
  request.identifier = std::string(kEveningPrefix) + LocalCalendar::dayKey(*at);
  // Shown once a day: a reload after it sounded must not sound it again.
  if (centre_->wasDelivered(request.identifier)) return;
  request.title = Loc::string("notify.evening.title", "🕯 Le grimoire t'attend");
  // The day is replayed here, on the desktop: the call names the command that does it.
  request.body = Loc::string("notify.evening.body",
                             "Ta journée s'achève, héros. Rejoue-la avec « talewick replay » et "
                             "ferme le chapitre.");
  if (actions_.openReplay) request.categoryIdentifier = closingCategoryId;
  request.fireDate = at;
  centre_->add(std::move(request));
}

void QuestNotifier::fireRSVP(const std::string& inviteeName, RSVPStatus status,
                             const std::string& questTitle, const std::string& key) {
  if (!centre_ || !hasResponded(status)) return;
  NotificationRequest request;
  request.identifier = "rsvp_" + key;
  request.userInfo = {{"inviteKey", key}};
  switch (status) {
    case RSVPStatus::accepted:
      request.title = Loc::format(
          Loc::string("notify.rsvp.accepted.title", "%@ rejoint l'aventure !"), {inviteeName});
      request.body = Loc::format(
          Loc::string("notify.rsvp.accepted.body", "« %@ » : accepté. Un compagnon de plus."),
          {questTitle});
      break;
    case RSVPStatus::tentative:
      request.title = inviteeName;
      request.body = Loc::format(Loc::string("notify.rsvp.tentative.body", "« %@ » : peut-être."),
                                 {questTitle});
      break;
    case RSVPStatus::declined:
      request.title = Loc::format(
          Loc::string("notify.rsvp.declined.title", "%@ ne sera pas de la quête"), {inviteeName});
      request.body =
          Loc::format(Loc::string("notify.rsvp.declined.body", "« %@ » : décliné."), {questTitle});
      break;
    case RSVPStatus::needsAction:
      return;
  }
  centre_->add(std::move(request));
}

void QuestNotifier::fireInviteOutcome(RSVPStatus answer, bool sent, const std::string& questTitle,
                                      const std::string& key) {
  if (!centre_) return;
  NotificationRequest request;
  request.identifier = std::string(kInviteDonePrefix) + key;
  request.title = questTitle;
  request.userInfo = {{"inviteKey", key}};
  if (!sent) {
    request.body = InviteRSVPLore::failed();
  } else if (answer == RSVPStatus::tentative) {
    request.body = InviteRSVPLore::tentativeConfirmed();
  } else if (answer == RSVPStatus::declined) {
    request.body = InviteRSVPLore::declinedConfirmed();
  } else {
    const RPGMode mode = actions_.mode ? actions_.mode() : RPGMode::heroicPapa;
    request.body = InviteRSVPLore::strings(mode).accepted;
  }
  centre_->add(std::move(request));
}

void QuestNotifier::announcePendingInvitations(const std::vector<DayEvent>& events, RPGMode mode) {
  if (!centre_) return;
  const InviteRSVPLore::Strings lore = InviteRSVPLore::strings(mode);
  for (const DayEvent& event : events) {
    const std::string key = invitationKey(event.externalIdentifier.value_or(""), event.startDate);
    NotificationRequest request;
    request.identifier = std::string(kInvitePrefix) + key;
    request.title = lore.noticeTitle;
    request.body = lore.noticeBody + "\n« " + event.title + " »";
    if (actions_.answer) request.categoryIdentifier = inviteCategoryId;
    request.userInfo = {{"questId", "quest_" + event.id},
                        {"startsAt", event.startDate.unix()},
                        {"inviteKey", key},
                        {"questTitle", event.title}};
    if (event.externalIdentifier) request.userInfo["externalId"] = *event.externalIdentifier;
    centre_->add(std::move(request));
  }
}

void QuestNotifier::purgeStaleInvites(const std::set<std::string>& validKeys,
                                      DateInterval coverage) {
  if (!centre_) return;
  const auto stale = [&](const std::string& id) {
    if (!startsWith(id, kInvitePrefix) || startsWith(id, kInviteDonePrefix)) return false;
    const std::string key = id.substr(kInvitePrefix.size());
    const std::optional<Date> start = keyStart(key);
    // Only what the caller looked at: an invitation outside the window may still await.
    return !validKeys.contains(key) && (!start || coverage.contains(*start));
  };
  std::vector<std::string> pending, shown;
  for (const NotificationRequest& request : centre_->pendingRequests()) {
    if (stale(request.identifier)) pending.push_back(request.identifier);
  }
  for (const std::string& id : centre_->deliveredIdentifiers()) {
    if (stale(id)) shown.push_back(id);
  }
  centre_->removePending(pending);
  centre_->removeDelivered(shown);
}

void QuestNotifier::handle(const NotificationResponse& response) {
  const Json& info = response.request.userInfo;
  const auto text = [&](const char* key) {
    const auto found = info.find(key);
    return found != info.end() && found->is_string() ? found->get<std::string>() : std::string();
  };
  const std::string& action = response.actionIdentifier;
  if (action == "COMBAT") {
    const std::string url = text("joinURL");
    if (!url.empty() && actions_.openURL) actions_.openURL(url);
    return;
  }
  if (action == "REPLAY") {
    if (actions_.openReplay) actions_.openReplay();
    return;
  }
  std::optional<RSVPStatus> answer;
  if (action == "INVITE_ACCEPT") answer = RSVPStatus::accepted;
  if (action == "INVITE_TENTATIVE") answer = RSVPStatus::tentative;
  if (action == "INVITE_DECLINE") answer = RSVPStatus::declined;
  // "DODGE" and a plain click only dismiss the notification.
  if (!answer) return;
  const std::string key = text("inviteKey");
  const std::string title = text("questTitle");
  if (!actions_.answer) return fireInviteOutcome(*answer, false, title, key);
  actions_.answer(*answer, key, info, [this, status = *answer, title, key](bool sent) {
    fireInviteOutcome(status, sent, title, key);
  });
}

}  // namespace talewick
