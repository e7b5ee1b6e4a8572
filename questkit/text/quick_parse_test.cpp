// Quick-add sentences read into event drafts. The process time zone is Europe/Paris.
#include "text/quick_parse.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;
using F = ParsedRecurrence::Frequency;
using K = ParsedSpan::Kind;

// Wednesday 18 March 2026, 10:00.
Date wednesday() { return localDate(2026, 3, 18, 10, 0); }

ParsedEvent draft(std::string title, Date start, int64_t durationMin = 60, bool allDay = false) {
  ParsedEvent e;
  e.title = std::move(title);
  e.start = start;
  e.durationMin = durationMin;
  e.isAllDay = allDay;
  return e;
}

ParsedRecurrence rule(F frequency, int64_t interval, std::vector<int64_t> weekdays,
                      std::optional<Date> until = std::nullopt) {
  return ParsedRecurrence{frequency, interval, std::move(weekdays), std::nullopt, until};
}

struct Sentence {
  std::string text;
  ParsedEvent expected;  // spans left out: SpansCoverTheRecognisedWords checks them
  Date now = wednesday();
};

std::vector<Sentence> everyKindOfSentence() {
  std::vector<Sentence> s;
  auto add = [&](std::string text, ParsedEvent e, Date now = wednesday()) {
    s.push_back({std::move(text), std::move(e), now});
  };
  ParsedEvent meeting = draft("Réunion", localDate(2026, 3, 19, 14, 30));
  meeting.attendees = {"Paul", "Marie"};
  meeting.location = "la mairie";
  add("Réunion demain 14h30 1h avec Paul et Marie à la mairie", meeting);
  add("Call demain 2pm to 4pm", draft("Call", localDate(2026, 3, 19, 14, 0), 120));
  add("Call demain 2 pm", draft("Call", localDate(2026, 3, 19, 14, 0)));
  add("de 22h à 1h", draft("Sans titre", localDate(2026, 3, 18, 22, 0), 180));
  add("dentiste lundi", draft("dentiste", localDate(2026, 3, 23), 60, true),
      localDate(2026, 3, 16, 9, 0));
  add("anniversaire 3 mars", draft("anniversaire", localDate(2027, 3, 3), 60, true));
  add("12/03/26", draft("Sans titre", localDate(2026, 3, 12), 60, true));

  ParsedEvent sport = draft("sport", localDate(2026, 3, 18, 18, 0));
  sport.recurrence = rule(F::weekly, 1, {2, 5});
  add("sport 18h tous les lundis et jeudis", sport);
  ParsedEvent standup = draft("standup", localDate(2026, 3, 18, 9, 0));
  standup.recurrence = rule(F::weekly, 2, {4});
  add("standup 9h every other week", standup);
  ParsedEvent chores = draft("ménage", localDate(2026, 3, 18, 10, 0));
  chores.recurrence = rule(F::weekly, 2, {4});
  add("ménage 10h une semaine sur deux", chores);
  ParsedEvent yoga = draft("yoga", localDate(2026, 3, 18, 7, 0));
  yoga.recurrence = rule(F::daily, 1, {}, localDate(2026, 6, 30, 23, 59).adding(59));
  add("yoga 7h tous les jours jusqu'au 30/06", yoga);

  ParsedEvent reminded = draft("Réunion", localDate(2026, 3, 18, 14, 0));
  reminded.reminderMinutes = 15;
  add("Réunion 14h rappel 15 min avant", reminded);
  add("Réunion 14h rappelle-moi 1h avant",
      draft("Réunion rappelle-moi avant", localDate(2026, 3, 18, 14, 0)));
  reminded.reminderMinutes = 60;
  add("Réunion 14h rappel moi 1h avant", reminded);

  ParsedEvent weekly = draft("point hebdo", localDate(2026, 3, 19, 9, 0));
  weekly.calendarHint = "Travail";
  add("/Travail point hebdo demain 9h", weekly);
  ParsedEvent visio = draft("Point équipe", localDate(2026, 3, 19, 10, 0));
  visio.meetingURL = "https://us02web.zoom.us/j/8123456789?pwd=Orion";
  add("Point équipe demain 10h https://us02web.zoom.us/j/8123456789?pwd=Orion", visio);
  add("Acheter du pain 18h", draft("Acheter du pain", localDate(2026, 3, 18, 18, 0)));
  add("demain 14h", draft("Sans titre", localDate(2026, 3, 19, 14, 0)));
  return s;
}

