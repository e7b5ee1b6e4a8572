// Campaigns: multi-chapter goals the user declares, each attached to one realm.
//
// A chapter watches a source of real work (a tracker project or label, a calendar, a task-file
// list) or is declared by hand. Chapters are played one at a time, in order: when one becomes
// active it captures the open items of its anchor as its baseline, and it completes when enough
// of them are seen done or gone. At most three campaigns are active at once, one per realm.
// Everything here is pure; the application stores the campaigns and pays the rewards under the
// receipts given below, so that each payment happens once.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kingdom/world_quests.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {

namespace Campaigns {

enum class Status { active, dormant, completed };

// How a campaign left the list: all its chapters done, or closed by the user before that.
enum class ChronicleOutcome { completed, closed };

// Why a campaign may not become active.
enum class Refusal {
  realmTaken,     // another active campaign holds the same realm
  tooManyActive,  // maxActive campaigns are active already
};

}  // namespace Campaigns

template <>
struct EnumTraits<Campaigns::Status> {
  static constexpr std::array<std::string_view, 3> names{"active", "dormant", "completed"};
};
template <>
struct EnumTraits<Campaigns::ChronicleOutcome> {
  static constexpr std::array<std::string_view, 2> names{"completed", "closed"};
};

namespace Campaigns {

inline constexpr int64_t maxActive = 3;
inline constexpr int64_t chapterXPReward = 55;
inline constexpr int64_t chapterGoldReward = 14;
inline constexpr int64_t finalXPReward = 120;
inline constexpr int64_t finalGoldReward = 30;

// What a chapter watches. A kind this version does not know is kept with its value, so that a
// document written by a newer version survives being read and written back here.
struct Anchor {
  enum class Kind { linearProject, linearLabel, calendar, vaultList, manual, unknown };

  Kind kind = Kind::manual;
  std::string value;        // project name, label id, calendar id, task file path; "" for manual
  std::string unknownKind;  // the stored kind, for Kind::unknown only

  static Anchor linearProject(std::string name);
  static Anchor linearLabel(std::string id);
  static Anchor calendar(std::string id);
  static Anchor vaultList(std::string sourceRel);
  static Anchor manual();
  static Anchor unknown(std::string kind, std::string value);
  // The anchor a stored (kind, value) pair names: a known kind gives its case (manual drops the
  // value), anything else is unknown.
  static Anchor fromStored(const std::string& kind, std::string value);

  bool isManual() const { return kind == Kind::manual; }
  // The kind as stored: "linearProject", …, "manual", or the unknown kind as read.
  std::string storedKind() const;
  bool operator==(const Anchor&) const = default;
};

struct Chapter {
  std::string id;
  std::string title;
  Anchor anchor;
  std::vector<std::string> baselineIDs;
  int64_t targetCount = 0;
  std::optional<Date> deadline;
  int64_t xpReward = chapterXPReward;
  int64_t goldReward = chapterGoldReward;
  bool completed = false;
  bool credited = false;
  bool isManual = false;
  std::optional<Date> completedAt;
  bool operator==(const Chapter&) const = default;
};

struct Campaign {
  std::string id;
  std::string title;
  std::string intent;
  std::optional<Date> targetDate;
  WorldQuests::Realm realm = WorldQuests::Realm::personal;
  std::vector<Chapter> chapters;
  Status status = Status::active;
  bool finalCredited = false;
  std::optional<Date> createdAt;
  std::optional<Date> completedAt;

  // The first chapter not completed; none when every chapter is (or there are none).
  std::optional<size_t> activeChapterIndex() const;
  const Chapter* activeChapter() const;
  // At least one chapter, and all completed.
  bool isComplete() const;
  bool operator==(const Campaign&) const = default;
};

// What the application observed of the user's work: ids of items now done or gone.
struct LiveState {
  std::vector<std::string> ticketsDone;
  std::vector<std::string> remindersGone;
  std::vector<std::string> vaultTasksGone;
  std::vector<std::string> calendarEventsPassed;
  std::vector<std::string> pipelineItemsDone;

