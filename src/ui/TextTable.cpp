#include "ui/TextTable.h"

#include <array>

namespace ui {

namespace {

constexpr TextSlotInfo kSlots[] = {
    {u"MACRO_ACTION_RECORD_DELAY", u"RecordDelay", 108},
    {u"MACRO_NEW_PREFIX", u"Macro", 108},
    {u"MACRO_ERR_MAX", u"The maximum number of macro: %d   ", 108},
    {u"MACRO_ERR_SAME", u"Same macro name!   ", 108},
    {u"MACRO_ERR_NAME_SYSTEM", u"This macro is used in the system! ", 108},
    {u"MACRO_DEFAULT_NAME", u"Empty Macro", 108},
    {u"MACRO_ERR_RECORD", u"Please stop the macro record first! ", 108},
    {u"MACRO_KEYS_TISHI", u"hello world", 108},
    {u"MACRO_ACTION_TISHI", u"hello world", 108},
    {u"MACRO_DELAY_MS", u"hello world", 108},
    {u"MACRO_ACTION_CLEAR_CONFIRM", u"Really need to clear the macro action? ", 108},
    {u"MACRO_ACTION_ERR_MODIFY", u"You can not edit, use the macro record button. ", 108},
    {u"MACRO_ACTION_ERR_DELAY_MIN", u"Minimum delay time is: %d(ms) ", 108},
    {u"MACRO_ACTION_ERR_DELAY_MAX", u"Maximum delay time is: %d(ms) ", 108},
    {u"MACRO_ACTION_RECORD", u"Record", 108},
    {u"MACRO_ACTION_STOP_RECORD", u"Stop Record", 108},
    {u"EXTRA_MACRO_TOO_LONG",
     u"Macro space exceeds the hardware space.\r\n Please reduce the number of macros or macro "
     u"action number，and then download.",
     260},
    {u"UNKNOWN_KEY", u"Unknown Key: %03x", 108},
    {u"MEDIA_PALYER_1", u"Hello world", 108},
    {u"MEDIA_PALY_PAUSE_2", u"Hello world", 108},
    {u"MEDIA_STOP_PALY_3", u"Hello world", 108},
    {u"MEDIA_PREV_TRACK_4", u"Hello world", 108},
    {u"MEDIA_Next_TRACK_5", u"Hello world", 108},
    {u"MEDIA_V_LOW_6", u"Hello world", 108},
    {u"MEDIA_V_ADD_7", u"Hello world", 108},
    {u"MEDIA_MUTE_8", u"Hello world", 108},
    {u"MEDIA_WWW_HOME_9", u"Hello world", 108},
    {u"MEDIA_WWW_REFRESH_10", u"Hello world", 108},
    {u"MEDIA_WWW_STOP_11", u"Hello world", 108},
    {u"MEDIA_WWW_BACK_12", u"Hello world", 108},
    {u"MEDIA_WWW_FORWARD_13", u"Hello world", 108},
    {u"MEDIA_WWW_FAVORITE_14", u"Hello world", 108},
    {u"MEDIA_WWW_SEARCH_15", u"Hello world", 108},
    {u"MEDIA_MY_PC_16", u"Hello world", 108},
    {u"MEDIA_CALC_17", u"Hello world", 108},
    {u"MEDIA_MAIL_18", u"Hello world", 108},
    {u"FUNC_KEY_DESC1", u"Open", 108},
    {u"FUNC_KEY_DESC2", u"New", 108},
    {u"FUNC_KEY_DESC3", u"Undo", 108},
    {u"FUNC_KEY_DESC4", u"Save", 108},
    {u"FUNC_KEY_DESC5", u"Copy", 108},
    {u"FUNC_KEY_DESC6", u"Cut", 108},
    {u"FUNC_KEY_DESC7", u"Paste", 108},
    {u"FUNC_KEY_DESC8", u"Find", 108},
    {u"FUNC_KEY_DESC9", u"Select All", 108},
    {u"FUNC_KEY_DESC10", u"Zoom-", 108},
    {u"FUNC_KEY_DESC11", u"Zoom+", 108},
    {u"APPLY_PROMPT", u"No Use!", 108},
    {u"MACRO_DELETE_CONFIRM_OF_KEYS",
     u"Detect some key points to set this macro, \n  really need to remove this macro?  ", 108},
    {u"KEY_PROMPT", u"No Use!", 108},
    {u"KEY_PROMPT_SET", u"Keys, Set: ", 108},
    {u"KEY_PROMPT_SINGLE", u"Key(", 108},
    {u"KEY_PROMPT_MACRO", u"Macro(", 108},
    {u"KEY_PROMPT_MEDIA", u"Media(", 108},
    {u"KEY_PROMPT_FUNCTION", u"Function(", 108},
    {u"DEFAULT_PROFILE_NAME", u"<Default Profile>", 108},
    {u"PROFILE_SELECT_PROMPT", u"Whether to save the profile settings made?", 108},
    {u"PROFILE_SEELCT_PROMPT2",
     u"When fast switch scene mode, you must first close the editor dialog box.", 108},
    {u"PROFILE_SELECT_PROMPT3",
     u"Scene mode are editing, whether to give up the modification and change its mode?", 108},
    {u"PROFILE_LOAD_PROMPT", u"Switch scene mode will automatically stop the macro play!", 108},
    {u"PROFILE_CHECK_PROMPT", u"Scene mode file does not exist, load the default Settings!", 108},
    {u"PROFILE_FORMAT_ERROR", u"wrong file format, revert to the default values: \n  %s", 108},
    {u"PROFILE_EXPORT_ERROR", u"The profile cannot be exported to %s: %s", 108},
    {u"PROFILE_NEW", u"\\The new contextual  mode", 108},
    {u"PROFILE_TIP", u"The current contextual  mode: ", 108},
    {u"PROFILE_EDITING", u"You are editing, set not applications, can't change its mode", 108},
    {u"EXTRA_PROFILE_SPACE_TIGHT",
     u"shortage of hardware space, cancelled the macro name of storage.", 108},
    {u"MAIN_UPDATE_ERROR_TEXT", u"请选择正确的更新文件! ", 13},
    {u"MAIN_BOOT_ERROR_TEXT", u"无法进入Boot模式! ", 13},
    {u"MAIN_SHELL_ERROR_TEXT", u"无法执行更新文件! ", 11},
    {u"MAIN_UPDATE_BACKUP_OK", u"备份成功!", 6},
    {u"MAIN_UPDATE_BACKUP_NG", u"备份失败,请重新备份!", 12},
    {u"KEYBOARD_TRAY_DESC", u"Single-handed keyboard Driver ", 108},
    {u"MAIN_CAPTION", u"Gaming Keyboard Settings", 108},
    {u"MAIN_HELP_PROMPT", u"Help", 108},
    {u"MAIN_MINIMIZE_PROMPT", u"Minimize", 108},
    {u"MAIN_MENU_PROMPT", u"Menu", 108},
    {u"MAIN_CLOSE_PROMPT", u"Close", 108},
    {u"MAIN_BUTTON_MIRQEL_VER", u"", 108},
    {u"MAIN_PROMPT_DEFAULT", u"Do you want to restore the default settings?", 108},
    {u"MAIN_PROMPT_INPORT", u"File format error, import failed! ", 108},
    {u"MAIN_PROMPT_DRIVER_TEXT",
     u"Detects that the driver is not installed keyboard, \r\npress [OK] to start the driver "
     u"installation!",
     108},
    {u"MAIN_PROMPT_DRIVER_TITLE", u"Keyboard Driver", 108},
    {u"MAIN_SWITCH_FUNCTION_TEXT", u"Switch to the color keys mode", 108},
    {u"MAIN_SWITCH_COLOR_TEXT", u"Switch to the function keys mode", 108},
    {u"MAIN_DEFAULT_MATRIX_PROMPT", u"Reads the default keyboard layout failure", 108},
    {u"MAIN_NO_DEVICE_PROMPT", u"Device is not detected，the key settings can not be displayed! ",
     108},
};
static_assert(std::size(kSlots) == kTextKeyCount);

constexpr WindowTextInfo kWindowTexts[] = {
    // The key assignment dialog.
    {u"COMPOSITE_PROMPT_CLEAR", u"Restore the key's default function"},
    {u"COMPOSITE_PROMPT_OSK", u"Open the on-screen keyboard"},
    {u"COMPOSITE_OSK_MISSING",
     u"No on-screen keyboard is installed. Please install onboard, florence or "
     u"matchbox-keyboard."},
    {u"MACRO_CYCLES", u"Cycles"},
    {u"RECORD_DELAY", u"Record Delays"},
    {u"SINGLE_KEY", u"Single Key"},
    {u"MACRO_SETTING", u"Macro"},
    {u"MULTI_MEDIA", u"Multimedia"},
    {u"FUNCTION_KEY", u"Function"},
    {u"A_TOP", u"Top"},
    {u"A_UP", u"Up"},
    {u"A_DOWN", u"Down"},
    {u"A_BOTTOM", u"Bottom"},
    {u"A_RECORD", u"Record"},
    {u"A_DELETE", u"Delete"},
    {u"A_CLEAR", u"Clear"},
    {u"MACRO_OK", u"OK"},
    {u"MACRO_CANCLE", u"Cancel"},
    {u"SINGLE_STATIC", u"Press the key to assign:"},
    {u"MACRO_NAME_SETTING", u"Choose a macro:"},
    {u"KEY_SETTING_TISHI", u"Key Settings"},
    {u"MACRO_EDIT_TISHI", u"Macro Editor"},
    {u"MEDIA_EDIT_TISHI", u"Choose a multimedia function:"},
    {u"FUNCTION_TISHI", u"Choose a keyboard function:"},
    {u"PROFILE_APPLY", u"Apply"},
    {u"MACRO_SPACE_USED", u"Macro space: %s of %s bytes"},
    {u"MACRO_SPACE_NO_NAMES", u"%s of %s bytes, names left out"},
    {u"MACRO_SPACE_TOO_BIG", u"%s of %s bytes: too big"},
    {u"MACRO_SPACE_UNKNOWN", u"Macros: %s bytes, no keyboard"},
    // The download's read-back.
    {u"DOWNLOAD_NOT_KEPT",
     u"Brisvane could not confirm that the keyboard kept %s. Please apply again."},
    {u"DOWNLOAD_PART_MACROS", u"the macros"},
    {u"DOWNLOAD_PART_KEYS", u"the keys of Profile %d"},
};

constexpr size_t TotalCapacity() {
    size_t total = 0;
    for (const TextSlotInfo& slot : kSlots) {
        total += slot.capacity;
    }
    return total;
}

struct Storage {
    std::array<char16_t, TotalCapacity()> units{};
    std::array<uint16_t, kTextKeyCount> offset{};
    std::array<uint16_t, kTextKeyCount> length{};
};

constexpr size_t CutLength(std::u16string_view text, size_t capacity) {
    if (text.size() < capacity) {
        return text.size();
    }
    size_t length = capacity - 1;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
        --length;
    }
    return length;
}

constexpr void Fill(Storage& storage, size_t n, std::u16string_view text) {
    size_t length = CutLength(text, kSlots[n].capacity);
    char16_t* slot = storage.units.data() + storage.offset[n];
    for (size_t i = 0; i < length; ++i) {
        slot[i] = text[i];
    }
    slot[length] = 0;
    storage.length[n] = static_cast<uint16_t>(length);
}

constexpr Storage BuildStorage() {
    Storage storage;
    size_t offset = 0;
    for (size_t n = 0; n < kTextKeyCount; ++n) {
        storage.offset[n] = static_cast<uint16_t>(offset);
        offset += kSlots[n].capacity;
        Fill(storage, n, kSlots[n].builtIn);
    }
    return storage;
}

// Built at compile time, so that the built-in texts are there before any code runs.
constinit Storage g_storage = BuildStorage();

size_t IndexOf(TextKey key) {
    return static_cast<size_t>(key);
}

} // namespace

const TextSlotInfo& TextSlotInfoOf(TextKey key) {
    return kSlots[IndexOf(key)];
}

TextKey TextKeyAt(size_t tablePosition) {
    return static_cast<TextKey>(tablePosition);
}

std::u16string_view TextOf(TextKey key) {
    size_t n = IndexOf(key);
    return {g_storage.units.data() + g_storage.offset[n], g_storage.length[n]};
}

const char16_t* TextPointer(TextKey key) {
    return g_storage.units.data() + g_storage.offset[IndexOf(key)];
}

void SetText(TextKey key, std::u16string_view text) {
    Fill(g_storage, IndexOf(key), text);
}

void ResetTextTable() {
    for (size_t n = 0; n < kTextKeyCount; ++n) {
        Fill(g_storage, n, kSlots[n].builtIn);
    }
}

std::u16string_view WindowTextBuiltIn(std::u16string_view key) {
    for (const WindowTextInfo& t : kWindowTexts)
        if (t.key == key)
            return t.builtIn;
    return {};
}

} // namespace ui