std::vector<Sentence> ownSentences() {
  std::vector<Sentence> s;
  auto add = [&](std::string text, ParsedEvent e) { s.push_back({std::move(text), std::move(e)}); };
  ParsedEvent dinner = draft("Dîner", localDate(2026, 3, 18, 19, 0));
  dinner.location = "Mamie";
  dinner.attendees = {"Léa", "Hugo"};
  add("Dîner ce soir chez Mamie avec Léa & Hugo", dinner);
  add("Fête du village 14 juillet 2027 21h",
      draft("Fête du village", localDate(2027, 7, 14, 21, 0)));
  add("Course 3 mars 2025", draft("Course", localDate(2025, 3, 3), 60, true));
  add("Coiffeur le 25 à 15h", draft("Coiffeur", localDate(2026, 3, 25, 15, 0)));
  // The "le" before a written date is part of it; 12 March has passed, so next year's.
  add("Dîner le 12 mars 20h", draft("Dîner", localDate(2027, 3, 12, 20, 0)));
  add("Stage du 20/04", draft("Stage", localDate(2026, 4, 20), 60, true));
  add("Point 1:1 demain 11h", draft("Point 1:1", localDate(2026, 3, 19, 11, 0)));
  add("Vacances 1.4.26", draft("Vacances", localDate(2026, 4, 1), 60, true));

  ParsedEvent dentist = draft("Dentiste", localDate(2026, 4, 1, 9, 30));
  dentist.reminderMinutes = 60;
  add("Dentiste dans 2 semaines 9h30 rappel 1h", dentist);
  add("Bilan in 3 days", draft("Bilan", localDate(2026, 3, 21), 60, true));
  ParsedEvent gym = draft("Gym", localDate(2026, 3, 18, 7, 0));
  gym.recurrence = rule(F::weekly, 1, {2, 6}, localDate(2026, 6, 30, 23, 59).adding(59));
  add("Gym every monday and friday 7am until june 30", gym);
  ParsedEvent run = draft("sport", localDate(2026, 3, 18, 8, 0));
  run.recurrence = rule(F::daily, 2, {});
  add("sport à 8h tous les 2 jours", run);
  ParsedEvent market = draft("Marché", localDate(2026, 3, 21, 9, 0));
  market.recurrence = rule(F::weekly, 3, {7});
  add("Marché samedi matin un samedi sur 3", market);

  add("Réunion budget 9h30-11h salle Orion",
      draft("Réunion budget salle Orion", localDate(2026, 3, 18, 9, 30), 90));
  add("Atelier 10h 45min", draft("Atelier", localDate(2026, 3, 18, 10, 0), 45));
  add("Atelier 10h 30 min", draft("Atelier", localDate(2026, 3, 18, 10, 0), 30));
  add("Réunion jeudi après-midi", draft("Réunion", localDate(2026, 3, 19, 14, 0)));
  add("dîner après demain 20h", draft("dîner", localDate(2026, 3, 20, 20, 0)));
  add("Yoga tonight", draft("Yoga", localDate(2026, 3, 18, 21, 0)));
  add("Rappel: Dentiste mardi", draft("Dentiste", localDate(2026, 3, 24), 60, true));

  ParsedEvent picnic = draft("Pique-nique", localDate(2026, 3, 21, 12, 0));
  picnic.location = "parc";
  picnic.notes = "Et le gâteau !\nprendre la nappe";
  add("Pique-nique samedi midi au parc penser à prendre la nappe\n\n  Et le gâteau !  \n", picnic);
  ParsedEvent standup = draft("Standup", localDate(2026, 3, 18, 9, 0));
  standup.recurrence = rule(F::daily, 1, {});
  standup.notes = "penser au café";
  add("Standup 9h chaque jour note penser au café", standup);
  ParsedEvent lunch = draft("Rendez-vous", localDate(2026, 3, 19, 12, 0));
  lunch.attendees = {"Sam", "Alex"};
  lunch.location = "the café";
  add("Rendez-vous tomorrow noon with Sam and Alex at the café", lunch);
  // Names end at the first word another step took.
  ParsedEvent call = draft("Call", localDate(2026, 3, 19, 15, 0), 30);
  call.attendees = {"John"};
  add("Call with John tomorrow 3pm for 30 min", call);
  return s;
}

