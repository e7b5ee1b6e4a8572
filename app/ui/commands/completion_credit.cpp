#include "ui/commands/completion_credit.hpp"

#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

void creditCompletion(Io& io, AppContext& app, const std::string& itemID, const std::string& title,
                      int64_t xp, int64_t gold) {
  const HeroSync::Credit credit =
      app.heroStore().credit(RewardKind::sideQuest, "pipeline:" + itemID, xp, gold);
  if (credit == HeroSync::Credit::credited) {
    io.out << rewardText(xp, gold) << " — " << shown(title) << "\n";
  } else {
    io.out << Loc::format(Loc::string("cli.pipeline.completed", "Terminé : %@"), {shown(title)})
           << "\n";
  }
}

}  // namespace talewick::ui
