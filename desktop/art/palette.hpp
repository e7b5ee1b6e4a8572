// The one palette every sprite is drawn from: a few dozen colours, so that tiles, actors and
// buildings drawn apart still look like one world.
#pragma once

#include <QRgb>

namespace talewick::art::palette {

inline constexpr QRgb clear = 0x00000000u;
inline constexpr QRgb outline = 0xff1b1a26u;
inline constexpr QRgb white = 0xfff4f0e8u;
inline constexpr QRgb shadow = 0xff3a3548u;

inline constexpr QRgb skinLight = 0xfff2c9a0u;
inline constexpr QRgb skinTan = 0xffd9a066u;
inline constexpr QRgb skinBrown = 0xffa86b3cu;
inline constexpr QRgb skinDark = 0xff6b4226u;

inline constexpr QRgb hairBlack = 0xff2b1d14u;
inline constexpr QRgb hairBrown = 0xff7a4a22u;
inline constexpr QRgb hairBlond = 0xffd8b04au;
inline constexpr QRgb hairGrey = 0xffb8b8c8u;
inline constexpr QRgb hairRed = 0xffb3472au;

inline constexpr QRgb grassDark = 0xff2d6b30u;
inline constexpr QRgb grass = 0xff3f8f3au;
inline constexpr QRgb grassLight = 0xff5fb548u;
inline constexpr QRgb leafLight = 0xff8fd466u;
inline constexpr QRgb forestFloor = 0xff24482au;

inline constexpr QRgb waterDeep = 0xff2a4f98u;
inline constexpr QRgb water = 0xff3f76d0u;
inline constexpr QRgb waterLight = 0xff8cc4f0u;

inline constexpr QRgb stoneDark = 0xff4a4d5eu;
inline constexpr QRgb stone = 0xff80849au;
inline constexpr QRgb stoneLight = 0xffaab0c2u;

inline constexpr QRgb woodDark = 0xff5a3520u;
inline constexpr QRgb wood = 0xff8f5a30u;
inline constexpr QRgb woodLight = 0xffb87a44u;

inline constexpr QRgb sand = 0xffe0c882u;
inline constexpr QRgb sandDark = 0xffb89a50u;
inline constexpr QRgb basalt = 0xff2e2630u;
inline constexpr QRgb basaltLight = 0xff4a3d48u;
inline constexpr QRgb lava = 0xffe8602au;
inline constexpr QRgb ember = 0xfff0c43cu;

inline constexpr QRgb gold = 0xfff0c43cu;
inline constexpr QRgb goldDark = 0xffc08a20u;
inline constexpr QRgb red = 0xffc8403au;
inline constexpr QRgb crimson = 0xff8a1f2au;
inline constexpr QRgb orange = 0xffe0882au;
inline constexpr QRgb yellow = 0xfff0dc50u;
inline constexpr QRgb pink = 0xffe87aa8u;
inline constexpr QRgb purple = 0xff6a3fa0u;
inline constexpr QRgb violet = 0xff9a6ad0u;
inline constexpr QRgb blue = 0xff3f5fb8u;
inline constexpr QRgb sky = 0xff6aa8e0u;
inline constexpr QRgb teal = 0xff2f9a8au;
inline constexpr QRgb canvas = 0xffe8dcc0u;
inline constexpr QRgb magenta = 0xffff00ffu;
inline constexpr QRgb black = 0xff000000u;

}  // namespace talewick::art::palette
