#include "kingdom/campaigns.hpp"

#include <algorithm>
#include <tuple>
#include <utility>

namespace talewick::Campaigns {

using json_coding::Field;

namespace {

using AnchorKind = Anchor::Kind;

// The stored kind of each known case, in Kind order (unknown excluded).
constexpr std::array<std::string_view, 5> kAnchorKinds{"linearProject", "linearLabel", "calendar",
                                                       "vaultList", "manual"};

Chapter* activeChapterOf(Campaign& campaign) {
  const auto index = campaign.activeChapterIndex();
  return index ? &campaign.chapters[*index] : nullptr;
}

// Step shared by evaluation and manual completion: a campaign whose chapters are all done ends.
void completeIfDone(Campaign& campaign, Date now) {
  if (!campaign.isComplete()) return;
  campaign.status = Status::completed;
  if (!campaign.completedAt) campaign.completedAt = now;
}

}  // namespace

// --- Anchor ---

Anchor Anchor::linearProject(std::string name) {
  return {Kind::linearProject, std::move(name), {}};
}
Anchor Anchor::linearLabel(std::string id) { return {Kind::linearLabel, std::move(id), {}}; }
Anchor Anchor::calendar(std::string id) { return {Kind::calendar, std::move(id), {}}; }
Anchor Anchor::vaultList(std::string sourceRel) {
  return {Kind::vaultList, std::move(sourceRel), {}};
}
Anchor Anchor::manual() { return {Kind::manual, {}, {}}; }
Anchor Anchor::unknown(std::string kind, std::string value) {
  return {Kind::unknown, std::move(value), std::move(kind)};
}

Anchor Anchor::fromStored(const std::string& kind, std::string value) {
  for (size_t i = 0; i < kAnchorKinds.size(); ++i) {
    if (kAnchorKinds[i] != kind) continue;
    const auto known = static_cast<Kind>(i);
    if (known == Kind::manual) return manual();
    return {known, std::move(value), {}};
  }
  return unknown(kind, std::move(value));
}

std::string Anchor::storedKind() const {
  if (kind == Kind::unknown) return unknownKind;
  return std::string(kAnchorKinds[static_cast<size_t>(kind)]);
}

// --- Derived values ---

std::optional<size_t> Campaign::activeChapterIndex() const {
  for (size_t i = 0; i < chapters.size(); ++i) {
    if (!chapters[i].completed) return i;
  }
  return std::nullopt;
}

const Chapter* Campaign::activeChapter() const {
  const auto index = activeChapterIndex();
  return index ? &chapters[*index] : nullptr;
}

bool Campaign::isComplete() const {
  return !chapters.empty() && std::all_of(chapters.begin(), chapters.end(),
                                          [](const Chapter& c) { return c.completed; });
}

std::set<std::string> LiveState::completedIDs() const {
  std::set<std::string> ids;
  for (const auto* list :
       {&ticketsDone, &remindersGone, &vaultTasksGone, &calendarEventsPassed, &pipelineItemsDone}) {
    ids.insert(list->begin(), list->end());
  }
  return ids;
}

// --- Creation ---

std::string campaignID(std::string_view uuid) { return "campaign:" + std::string(uuid); }

std::string chapterID(const std::string& campaignID, int64_t position) {
  return campaignID + ":ch:" + std::to_string(position);
}

Chapter makeChapter(const std::string& campaignID, int64_t position, const ChapterDraft& draft) {
  Chapter chapter;
  chapter.id = chapterID(campaignID, position);
  chapter.title = draft.title;
  chapter.anchor = draft.anchor;
  chapter.targetCount = draft.targetCount;
  chapter.deadline = draft.deadline;
  chapter.isManual = draft.isManual;
  return chapter;
}

Campaign makeCampaign(std::string id, std::string title, std::string intent,
                      std::optional<Date> targetDate, WorldQuests::Realm realm,
                      const std::vector<ChapterDraft>& chapters, Date now) {
  Campaign campaign;
  campaign.id = std::move(id);
  campaign.title = std::move(title);
  campaign.intent = std::move(intent);
  campaign.targetDate = targetDate;
  campaign.realm = realm;
  for (size_t i = 0; i < chapters.size(); ++i) {
    campaign.chapters.push_back(makeChapter(campaign.id, static_cast<int64_t>(i) + 1, chapters[i]));
  }
  campaign.createdAt = now;
  return campaign;
}

// --- Activation ---

std::optional<Refusal> activationRefusal(const Campaign& campaign,
                                         const std::vector<Campaign>& existing) {
  int64_t active = 0;
  bool realmTaken = false;
  for (const Campaign& other : existing) {
    if (other.id == campaign.id || other.status != Status::active) continue;
    ++active;
    realmTaken = realmTaken || other.realm == campaign.realm;
  }
  if (active >= maxActive) return Refusal::tooManyActive;
  if (realmTaken) return Refusal::realmTaken;
  return std::nullopt;
}

bool canActivate(const Campaign& campaign, const std::vector<Campaign>& existing) {
  return !activationRefusal(campaign, existing);
}

Campaign makeDormant(const Campaign& campaign) {
  Campaign out = campaign;
  if (out.status == Status::active) out.status = Status::dormant;
  return out;
}

Campaign wake(const Campaign& campaign, const std::vector<Campaign>& existing) {
  Campaign out = campaign;
  if (out.status == Status::dormant && canActivate(campaign, existing)) {
    out.status = Status::active;
  }
  return out;
}

// --- Progress ---

Campaign activateNextChapter(const Campaign& campaign, const std::vector<std::string>& candidates) {
  Campaign out = campaign;
  if (out.status != Status::active) return out;
  const auto index = out.activeChapterIndex();
  if (!index) return out;
  Chapter& chapter = out.chapters[*index];
  if (chapter.isManual || chapter.anchor.isManual() || !chapter.baselineIDs.empty()) return out;

  std::set<std::string> taken;
  for (size_t i = 0; i < *index; ++i) {
    taken.insert(out.chapters[i].baselineIDs.begin(), out.chapters[i].baselineIDs.end());
  }
  for (const std::string& id : candidates) {
    if (taken.insert(id).second) chapter.baselineIDs.push_back(id);
  }
  return out;
}

Evaluation evaluate(const Campaign& campaign, const LiveState& live, Date now) {
  Evaluation result{campaign, {}};
  Campaign& out = result.campaign;
  if (out.status != Status::active) return result;

  if (Chapter* chapter = activeChapterOf(out); chapter && !chapter->isManual) {
    const std::set<std::string> done = live.completedIDs();
    const auto count = std::count_if(chapter->baselineIDs.begin(), chapter->baselineIDs.end(),
                                     [&](const std::string& id) { return done.contains(id); });
    if (chapter->targetCount > 0 && count >= chapter->targetCount) {
      chapter->completed = true;
      if (!chapter->completedAt) chapter->completedAt = now;
      result.newlyCompleted.push_back(*chapter);
    }
  }
  completeIfDone(out, now);
  return result;
}

Campaign completeManualChapter(const Campaign& campaign, const std::string& chapterID, Date now) {
  Campaign out = campaign;
  if (out.status != Status::active) return out;
  Chapter* chapter = activeChapterOf(out);
  if (!chapter || chapter->id != chapterID || !chapter->isManual) return out;
  chapter->completed = true;
  chapter->completedAt = now;
  completeIfDone(out, now);
  return out;
}

Campaign markChapterCredited(const Campaign& campaign, const std::string& chapterID, Date now) {
  Campaign out = campaign;
  for (Chapter& chapter : out.chapters) {
    if (chapter.id != chapterID || !chapter.completed) continue;
    chapter.credited = true;
    if (!chapter.completedAt) chapter.completedAt = now;
  }
  return out;
}

Campaign markFinalCredited(const Campaign& campaign) {
  Campaign out = campaign;
  if (out.isComplete()) out.finalCredited = true;
  return out;
}

bool stalled(const Campaign& campaign, bool anchorAvailable) {
  if (campaign.status != Status::active || anchorAvailable) return false;
  const Chapter* chapter = campaign.activeChapter();
  return chapter && !chapter->isManual && !chapter->anchor.isManual();
}

Summary summary(const Campaign& campaign) {
  Summary s;
  s.chaptersTotal = static_cast<int64_t>(campaign.chapters.size());
  for (const Chapter& chapter : campaign.chapters) {
    if (!chapter.completed) continue;
    ++s.chaptersCompleted;
    if (chapter.isManual) {
      ++s.declaredChaptersCompleted;
      s.itemsCompleted += 1;
    } else {
      ++s.observedChaptersCompleted;
      s.itemsCompleted += chapter.targetCount;
    }
    if (const auto at = chapter.completedAt) {
      if (!s.firstCompletedAt || *at < *s.firstCompletedAt) s.firstCompletedAt = at;
      if (!s.lastCompletedAt || *at > *s.lastCompletedAt) s.lastCompletedAt = at;
    }
  }
  return s;
}

// --- Rewards and receipts ---

WorldQuests::Reward chapterReward(const Chapter& chapter) {
  return {chapter.xpReward, chapter.goldReward};
}

WorldQuests::Reward finalReward() { return {finalXPReward, finalGoldReward}; }

std::string chapterReceiptID(const std::string& campaignID, const std::string& chapterID,
                             const std::string& dayKey) {
  return "campaign:" + dayKey + ":" + campaignID + ":" + chapterID;
}

std::string finalReceiptID(const std::string& campaignID, const std::string& dayKey) {
  return "campaign-final:" + dayKey + ":" + campaignID;
}

ChronicleEntry chronicleEntry(const Campaign& campaign, Date now) {
  return ChronicleEntry{
      campaign, campaign.isComplete() ? ChronicleOutcome::completed : ChronicleOutcome::closed, now,
      false};
}

// --- JSON ---

namespace {

struct StoredAnchor {
  std::string kind;
  std::string value;
};

}  // namespace

void to_json(Json& j, const Anchor& v) {
  j = Json::object();
  j["kind"] = v.storedKind();
  j["value"] = v.value;
}

void from_json(const Json& j, Anchor& v) {
  StoredAnchor stored;
  json_coding::readFields(
      j, stored,
      std::tuple{Field{"kind", &StoredAnchor::kind}, Field{"value", &StoredAnchor::value}});
  v = Anchor::fromStored(stored.kind, std::move(stored.value));
}

static const auto kChapterFields = std::tuple{Field{"id", &Chapter::id},
                                              Field{"title", &Chapter::title},
                                              Field{"anchor", &Chapter::anchor},
                                              Field{"baselineIDs", &Chapter::baselineIDs},
                                              Field{"targetCount", &Chapter::targetCount},
                                              Field{"deadline", &Chapter::deadline},
                                              Field{"xpReward", &Chapter::xpReward},
                                              Field{"goldReward", &Chapter::goldReward},
                                              Field{"completed", &Chapter::completed},
                                              Field{"credited", &Chapter::credited},
                                              Field{"isManual", &Chapter::isManual},
                                              Field{"completedAt", &Chapter::completedAt}};
TALEWICK_JSON_CODING(Chapter, kChapterFields)

static const auto kCampaignFields = std::tuple{Field{"id", &Campaign::id},
                                               Field{"title", &Campaign::title},
                                               Field{"intent", &Campaign::intent},
                                               Field{"targetDate", &Campaign::targetDate},
                                               Field{"realm", &Campaign::realm},
                                               Field{"chapters", &Campaign::chapters},
                                               Field{"status", &Campaign::status},
                                               Field{"finalCredited", &Campaign::finalCredited},
                                               Field{"createdAt", &Campaign::createdAt},
                                               Field{"completedAt", &Campaign::completedAt}};
TALEWICK_JSON_CODING(Campaign, kCampaignFields)

static const auto kLiveStateFields =
    std::tuple{Field{"ticketsDone", &LiveState::ticketsDone},
               Field{"remindersGone", &LiveState::remindersGone},
               Field{"vaultTasksGone", &LiveState::vaultTasksGone},
               Field{"calendarEventsPassed", &LiveState::calendarEventsPassed},
               Field{"pipelineItemsDone", &LiveState::pipelineItemsDone}};
TALEWICK_JSON_CODING(LiveState, kLiveStateFields)

static const auto kSummaryFields =
    std::tuple{Field{"chaptersTotal", &Summary::chaptersTotal},
               Field{"chaptersCompleted", &Summary::chaptersCompleted},
               Field{"observedChaptersCompleted", &Summary::observedChaptersCompleted},
               Field{"declaredChaptersCompleted", &Summary::declaredChaptersCompleted},
               Field{"itemsCompleted", &Summary::itemsCompleted},
               Field{"firstCompletedAt", &Summary::firstCompletedAt},
               Field{"lastCompletedAt", &Summary::lastCompletedAt}};
TALEWICK_JSON_CODING(Summary, kSummaryFields)

static const auto kChronicleEntryFields = std::tuple{
    Field{"campaign", &ChronicleEntry::campaign}, Field{"outcome", &ChronicleEntry::outcome},
    Field{"endedAt", &ChronicleEntry::endedAt}, Field{"seen", &ChronicleEntry::seen}};
TALEWICK_JSON_CODING(ChronicleEntry, kChronicleEntryFields)

}  // namespace talewick::Campaigns