  std::set<std::string> completedIDs() const;  // the union of the five lists
  bool operator==(const LiveState&) const = default;
};

struct Summary {
  int64_t chaptersTotal = 0;
  int64_t chaptersCompleted = 0;
  int64_t observedChaptersCompleted = 0;  // completed chapters with an anchor
  int64_t declaredChaptersCompleted = 0;  // completed manual chapters
  // Items behind the completed chapters: each observed chapter counts the targetCount that
  // completed it, each declared chapter counts one.
  int64_t itemsCompleted = 0;
  std::optional<Date> firstCompletedAt;
  std::optional<Date> lastCompletedAt;
  bool operator==(const Summary&) const = default;
};

struct Evaluation {
  Campaign campaign;
  std::vector<Chapter> newlyCompleted;
};

// One ended campaign, kept in the chronicle until (and after) the user has seen it.
struct ChronicleEntry {
  Campaign campaign;
  ChronicleOutcome outcome = ChronicleOutcome::closed;
  Date endedAt;
  bool seen = false;
  bool operator==(const ChronicleEntry&) const = default;
};

// --- Creation ---

// What the creation sheet decides for one chapter.
struct ChapterDraft {
  std::string title;
  Anchor anchor;
  int64_t targetCount = 0;
  std::optional<Date> deadline;
  bool isManual = false;
};

// "campaign:" + the UUID the application draws.
std::string campaignID(std::string_view uuid);
// campaign id + ":ch:" + the chapter's position (the application numbers from 1).
std::string chapterID(const std::string& campaignID, int64_t position);

// A new chapter: empty baseline, the standard rewards, not completed, not credited.
Chapter makeChapter(const std::string& campaignID, int64_t position, const ChapterDraft& draft);
// A new active campaign created at `now`, its chapters numbered from 1 in draft order.
Campaign makeCampaign(std::string id, std::string title, std::string intent,
                      std::optional<Date> targetDate, WorldQuests::Realm realm,
                      const std::vector<ChapterDraft>& chapters, Date now);

// --- Activation ---

// Why `campaign` may not be active next to the active campaigns of `existing` (itself excluded
// by id): maxActive of them already, or one holding the same realm. nullopt when it may.
std::optional<Refusal> activationRefusal(const Campaign& campaign,
                                         const std::vector<Campaign>& existing);
bool canActivate(const Campaign& campaign, const std::vector<Campaign>& existing);

// An active campaign becomes dormant; its chapters and progress are kept.
Campaign makeDormant(const Campaign& campaign);
// A dormant campaign becomes active again when canActivate allows it; otherwise unchanged.
Campaign wake(const Campaign& campaign, const std::vector<Campaign>& existing);

// --- Progress ---

// The active chapter of an active campaign, when it watches an anchor and has no baseline yet,
// takes `candidates` (its anchor's open items now, in order) as baseline, without duplicates
// and without ids an earlier chapter's baseline holds. The application calls this on every
// refresh: a captured baseline is kept, since items leave the candidates as they get done.
Campaign activateNextChapter(const Campaign& campaign, const std::vector<std::string>& candidates);

// Judges the active chapter of an active campaign against `live`: it completes at `now` when
// targetCount > 0 and at least targetCount of its baseline ids are done. Only that chapter is
// judged; the next one waits for its own baseline. A campaign whose chapters are all completed
// becomes completed.
Evaluation evaluate(const Campaign& campaign, const LiveState& live, Date now);

// Completes the active chapter of an active campaign when it is `chapterID` and manual.
Campaign completeManualChapter(const Campaign& campaign, const std::string& chapterID, Date now);

// Marks the completed chapter `chapterID` credited (its completedAt set to `now` when missing);
// unchanged when there is no such completed chapter.
Campaign markChapterCredited(const Campaign& campaign, const std::string& chapterID, Date now);
// Marks the final reward paid; only a complete campaign has one.
Campaign markFinalCredited(const Campaign& campaign);

// An active campaign whose active chapter watches an anchor that no longer exists.
bool stalled(const Campaign& campaign, bool anchorAvailable);

Summary summary(const Campaign& campaign);

// --- Rewards and receipts ---

WorldQuests::Reward chapterReward(const Chapter& chapter);
WorldQuests::Reward finalReward();

// "campaign:" + day key + ":" + campaign id + ":" + chapter id.
std::string chapterReceiptID(const std::string& campaignID, const std::string& chapterID,
                             const std::string& dayKey);
// "campaign-final:" + day key + ":" + campaign id.
std::string finalReceiptID(const std::string& campaignID, const std::string& dayKey);

// The chronicle's record of `campaign` leaving the list at `now`: completed when all its
// chapters are, closed otherwise; not yet seen.
ChronicleEntry chronicleEntry(const Campaign& campaign, Date now);

void to_json(Json& j, const Anchor& v);
void from_json(const Json& j, Anchor& v);
void to_json(Json& j, const Chapter& v);
void from_json(const Json& j, Chapter& v);
void to_json(Json& j, const Campaign& v);
void from_json(const Json& j, Campaign& v);
void to_json(Json& j, const LiveState& v);
void from_json(const Json& j, LiveState& v);
void to_json(Json& j, const Summary& v);
void from_json(const Json& j, Summary& v);
void to_json(Json& j, const ChronicleEntry& v);
void from_json(const Json& j, ChronicleEntry& v);

}  // namespace Campaigns
}  // namespace talewick
