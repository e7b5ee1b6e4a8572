#include "desktop/texts.hpp"

#include <map>

#include "support/loc.hpp"

namespace talewick::desktop {
namespace {

const std::map<std::string, std::string>& frenchTexts() {
  static const std::map<std::string, std::string> table{
      {"desktop.window.title", "Talewick"},
      {"desktop.tab.kingdom", "Royaume"},
      {"desktop.tab.week", "Semaine"},
      {"desktop.tab.hero", "Héros"},
      {"desktop.quickAdd.placeholder", "Ajout rapide : « Réunion demain 14h avec Paul »"},
      {"desktop.quickAdd.enter", "Entrée pour l'écrire dans l'agenda"},
      {"desktop.week.noQuest", "Aucune quête"},
      {"desktop.week.allDay", "journée"},
      {"desktop.sheet.story", "Le récit"},
      {"desktop.sheet.choices", "Les choix"},
      {"desktop.sheet.breakdown", "Le calcul"},
      {"desktop.sheet.close", "Fermer"},
      {"desktop.kingdom.board", "Quêtes du monde"},
      {"desktop.kingdom.noBoard", "Aucune quête du monde aujourd'hui."},
      {"desktop.kingdom.chest", "Coffre du jour"},
      {"desktop.kingdom.journey", "Quête principale"},
      {"desktop.kingdom.noMain", "aucune pour l'instant"},
      {"desktop.kingdom.campaign", "Campagne"},
      {"desktop.kingdom.boss", "Boss de la semaine"},
      {"desktop.kingdom.inhabitants", "Habitants"},
      {"desktop.kingdom.building", "Bâtiment niveau %@/5"},
      {"desktop.kingdom.more", "… et %@ de plus"},
      {"desktop.kingdom.empty", "Rien en vue"},
      {"desktop.hero.equipment", "Équipement"},
      {"desktop.hero.noEquipment", "Rien d'équipé pour l'instant."},
      {"desktop.hero.xp", "%@ / %@ XP"},
      {"desktop.status.fine", "Tout est à jour."},
      {"desktop.schedule.held",
       "Notifications : le démon les envoie ; la fenêtre prendra le relais quand il s'arrêtera."},
      {"desktop.schedule.taken", "Notifications : la fenêtre les envoie."},
      {"desktop.cli.description", "La fenêtre de Talewick : le royaume, la semaine et le héros"},
      {"desktop.cli.quickAdd", "Ouvre la fenêtre le champ d'ajout rapide prêt à écrire"},
      {"desktop.cli.screenshot", "Dessine la fenêtre hors écran dans FICHIER.png, puis quitte"},
      {"desktop.cli.file", "FICHIER.png"},
      {"desktop.cli.url", "Une adresse talewick:// à traiter (retour d'OAuth)"},
      {"desktop.cli.screenshotFailed", "impossible d'écrire la capture %@"},
      {"desktop.cli.qmlFailed", "la fenêtre n'a pas pu se charger"},
  };
  return table;
}

}  // namespace

QString Texts::get(const QString& key) const {
  const std::string k = key.toStdString();
  const std::string fr = french(k);
  if (fr.empty()) return key;
  return QString::fromStdString(Loc::string(k, fr));
}

QString Texts::format(const QString& key, const QStringList& args) const {
  QString text = get(key);
  for (const QString& arg : args) {
    const qsizetype at = text.indexOf(QStringLiteral("%@"));
    if (at < 0) break;
    text.replace(at, 2, arg);
  }
  return text;
}

std::vector<std::string> Texts::keys() {
  std::vector<std::string> out;
  for (const auto& [key, text] : frenchTexts()) out.push_back(key);
  return out;
}

std::string Texts::french(const std::string& key) {
  const auto& table = frenchTexts();
  const auto found = table.find(key);
  return found == table.end() ? std::string() : found->second;
}

}  // namespace talewick::desktop
