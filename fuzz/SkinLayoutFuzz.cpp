// A skin layout a user edits: any entry's text reads as a rectangle, through the file as well.

#include <string>

#include "FuzzInput.h"
#include "ui/IniFile.h"
#include "ui/SkinRect.h"
#include "ui/Utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ui::ParseSkinRect(ui::FromUtf8(bytes));
    const auto file = fuzz::InputFile("Main.ini", data, size);
    ui::ClearIniCache();
    ui::ReadSkinRect(file, u"BUTTONINFO", u"KEY_01E");
    return 0;
}