// The sentences README.md shows (its "Acheter du pain" gives no draft: see
// TextsWithoutTimeCueGiveNothing).
std::vector<Sentence> readmeSentences() {
  std::vector<Sentence> s;
  ParsedEvent meeting = draft("Réunion", localDate(2026, 3, 19, 14, 30));
  meeting.attendees = {"Paul"};
  meeting.location = "la mairie";
  meeting.reminderMinutes = 10;
  s.push_back({"Réunion demain 14h30 1h avec Paul à la mairie rappel 10 min", meeting});
  ParsedEvent call = draft("Call", localDate(2026, 3, 19, 15, 0), 30);
  call.attendees = {"lea@example.com"};
  s.push_back({"Call with lea@example.com tomorrow 3pm for 30 min", call});
  return s;
}

// A word that only links others ("for", "de", "on") goes with the recognised words right after
// it; between two words of the title it stays.
std::vector<Sentence> linkingWordSentences() {
  std::vector<Sentence> s;
  auto add = [&](std::string text, ParsedEvent e) { s.push_back({std::move(text), std::move(e)}); };
  add("Call tomorrow 3pm for the 30 min", draft("Call", localDate(2026, 3, 19, 15, 0), 30));
  add("Dentiste on monday", draft("Dentiste", localDate(2026, 3, 23), 60, true));
  add("Arrivée vers 14h", draft("Arrivée", localDate(2026, 3, 18, 14, 0)));
  add("Réunion en soirée demain", draft("Réunion", localDate(2026, 3, 19, 19, 0)));
  add("Work from 9am to 5pm", draft("Work", localDate(2026, 3, 18, 9, 0), 480));
  add("Meeting during the morning", draft("Meeting", localDate(2026, 3, 18, 9, 0)));
  add("Révisions pour le 12/04", draft("Révisions", localDate(2026, 4, 12), 60, true));
  add("Vol pour Lyon demain 8h", draft("Vol pour Lyon", localDate(2026, 3, 19, 8, 0)));
  add("Dîner pour 2 demain 20h", draft("Dîner pour 2", localDate(2026, 3, 19, 20, 0)));
  add("Anniversaire de Mamie 3 mars",
      draft("Anniversaire de Mamie", localDate(2027, 3, 3), 60, true));
  add("Séance de 18h", draft("Séance", localDate(2026, 3, 18, 18, 0)));
  add("Take a 15min break 16h", draft("Take a break", localDate(2026, 3, 18, 16, 0), 15));
  add("Point sur demain 9h", draft("Point", localDate(2026, 3, 19, 9, 0)));
  add("Appel demain 9h de", draft("Appel de", localDate(2026, 3, 19, 9, 0)));
  return s;
}

void expectDrafts(const std::vector<Sentence>& sentences) {
  for (const Sentence& s : sentences) {
    const auto parsed = QuickParse::parse(s.text, s.now);
    ASSERT_TRUE(parsed) << s.text;
    ParsedEvent actual = *parsed;
    actual.spans.clear();
    EXPECT_EQ(actual, s.expected) << s.text << "\n got: " << Json(actual).dump()
                                  << "\nwant: " << Json(s.expected).dump();
  }
}

TEST(QuickParse, WordForms) {
  const std::pair<const char*, const char*> norms[] = {{"Aujourd'hui", "aujourdhui"},
                                                       {"après-midi", "apresmidi"},
                                                       {"RAPPEL:", "rappel"},
                                                       {"Zoé_42!", "zoe42"},
                                                       {"🎉", ""}};
  for (const auto& [typed, word] : norms) EXPECT_EQ(QuickParse::norm(typed), word);
  EXPECT_EQ(QuickParse::cleanTime("(14H30),"), "14h30");
  EXPECT_EQ(QuickParse::cleanTime(" 9h-10h. "), "9h-10h");
  EXPECT_EQ(QuickParse::cleanTime(".;:"), "");
}

