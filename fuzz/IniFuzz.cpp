// INI files a user edits: any bytes parse, a written file reads back as written, and a value
// set is the value found.

#include <string_view>

#include "ui/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ui::IniDocument doc = ui::IniDocument::Parse(bytes);
    doc.Find(u"LANGUAGE", u"language");
    const std::string once = doc.Serialize();
    if (ui::IniDocument::Parse(once).Serialize() != once)
        __builtin_trap();
    doc.Set(u"Fuzz", u"key", u"value");
    const ui::IniDocument again = ui::IniDocument::Parse(doc.Serialize());
    const std::u16string* found = again.Find(u"fuzz", u"KEY");
    if (!found || *found != u"value")
        __builtin_trap();
    return 0;
}
