#pragma once

// Control ids of the main window.

namespace app {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdProfileName = 1005;
inline constexpr int kIdApply = 1006;
inline constexpr int kIdMacro = 1008;
inline constexpr int kIdLink = 1121;
inline constexpr int kIdHelp = 1122;
inline constexpr int kIdMinimise = 1123;
inline constexpr int kIdClose = 1124;
inline constexpr int kIdLockCaps = 1125;
inline constexpr int kIdLockNum = 1126;
inline constexpr int kIdLockScroll = 1127;
inline constexpr int kIdLayer = 1128;
inline constexpr int kIdFlip0 = 1129;
inline constexpr int kIdFlip1 = 1130;
inline constexpr int kIdFlip2 = 1131;
inline constexpr int kIdLeftArrow = 1132;
inline constexpr int kIdRightArrow = 1133;
inline constexpr int kIdVersion = 1134;
inline constexpr int kIdProfile1 = 1135; // 1135..1137: profiles 0..2
inline constexpr int kIdDefault = 1138;
inline constexpr int kIdMenu = 1139;
inline constexpr int kIdSwitch = 1144;
inline constexpr int kIdBusy = 1210;

inline constexpr int kIdProfileMenuFirst = 9000; // "<Default Profile>"; 9001 + n: profile n

} // namespace app