TEST(QuickParse, ClockTimes) {
  using C = QuickParse::ClockTime;
  const std::pair<const char*, std::optional<C>> times[] = {{"14h", C{14, 0}},
                                                            {"14h30", C{14, 30}},
                                                            {"9h05", C{9, 5}},
                                                            {"9h5", C{9, 5}},
                                                            {"0h", C{0, 0}},
                                                            {"midi", C{12, 0}},
                                                            {"noon", C{12, 0}},
                                                            {"minuit", C{0, 0}},
                                                            {"midnight", C{0, 0}},
                                                            {"2pm", C{14, 0}},
                                                            {"11am", C{11, 0}},
                                                            {"12am", C{0, 0}},
                                                            {"12pm", C{12, 0}},
                                                            {"2:30pm", C{14, 30}},
                                                            {"7.15am", C{7, 15}},
                                                            {"14:30", C{14, 30}},
                                                            {"0:05", C{0, 5}},
                                                            {"14", std::nullopt},
                                                            {"24h", std::nullopt},
                                                            {"14h60", std::nullopt},
                                                            {"14h300", std::nullopt},
                                                            {"h30", std::nullopt},
                                                            {"1h2h", std::nullopt},
                                                            {"13pm", std::nullopt},
                                                            {"0am", std::nullopt},
                                                            {"pm", std::nullopt},
                                                            {"2:75pm", std::nullopt},
                                                            {"24:00", std::nullopt},
                                                            {"14:60", std::nullopt},
                                                            {"chez", std::nullopt},
                                                            {"9999999999h", std::nullopt},
                                                            {"1:1", std::nullopt},
                                                            {"2:5pm", std::nullopt},
                                                            {"7:155", std::nullopt}};
  for (const auto& [text, time] : times) EXPECT_EQ(QuickParse::parseTime(text), time) << text;
  // parseClock alone knows only the "h" form.
  EXPECT_EQ(QuickParse::parseClock("1h30"), (C{1, 30}));
  EXPECT_FALSE(QuickParse::parseClock("2pm"));
  EXPECT_FALSE(QuickParse::parseClock("14:30"));
}

TEST(QuickParse, AmountsDaysAndDates) {
  const std::pair<const char*, std::optional<int>> minutes[] = {
      {"15min", 15},       {"30mn", 30},          {"45minutes", 45},        {"1minute", 1},
      {"20mins", 20},      {"min", std::nullopt}, {"chemin", std::nullopt}, {"15", std::nullopt},
      {"1h", std::nullopt}};
  for (const auto& [text, value] : minutes) EXPECT_EQ(QuickParse::parseMinSuffix(text), value);
  const std::pair<const char*, std::optional<int>> days[] = {
      {"14", 14},          {"1st", 1}, {"22nd", 22},          {"3rd", 3},
      {"14th", 14},        {"40", 40}, {"1er", std::nullopt}, {"th", std::nullopt},
      {"x3", std::nullopt}};
  for (const auto& [text, value] : days) EXPECT_EQ(QuickParse::dayNumber(text), value) << text;

  using D = QuickParse::NumericDate;
  const std::pair<const char*, std::optional<D>> dates[] = {{"12/03", D{12, 3, std::nullopt}},
                                                            {"12-03-2025", D{12, 3, 2025}},
                                                            {"1.4.26", D{1, 4, 2026}},
                                                            {"(30/06),", D{30, 6, std::nullopt}},
                                                            {"5/7-99", D{5, 7, 2099}},
                                                            {"32/01", std::nullopt},
                                                            {"12/13", std::nullopt},
                                                            {"0/5", std::nullopt},
                                                            {"12", std::nullopt},
                                                            {"1/2/3/4", std::nullopt},
                                                            {"12//03", std::nullopt},
                                                            {"9h30-10h", std::nullopt}};
  for (const auto& [text, date] : dates) EXPECT_EQ(QuickParse::numericDate(text), date) << text;

  EXPECT_EQ(QuickParse::weekday("lundis"), 2);
  EXPECT_EQ(QuickParse::weekday("saturdays"), 7);
  EXPECT_FALSE(QuickParse::weekday("lun"));
  EXPECT_TRUE(QuickParse::isUntil(QuickParse::norm("jusqu'au")));
  EXPECT_TRUE(QuickParse::isUntil("till"));
  EXPECT_TRUE(QuickParse::isUntil("jusqua"));
  EXPECT_FALSE(QuickParse::isUntil("juste"));
  for (const char* stop :
       {"à", "Demain", "mardis", "14h", "15min", "soir", "dans", "rappel", "every", "et", "(9h)"}) {
    EXPECT_TRUE(QuickParse::isStop(stop)) << stop;
  }
  for (const char* word : {"Paul", "la", "mairie", "15", "&"}) {
    EXPECT_FALSE(QuickParse::isStop(word)) << word;
  }
}

