#pragma once

// The process-wide table of fixed text slots: every message, caption and function name that
// several windows show, named by its language key. Each slot has a fixed capacity (in UTF-16
// units, the terminating NUL included) and starts with its built-in English text; the
// language file fills it (ui/Language.h). A text longer than its slot is cut.
//
// The slots are written only on the user-interface thread (at start-up and after a language
// command); text views given out stay valid for the whole process.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ui {

// Table order, which is also the order in which the language file is read.
enum class TextKey : uint16_t {
    MACRO_ACTION_RECORD_DELAY,
    MACRO_NEW_PREFIX,
    MACRO_ERR_MAX,
    MACRO_ERR_SAME,
    MACRO_ERR_NAME_SYSTEM,
    MACRO_DEFAULT_NAME,
    MACRO_ERR_RECORD,
    MACRO_KEYS_TISHI,
    MACRO_ACTION_TISHI,
    MACRO_DELAY_MS,
    MACRO_ACTION_CLEAR_CONFIRM,
    MACRO_ACTION_ERR_MODIFY,
    MACRO_ACTION_ERR_DELAY_MIN,
    MACRO_ACTION_ERR_DELAY_MAX,
    MACRO_ACTION_RECORD,
    MACRO_ACTION_STOP_RECORD,
    EXTRA_MACRO_TOO_LONG,
    UNKNOWN_KEY,
    MEDIA_PALYER_1,
    MEDIA_PALY_PAUSE_2,
    MEDIA_STOP_PALY_3,
    MEDIA_PREV_TRACK_4,
    MEDIA_Next_TRACK_5,
    MEDIA_V_LOW_6,
    MEDIA_V_ADD_7,
    MEDIA_MUTE_8,
    MEDIA_WWW_HOME_9,
    MEDIA_WWW_REFRESH_10,
    MEDIA_WWW_STOP_11,
    MEDIA_WWW_BACK_12,
    MEDIA_WWW_FORWARD_13,
    MEDIA_WWW_FAVORITE_14,
    MEDIA_WWW_SEARCH_15,
    MEDIA_MY_PC_16,
    MEDIA_CALC_17,
    MEDIA_MAIL_18,
    FUNC_KEY_DESC1,
    FUNC_KEY_DESC2,
    FUNC_KEY_DESC3,
    FUNC_KEY_DESC4,
    FUNC_KEY_DESC5,
    FUNC_KEY_DESC6,
    FUNC_KEY_DESC7,
    FUNC_KEY_DESC8,
    FUNC_KEY_DESC9,
    FUNC_KEY_DESC10,
    FUNC_KEY_DESC11,
    APPLY_PROMPT,
    MACRO_DELETE_CONFIRM_OF_KEYS,
    KEY_PROMPT,
    KEY_PROMPT_SET,
    KEY_PROMPT_SINGLE,
    KEY_PROMPT_MACRO,
    KEY_PROMPT_MEDIA,
    KEY_PROMPT_FUNCTION,
    DEFAULT_PROFILE_NAME,
    PROFILE_SELECT_PROMPT,
    PROFILE_SEELCT_PROMPT2,
    PROFILE_SELECT_PROMPT3,
    PROFILE_LOAD_PROMPT,
    PROFILE_CHECK_PROMPT,
    PROFILE_FORMAT_ERROR,
    PROFILE_EXPORT_ERROR,
    PROFILE_NEW,
    PROFILE_TIP,
    PROFILE_EDITING,
    EXTRA_PROFILE_SPACE_TIGHT,
    MAIN_UPDATE_ERROR_TEXT,
    MAIN_BOOT_ERROR_TEXT,
    MAIN_SHELL_ERROR_TEXT,
    MAIN_UPDATE_BACKUP_OK,
    MAIN_UPDATE_BACKUP_NG,
    KEYBOARD_TRAY_DESC,
    MAIN_CAPTION,
    MAIN_HELP_PROMPT,
    MAIN_MINIMIZE_PROMPT,
    MAIN_MENU_PROMPT,
    MAIN_CLOSE_PROMPT,
    MAIN_BUTTON_MIRQEL_VER,
    MAIN_PROMPT_DEFAULT,
    MAIN_PROMPT_INPORT,
    MAIN_PROMPT_DRIVER_TEXT,
    MAIN_PROMPT_DRIVER_TITLE,
    MAIN_SWITCH_FUNCTION_TEXT,
    MAIN_SWITCH_COLOR_TEXT,
    MAIN_DEFAULT_MATRIX_PROMPT,
    MAIN_NO_DEVICE_PROMPT,
};

inline constexpr size_t kTextKeyCount = static_cast<size_t>(TextKey::MAIN_NO_DEVICE_PROMPT) + 1;

struct TextSlotInfo {
    std::u16string_view key;     // the language key, as spelled in the file
    std::u16string_view builtIn; // the text at program start
    uint16_t capacity;           // UTF-16 units, NUL included
};

const TextSlotInfo& TextSlotInfoOf(TextKey key);
TextKey TextKeyAt(size_t tablePosition);

// The slot's present text. The view stays valid; its content follows later loads.
std::u16string_view TextOf(TextKey key);
// The same text, NUL-terminated.
const char16_t* TextPointer(TextKey key);

// Copies the text into the slot, cut to capacity - 1 units (never half a surrogate pair).
void SetText(TextKey key, std::u16string_view text);
// Every slot back to its built-in text.
void ResetTextTable();

// Texts that a window reads for its own captions, labels and tooltips from the language
// file's section (not slots of the table above), with the English text shown when the file
// lacks the key.
struct WindowTextInfo {
    std::u16string_view key;
    std::u16string_view builtIn;
};
// Empty for a key that no window reads.
std::u16string_view WindowTextBuiltIn(std::u16string_view key);

} // namespace ui
