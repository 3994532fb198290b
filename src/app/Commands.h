#pragma once

#include <cstdint>

namespace app {

// Command ids of the main window's menus and buttons.
inline constexpr uint32_t kCmdOpen = 32771;
inline constexpr uint32_t kCmdAbout = 32773;
inline constexpr uint32_t kCmdExit = 32774;
inline constexpr uint32_t kCmdImport = 32776;
inline constexpr uint32_t kCmdExport = 32777;
inline constexpr uint32_t kCmdClose = 32779; // handled as exit
inline constexpr uint32_t kCmdFirmwareUpdate = 32780;
inline constexpr uint32_t kCmdChinese = 32784;
inline constexpr uint32_t kCmdEnglish = 32785;
inline constexpr uint32_t kCmdProfileMenu = 1009;

} // namespace app