TEST(QuickParse, DatesSpreadOverTokens) {
  using T = QuickParse::TokenDate;
  const std::vector<std::string> typed{"jusqu'au", "30", "juin", "2027", "june",
                                       "3rd,",     "3",  "/",    "1/2"};
  EXPECT_EQ(QuickParse::parseDateTokens(typed, 1, wednesday()), (T{2027, 6, 30, 3}));
  EXPECT_EQ(QuickParse::parseDateTokens(typed, 2, wednesday()), std::nullopt);
  EXPECT_EQ(QuickParse::parseDateTokens(typed, 4, wednesday()), (T{2026, 6, 3, 2}));
  // A day already past this year is next year's.
  EXPECT_EQ(QuickParse::parseDateTokens(typed, 8, wednesday()), (T{2027, 2, 1, 1}));
  EXPECT_EQ(QuickParse::parseDateTokens(typed, 9, wednesday()), std::nullopt);
  EXPECT_EQ(QuickParse::parseDateTokens(std::vector<std::string>{"18/03"}, 0, wednesday()),
            (T{2026, 3, 18, 1}));
  // Days their month does not have are no dates; 29 February is the next one there is.
  for (const std::vector<std::string>& impossible : {std::vector<std::string>{"31/04"},
                                                     {"31", "avril"},
                                                     {"30", "février"},
                                                     {"29/02/2027"},
                                                     {"29", "feb", "2027"}}) {
    EXPECT_EQ(QuickParse::parseDateTokens(impossible, 0, wednesday()), std::nullopt)
        << impossible[0];
  }
  EXPECT_EQ(QuickParse::parseDateTokens(std::vector<std::string>{"29", "février"}, 0, wednesday()),
            (T{2028, 2, 29, 2}));
  EXPECT_EQ(QuickParse::parseDateTokens(std::vector<std::string>{"29/02"}, 0,
                                        localDate(2028, 1, 10, 9, 0)),
            (T{2028, 2, 29, 1}));
}

TEST(QuickParse, EachKindOfSentenceGivesItsDraft) { expectDrafts(everyKindOfSentence()); }

TEST(QuickParse, OwnSentences) { expectDrafts(ownSentences()); }

TEST(QuickParse, ReadmeSentences) { expectDrafts(readmeSentences()); }

TEST(QuickParse, LinkingWordsLeaveTheTitleWithWhatTheyLink) {
  expectDrafts(linkingWordSentences());
  // "for" is coloured with the duration it introduces.
  const auto spans =
      QuickParse::parse("Call with lea@example.com tomorrow 3pm for 30 min", wednesday())->spans;
  ASSERT_EQ(spans.size(), 7u);
  EXPECT_EQ(spans[4], (ParsedSpan{{39, 3}, K::duration}));
}

