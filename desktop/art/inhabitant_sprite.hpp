// The kingdom's inhabitants: 16 × 16 villagers whose look (skin, hair style and colour, clothes)
// is picked from a seed — a person's id — so that one person always looks the same, on every
// machine.
#pragma once

#include <QImage>
#include <string_view>

namespace talewick::art {

inline constexpr int INHABITANT_SIZE = 16;
inline constexpr int INHABITANT_FRAMES = 2;  // standing, waving

// The combinations of skin, hair colour, hair style, shirt and trousers.
inline constexpr int INHABITANT_LOOKS = 4 * 5 * 3 * 6 * 3;

// The look (0 … INHABITANT_LOOKS - 1) of the inhabitant whose seed is `seed`.
int inhabitantLook(std::string_view seed);

// Frame `frame` (0 … INHABITANT_FRAMES - 1) of the inhabitant with look `look`.
QImage inhabitant(int look, int frame);

}  // namespace talewick::art
