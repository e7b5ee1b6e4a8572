// The small signs of the map and the quest cards: banners, the chest, the threat badges, the
// application's emblem, and the placeholder that shows where a sprite was asked for wrongly.
#pragma once

#include <QIcon>
#include <QImage>

namespace talewick::art {

enum class BannerKind { boss, campaign };
inline constexpr int BANNER_WIDTH = 16;
inline constexpr int BANNER_HEIGHT = 32;
// The weekly boss's banner (a skull on crimson) or the campaign's (a star on blue).
QImage banner(BannerKind kind);

inline constexpr int CHEST_SIZE = 16;
QImage chest(bool open);

inline constexpr int THREAT_BADGE_SIZE = 16;
inline constexpr int THREAT_TIERS = 5;
// A shield with one pip per tier, from green (1) to violet (5); `tier` is clamped to 1 … 5.
QImage threatBadge(int tier);

inline constexpr int EMBLEM_SIZE = 16;
// The application's emblem: a tower flying the kingdom's flag.
QImage emblem();
// The emblem as an icon, enlarged by whole factors (16, 32, 48, 64, 128 pixels).
QIcon applicationIcon();

inline constexpr int PLACEHOLDER_SIZE = 16;
// Magenta and black checks: impossible to mistake for art.
QImage placeholder();

}  // namespace talewick::art