// A day its month does not have, or a repetition that never comes round, gives no date or
// repetition: its words stay in the title and the draft names them. A calendar would roll "31/04"
// over to 1 May, which nobody typing it meant.
TEST(QuickParse, ImpossibleDaysAndRepetitionsAreNamedNotRolledOver) {
  struct Case {
    const char* text;
    ParsedEvent expected;
    const char* impossibleDate;
    const char* impossibleRecurrence;
    Date now = wednesday();
  };
  ParsedEvent yoga = draft("yoga jusqu'au 31/04", localDate(2026, 3, 18, 7, 0));
  yoga.recurrence = rule(F::daily, 1, {});
  ParsedEvent chores = draft("ménage toutes les 0 semaines", localDate(2026, 3, 18, 10, 0));
  const Case cases[] = {
      {"Réunion le 30 février 10h", draft("Réunion le 30 février", localDate(2026, 3, 18, 10, 0)),
       "30 février", nullptr},
      {"Dîner le 31 novembre 20h", draft("Dîner le 31 novembre", localDate(2026, 3, 18, 20, 0)),
       "31 novembre", nullptr},
      {"Pot 31/04 18h", draft("Pot 31/04", localDate(2026, 3, 18, 18, 0)), "31/04", nullptr},
      {"Fête 29/02/2027 18h", draft("Fête 29/02/2027", localDate(2026, 3, 18, 18, 0)), "29/02/2027",
       nullptr},
      {"Fête february 29 2027 18h", draft("Fête february 29 2027", localDate(2026, 3, 18, 18, 0)),
       "february 29 2027", nullptr},
      // Without a month, the day is this month's: April has no 31st.
      {"Bilan le 31 9h", draft("Bilan le 31", localDate(2026, 4, 10, 9, 0)), "le 31", nullptr,
       localDate(2026, 4, 10, 8, 0)},
      {"yoga 7h tous les jours jusqu'au 31/04", yoga, "31/04", nullptr},
      {"ménage 10h toutes les 0 semaines", chores, nullptr, "toutes les 0 semaines"},
      {"Run every 0 days 7am", draft("Run every 0 days", localDate(2026, 3, 18, 7, 0)), nullptr,
       "every 0 days"},
      // The weekday is still a day, the next Saturday.
      {"Marché 9h un samedi sur 0", draft("Marché un sur 0", localDate(2026, 3, 21, 9, 0)), nullptr,
       "un samedi sur 0"},
      // The days that do exist, next to them.
      {"Fête 29/02/2028 18h", draft("Fête", localDate(2028, 2, 29, 18, 0)), nullptr, nullptr},
      {"Bilan le 31 9h", draft("Bilan", localDate(2026, 3, 31, 9, 0)), nullptr, nullptr},
      {"Pot 30/04 18h", draft("Pot", localDate(2026, 4, 30, 18, 0)), nullptr, nullptr},
      // 29 February without a year: the next one there is.
      {"Anniversaire 29 février", draft("Anniversaire", localDate(2028, 2, 29), 60, true), nullptr,
       nullptr},
  };
  for (const Case& c : cases) {
    const auto parsed = QuickParse::parse(c.text, c.now);
    ASSERT_TRUE(parsed) << c.text;
    ParsedEvent actual = *parsed;
    actual.spans.clear();
    ParsedEvent expected = c.expected;
    if (c.impossibleDate) expected.impossibleDate = c.impossibleDate;
    if (c.impossibleRecurrence) expected.impossibleRecurrence = c.impossibleRecurrence;
    EXPECT_EQ(actual, expected) << c.text << "\n got: " << Json(actual).dump()
                                << "\nwant: " << Json(expected).dump();
  }
  // No date from such words, and nothing else to place: no event.
  EXPECT_FALSE(QuickParse::parse("Réunion le 31 novembre", wednesday()));
  // The first impossible day is named; a real one further on is still the date.
  const auto later = QuickParse::parse("Pot 31/04 ou 02/05 18h", wednesday());
  ASSERT_TRUE(later);
  EXPECT_EQ(later->start, localDate(2026, 5, 2, 18, 0));
  EXPECT_EQ(later->impossibleDate, "31/04");
}

// Days ahead are calendar days, not spans of 24 hours: late or early in a night when the clock
// changes, 24 hours later is another day than tomorrow. Paris goes to summer time in the night of
// 28 to 29 March 2026 and back in the night of 24 to 25 October.
TEST(QuickParse, DaysAheadAcrossAClockChange) {
  const Date lateSaturday = localDate(2026, 3, 28, 23, 30);
  EXPECT_EQ(QuickParse::parse("Fête demain", lateSaturday).value().start, localDate(2026, 3, 29));
  EXPECT_EQ(QuickParse::parse("Fête dans 2 jours 9h", lateSaturday).value().start,
            localDate(2026, 3, 30, 9, 0));
  const Date earlySunday = localDate(2026, 10, 25, 0, 30);
  EXPECT_EQ(QuickParse::parse("Marché demain", earlySunday).value().start, localDate(2026, 10, 26));
  EXPECT_EQ(QuickParse::parse("Marché lundi 8h", earlySunday).value().start,
            localDate(2026, 10, 26, 8, 0));
}

TEST(QuickParse, TextsWithoutTimeCueGiveNothing) {
  for (const char* text : {"", "   ", "\t\n", "Acheter du pain", "Note: apporter les clés 14h",
                           "sport tous les lundis", "Vacances en mars", "jusqu'au 30/06"}) {
    EXPECT_FALSE(QuickParse::parse(text, wednesday())) << text;
  }
}

std::vector<std::pair<K, TextRange>> spansOf(const std::string& text) {
  std::vector<std::pair<K, TextRange>> out;
  const auto parsed = QuickParse::parse(text, wednesday());
  for (const ParsedSpan& span : parsed.value().spans) {
    out.emplace_back(span.kind, span.range);
  }
  return out;
}

