#include "Describe.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>

#include "keys/KeyCodes.h"
#include "keys/KeyEntry.h"
#include "keys/KeyTable.h"
#include "macros/MacroRecord.h"
#include "profiles/ProfileStore.h"
#include "ui/Utf.h"

namespace cli {
namespace {

std::string Format(const char* format, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string Quoted(std::u16string_view text) {
    return "\"" + ui::ToUtf8(text) + "\"";
}

std::string KeyName(uint16_t keyCode) {
    return ui::ToUtf8(keys::GetKeyName(keyCode)) + Format(" (0x%03X)", keyCode);
}

// The key or special button that entry i of a block belongs to.
std::string EntryName(size_t i) {
    if (i < 256)
        return KeyName(keys::KeyCodeOfIndex(static_cast<uint16_t>(i)));
    if (i >= keys::kLayerAFirstEntry && i < keys::kLayerBFirstEntry)
        return Format("G%zu (layer A)", i - keys::kLayerAFirstEntry + 1);
    if (i >= keys::kLayerBFirstEntry && i < keys::kLayerBFirstEntry + keys::kSpecialButtons)
        return Format("G%zu (layer B)", i - keys::kLayerBFirstEntry + 1);
    return Format("entry %zu", i);
}

const macros::MacroRecord* MacroWithId(profiles::ProfileStore& store, uint32_t id) {
    for (const macros::MacroRecord& m : store.Macros()) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

std::string Assignment(profiles::ProfileStore& store, size_t globalEntry, const keys::KeyEntry& e) {
    const std::u16string_view text =
        store.texts ? store.texts->entries[globalEntry].View() : std::u16string_view{};
    std::string out;
    switch (e.kind) {
    case 0:
        out = "default function";
        break;
    case 1:
        out = "disabled";
        break;
    case 2:
        out = "key " + KeyName(static_cast<uint16_t>(e.value));
        break;
    case 3:
        out = "program " + Quoted(text);
        break;
    case 4: {
        const macros::MacroRecord* m = MacroWithId(store, e.value);
        out = Format("macro id %u", e.value) +
              (m ? " " + Quoted(macros::NameOf(*m)) : std::string(" (no such macro)"));
        if (e.code != 0)
            out += Format(", %u cycles entered", e.code);
        break;
    }
    case 5:
        out = "stop the playing macro";
        break;
    case 6:
        out = "text block " + Quoted(text);
        break;
    case 7: {
        const auto name = keys::MediaFunctionName(e.value);
        out = name.empty() ? Format("media function %u (unknown)", e.value)
                           : "media function " + ui::ToUtf8(name);
        break;
    }
    case 8: {
        const auto name = keys::FunctionKeyName(e.value);
        out = name.empty() ? Format("keyboard function %u (unknown)", e.value)
                           : "keyboard function " + ui::ToUtf8(name);
        break;
    }
    default:
        out = Format("unknown kind %u, value %u", e.kind, e.value);
        break;
    }
    if (e.mark != 0)
        out += Format(", mark 0x%08X", e.mark);
    return out;
}

std::string PlayMode(uint16_t mode) {
    switch (mode) {
    case macros::kPlayOnce:
        return "play once";
    case macros::kPlayRepeat:
        return "play repeatedly";
    case macros::kPlayUntilKeyAgain:
        return "repeat until the key is pressed again";
    default:
        return Format("play mode %u", mode);
    }
}

} // namespace

std::string DescribeStore() {
    profiles::ProfileStore& store = profiles::GetProfileStore();
    std::lock_guard lock(store.lock);
    if (!store.image)
        return "no profile\n";
    const profiles::ProfileFileHeader& h = store.image->header;
    std::string out;
    out += Format("Profile file: %u bytes, %u macros, %u text bytes, flag %u\n", h.totalSize,
                  h.macroCount, h.textBytes, h.flag);

    auto defaults = std::make_unique<profiles::ProfileImage>();
    profiles::BuildDefaultImage(*defaults, 0);
    for (size_t b = 0; b < profiles::kBlocks; ++b) {
        std::string lines;
        for (size_t i = 0; i < profiles::kBlockEntries; ++i) {
            const keys::KeyEntry& e = store.image->blocks[b][i];
            if (e == defaults->blocks[b][i])
                continue;
            lines += "  " + EntryName(i) + ": " +
                     Assignment(store, b * profiles::kBlockEntries + i, e) + "\n";
        }
        out += b < profiles::kProfileCount ? Format("Profile %zu keys:", b)
                                           : std::string("Spare block:");
        out += lines.empty() ? " all default\n" : "\n" + lines;
    }

    out += Format("Macros: %u\n", store.macroCount);
    size_t position = 0;
    for (const macros::MacroRecord& m : store.Macros()) {
        out += Format("  %zu. ", ++position) + Quoted(macros::NameOf(m)) +
               Format(": id %u, %u cycles, ", m.id, m.cycles) + PlayMode(m.playMode) +
               Format(", %u actions\n", m.actionCount);
        for (uint16_t j = 0; j < macros::ActionCountOf(m); ++j) {
            const macros::MacroAction& a = m.actions[j];
            out += Format("     %s ", a.state == macros::kStateRelease ? "release" : "press  ") +
                   KeyName(a.keyCode) + Format(", then %u ms\n", a.delayMs);
        }
    }
    return out;
}

} // namespace cli
