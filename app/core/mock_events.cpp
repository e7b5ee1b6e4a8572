#include "core/mock_events.hpp"

#include <optional>
#include <string>

#include "support/local_calendar.hpp"

namespace talewick {

namespace {

struct MockRow {
  int hour, minute, minutes;
  const char* title;
  const char* location;  // may be null
  int attendees;
  double intensity;  // negative: none
  const char* calendar;
};

constexpr MockRow kDay[] = {
    {7, 0, 30, "Biberon et change de Léo", "Maison", 0, -1, "Famille"},
    {8, 30, 20, "Dépose à l'école", "École Jules Ferry", 0, -1, "Famille"},
    {9, 30, 30, "Standup équipe Produit", "Bureau", 6, -1, "Travail"},
    {11, 0, 60, "Point budget avec Claire", nullptr, 1, -1, "Travail"},
    {12, 30, 60, "Repas avec Marie", "Restaurant Le Comptoir", 1, -1, "Personnel"},
    {14, 0, 90, "Présentation client Orion", "Bureau", 5, 0.8, "Travail"},
    {17, 45, 45, "Courses de la semaine", "Supermarché Carrefour", 0, -1, "Maison"},
    {19, 30, 45, "Bain et histoire du soir", "Maison", 0, -1, "Famille"},
};

}  // namespace

std::vector<DayEvent> mockEvents(Date now) {
  const LocalCalendar::Fields today = LocalCalendar::fields(now);
  const std::string day = LocalCalendar::dayKey(today);
  std::vector<DayEvent> events;
  int index = 0;
  for (const MockRow& row : kDay) {
    DayEvent e;
    e.id = "mock-" + day + "-" + std::to_string(++index);
    e.title = row.title;
    if (row.location) e.location = row.location;
    e.startDate = LocalCalendar::dateFrom(
                      CivilTime{today.year, today.month, today.day, row.hour, row.minute, 0})
                      .value_or(now);
    e.endDate = e.startDate.adding(60.0 * row.minutes);
    e.attendees = row.attendees;
    if (row.intensity >= 0) e.intensity = row.intensity;
    e.calendarID = row.calendar;
    events.push_back(std::move(e));
  }
  return events;
}

}  // namespace talewick