TEST(QuickParse, SpansCoverTheRecognisedWords) {
  using R = TextRange;
  EXPECT_EQ(spansOf("Réunion demain 14h30 1h avec Paul et Marie à la mairie"),
            (std::vector<std::pair<K, R>>{{K::date, {8, 6}},
                                          {K::time, {15, 5}},
                                          {K::duration, {21, 2}},
                                          {K::person, {24, 4}},
                                          {K::person, {29, 4}},
                                          {K::person, {34, 2}},
                                          {K::person, {37, 5}},
                                          {K::location, {43, 1}},
                                          {K::location, {45, 2}},
                                          {K::location, {48, 6}}}));
  // The emoji takes two UTF-16 units, "ê" and "é" one each; spaces may repeat.
  EXPECT_EQ(
      spansOf("🎉 Fête  demain\t20h chez Zoé"),
      (std::vector<std::pair<K, R>>{
          {K::date, {9, 6}}, {K::time, {16, 3}}, {K::location, {20, 4}}, {K::location, {25, 3}}}));
  EXPECT_EQ(spansOf("/Perso rappel 10 min yoga 7h tous les jours note tapis\nbleu"),
            (std::vector<std::pair<K, R>>{{K::calendar, {0, 6}},
                                          {K::reminder, {7, 6}},
                                          {K::reminder, {14, 2}},
                                          {K::reminder, {17, 3}},
                                          {K::time, {26, 2}},
                                          {K::recurrence, {29, 4}},
                                          {K::recurrence, {34, 3}},
                                          {K::recurrence, {38, 5}},
                                          {K::note, {44, 4}},
                                          {K::note, {49, 5}}}));
  EXPECT_EQ(spansOf("Visio 9h https://zoom.us/j/1 facetime://lea de 2pm")[1],
            (std::pair<K, R>{K::meeting, {9, 19}}));
}

TEST(QuickParse, SpanKindsAndColorRoles) {
  const std::pair<K, SpanColorRole> roles[] = {
      {K::date, SpanColorRole::temporal},         {K::time, SpanColorRole::temporal},
      {K::duration, SpanColorRole::duration},     {K::location, SpanColorRole::location},
      {K::person, SpanColorRole::person},         {K::reminder, SpanColorRole::reminder},
      {K::recurrence, SpanColorRole::recurrence}, {K::calendar, SpanColorRole::calendar},
      {K::meeting, SpanColorRole::meeting},       {K::note, SpanColorRole::note}};
  for (const auto& [kind, role] : roles) EXPECT_EQ((ParsedSpan{{0, 1}, kind}).colorRole(), role);
  const std::unordered_set<ParsedSpan> set{{{3, 4}, K::date}, {{3, 4}, K::date}, {{3, 4}, K::time}};
  EXPECT_EQ(set.size(), 2u);
}

TEST(QuickParse, RecurrenceLabels) {
  const std::pair<ParsedRecurrence, const char*> labels[] = {
      {rule(F::daily, 1, {}), "Tous les jours"},
      {rule(F::daily, 3, {}), "Tous les 3 jours"},
      {rule(F::weekly, 1, {2, 5}), "Toutes les semaines"},
      {rule(F::weekly, 2, {4}), "Toutes les 2 semaines"},
      {rule(F::monthly, 0, {}), "Tous les mois"},
      {rule(F::monthly, 6, {}), "Tous les 6 mois"},
      {rule(F::yearly, 1, {}, wednesday()), "Tous les ans"},
      {rule(F::yearly, 10, {}), "Tous les 10 ans"}};
  for (const auto& [recurrence, label] : labels) EXPECT_EQ(recurrence.humanLabelFR(), label);
}

TEST(QuickParse, JsonUsesTheFieldNames) {
  const DateStyleScope style(DateStyle::referenceSeconds);
  const auto parsed =
      QuickParse::parse("Piscine demain 9h rappel 10 min chaque semaine", wednesday());
  ASSERT_TRUE(parsed);
  const Json j = *parsed;
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items()) keys.push_back(key);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"title", "start", "durationMin", "isAllDay", "attendees",
                                      "reminderMinutes", "recurrence", "spans"}));
  EXPECT_EQ(j["start"], localDate(2026, 3, 19, 9, 0).seconds);
  EXPECT_EQ(j["recurrence"].dump(), R"({"frequency":"weekly","interval":1,"weekdays":[5]})");
  EXPECT_EQ(j["spans"][0].dump(), R"({"range":{"location":8,"length":6},"kind":"date"})");
  EXPECT_EQ(decodeJsonText<ParsedEvent>(j.dump()), *parsed);
}

}  // namespace
}  // namespace talewick
