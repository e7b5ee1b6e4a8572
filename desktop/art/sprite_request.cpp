#include "art/sprite_request.hpp"

#include <QStringList>
#include <string>

#include "art/building_sprite.hpp"
#include "art/emblems.hpp"
#include "art/hero_sprite.hpp"
#include "art/inhabitant_sprite.hpp"
#include "art/realm_tiles.hpp"
#include "support/enum_traits.hpp"

namespace talewick::art {
namespace {

constexpr qsizetype kMaxIdLength = 1024;
constexpr qsizetype kMaxSeedBytes = 256;
constexpr qsizetype kMaxDigits = 6;

// A number of 1 … kMaxDigits decimal digits within [low, high]; nothing else (no sign, no
// spaces, no other digits than ASCII ones).
std::optional<int> number(QStringView text, int low, int high) {
  if (text.isEmpty() || text.size() > kMaxDigits) return std::nullopt;
  int value = 0;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

template <RawEnum E>
std::optional<E> named(QStringView text) {
  return fromRaw<E>(text.toUtf8().toStdString());
}

std::optional<SpriteRequest> heroWalkRequest(QStringView frameText, QStringView options) {
  const std::optional<int> frame = number(frameText, 0, HERO_WALK_FRAMES - 1);
  if (!frame) return std::nullopt;
  Facing facing = Facing::right;
  QRgb cloak = cloakColour("");
  if (!options.isEmpty()) {
    for (const QStringView option : options.split(u'&')) {
      if (option == u"left") {
        facing = Facing::left;
      } else if (option == u"right") {
        facing = Facing::right;
      } else if (option.startsWith(u"tint=")) {
        cloak = cloakColour(option.mid(5).toUtf8().toStdString());
      } else {
        return std::nullopt;
      }
    }
  }
  const QString key = QStringLiteral("hero/walk/%1/%2/%3")
                          .arg(*frame)
                          .arg(facing == Facing::left ? u"left" : u"right")
                          .arg(cloak, 8, 16, QChar(u'0'));
  return SpriteRequest{key, [=] { return heroWalk(*frame, facing, cloak); }};
}

std::optional<SpriteRequest> inhabitantRequest(QStringView rest) {
  const qsizetype slash = rest.lastIndexOf(u'/');
  if (slash <= 0) return std::nullopt;
  const QByteArray seed = rest.left(slash).toUtf8();
  const std::optional<int> frame = number(rest.mid(slash + 1), 0, INHABITANT_FRAMES - 1);
  if (!frame || seed.size() > kMaxSeedBytes) return std::nullopt;
  const int look = inhabitantLook(std::string_view(seed.constData(), seed.size()));
  return SpriteRequest{QStringLiteral("inhabitant/%1/%2").arg(look).arg(*frame),
                       [=] { return inhabitant(look, *frame); }};
}

std::optional<SpriteRequest> request(QStringView path, QStringView options) {
  if (path.startsWith(u"inhabitant/") && options.isEmpty()) {
    return inhabitantRequest(path.mid(11));
  }
  const QList<QStringView> parts = path.split(u'/');
  const QStringView kind = parts.front();
  if (kind == u"hero" && parts.size() == 3 && parts[1] == u"walk") {
    return heroWalkRequest(parts[2], options);
  }
  if (!options.isEmpty()) return std::nullopt;
  const QString canonical = path.toString();
  if (kind == u"realm" && parts.size() == 3) {
    const auto realm = named<KingdomRealm>(parts[1]);
    const auto n = number(parts[2], 0, 999999);
    if (!realm || !n) return std::nullopt;
    const int variant = *n % REALM_TILE_VARIANTS;
    return SpriteRequest{QStringLiteral("realm/%1/%2").arg(parts[1]).arg(variant),
                         [=] { return realmTile(*realm, variant); }};
  }
  if (kind == u"building" && parts.size() == 3) {
    const auto which = named<KingdomBuilding>(parts[1]);
    const auto level = number(parts[2], 1, BUILDING_LEVELS);
    if (!which || !level) return std::nullopt;
    return SpriteRequest{canonical, [=] { return building(*which, *level); }};
  }
  if (kind == u"threat" && parts.size() == 2) {
    const auto tier = number(parts[1], 1, THREAT_TIERS);
    if (!tier) return std::nullopt;
    return SpriteRequest{canonical, [=] { return threatBadge(*tier); }};
  }
  if (canonical == u"banner/boss")
    return SpriteRequest{canonical, [] { return banner(BannerKind::boss); }};
  if (canonical == u"banner/campaign") {
    return SpriteRequest{canonical, [] { return banner(BannerKind::campaign); }};
  }
  if (canonical == u"chest/closed") return SpriteRequest{canonical, [] { return chest(false); }};
  if (canonical == u"chest/open") return SpriteRequest{canonical, [] { return chest(true); }};
  if (canonical == u"emblem") return SpriteRequest{canonical, [] { return emblem(); }};
  return std::nullopt;
}

}  // namespace

std::optional<SpriteRequest> parseSpriteId(const QString& id) {
  if (id.isEmpty() || id.size() > kMaxIdLength) return std::nullopt;
  const QStringView whole(id);
  const qsizetype question = whole.indexOf(u'?');
  const QStringView path = question < 0 ? whole : whole.left(question);
  const QStringView options = question < 0 ? QStringView() : whole.mid(question + 1);
  if (question >= 0 && options.isEmpty()) return std::nullopt;
  return request(path, options);
}

}  // namespace talewick::art
