#include "profiles/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "macros/Download.h"
#include "profiles/AtomicFile.h"
#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileStore.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "ui/TextTable.h"
#include "ui/Utf.h"

namespace profiles {
namespace {

// An open file, closed on every path. Opened without waiting, so that a pipe chosen in
// place of a file is refused (it is no regular file) instead of waiting for its writer.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)),
          error_(fd_ < 0 ? errno : 0) {}
    ~InputFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Why it could not be opened or measured.
    int Error() const { return error_; }
    // -1 when the size cannot be told, or for anything but a regular file.
    int64_t Size() {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            error_ = errno;
            return -1;
        }
        if (!S_ISREG(st.st_mode)) {
            error_ = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
            return -1;
        }
        return st.st_size;
    }
    // Reads exactly n bytes; false at the end of the file or on an error.
    bool Read(void* out, size_t n) {
        auto* p = static_cast<uint8_t*>(out);
        while (n > 0) {
            ssize_t got = ::read(fd_, p, n);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            p += got;
            n -= static_cast<size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    int error_;
};

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A file's content, read and checked before it replaces the store's.
struct StagedProfile {
    std::unique_ptr<ProfileImage> image;
    std::unique_ptr<macros::MacroRecord[]> macros;
    uint16_t macroCount = 0;
    std::unique_ptr<TextTable> texts;
    uint32_t textBytes = 0;
};

// Every allocation is bounded by the file: the macros and the text block by its size, which
// is checked against the header first, and the texts by the text block.
LoadFault ReadProfile(const std::filesystem::path& path, StagedProfile& out, int& error) {
    if (!Exists(path))
        return LoadFault::Missing;
    InputFile file(path);
    const int64_t fileSize = file.IsOpen() ? file.Size() : -1;
    if (fileSize < 0) {
        error = file.Error();
        return LoadFault::CannotOpen;
    }

    out.image.reset(new (std::nothrow) ProfileImage);
    if (!out.image)
        return LoadFault::NoMemory;
    if (!file.Read(out.image.get(), sizeof(ProfileImage)))
        return LoadFault::Short;
    const ProfileFileHeader& header = out.image->header;
    if (header.macroCount > kMaxFileMacros)
        return LoadFault::MacroCount;
    const uint64_t needed = TotalFileSize(header.macroCount, header.textBytes);
    if (static_cast<uint64_t>(fileSize) < needed ||
        static_cast<uint64_t>(fileSize) < header.totalSize)
        return LoadFault::Short;

    out.macroCount = header.macroCount;
    if (out.macroCount != 0) {
        out.macros.reset(new (std::nothrow) macros::MacroRecord[out.macroCount]);
        if (!out.macros)
            return LoadFault::NoMemory;
        if (!file.Read(out.macros.get(), size_t{out.macroCount} * sizeof(macros::MacroRecord)))
            return LoadFault::Short;
        for (uint16_t i = 0; i < out.macroCount; ++i) {
            macros::MacroRecord& m = out.macros[i];
            if (m.actionCount > macros::kMaxActions)
                return LoadFault::ActionCount;
            m.name[macros::kNameUnits - 1] = 0; // a name always ends inside its field
        }
    }

    const uint32_t blockBytes = header.textBytes;
    std::unique_ptr<uint8_t[]> block;
    if (blockBytes != 0) {
        block.reset(new (std::nothrow) uint8_t[blockBytes]);
        if (!block)
            return LoadFault::NoMemory;
        if (!file.Read(block.get(), blockBytes))
            return LoadFault::Short;
    }

    out.texts.reset(new (std::nothrow) TextTable{});
    if (!out.texts)
        return LoadFault::NoMemory;
    out.textBytes = 0;
    for (uint32_t n = 0; n < kKeyEntryCount; ++n) {
        const keys::KeyEntry& entry = EntryAt(*out.image, n);
        if (!CarriesText(entry))
            continue;
        const uint32_t start = entry.value & ~1u;
        if (start >= blockBytes)
            return LoadFault::TextOffset;
        uint32_t end = start;
        while (end + 1 < blockBytes && (block[end] != 0 || block[end + 1] != 0))
            end += 2;
        if (end + 1 >= blockBytes)
            return LoadFault::TextUnterminated;
        const uint32_t units = (end - start) / 2;
        // Entries that share a text (or start inside another's) would each get a copy: a
        // small file could fill the memory. A written file holds every text once.
        if (uint64_t{out.textBytes} + (uint64_t{units} + 1) * 2 > blockBytes)
            return LoadFault::TextsOverlap;
        TextSlot& slot = out.texts->entries[n];
        slot.text.reset(new (std::nothrow) char16_t[units + 1]);
        if (!slot.text)
            return LoadFault::NoMemory;
        std::memcpy(slot.text.get(), block.get() + start, size_t{units} * 2);
        slot.text[units] = 0;
        slot.length = (units + 1) * 2;
        out.textBytes += slot.length;
    }
    return LoadFault::None;
}

} // namespace

HeaderFault CheckFileHeader(const ProfileFileHeader& h) {
    if (h.magic != kFileMagic)
        return HeaderFault::Magic;
    if (h.headerSize != kFileHeaderSize)
        return HeaderFault::HeaderSize;
    if (h.fixed4 != kFileFixed4)
        return HeaderFault::Fixed4;
    if (h.fixed6 != kFileFixed6)
        return HeaderFault::Fixed6;
    if (h.totalSize < kImageSize)
        return HeaderFault::TotalTooSmall;
    if (h.keyEntryCount != kKeyEntryCount)
        return HeaderFault::KeyEntryCount;
    if (h.macroCount > kMaxFileMacros)
        return HeaderFault::MacroCount;
    if (h.flag > 1)
        return HeaderFault::Flag;
    if (h.totalSize != TotalFileSize(h.macroCount, h.textBytes))
        return HeaderFault::TotalMismatch;
    if (h.checksum != HeaderChecksum(h))
        return HeaderFault::Checksum;
    return HeaderFault::None;
}

std::string_view DescribeHeaderFault(HeaderFault fault) {
    switch (fault) {
    case HeaderFault::None:
        return "valid";
    case HeaderFault::Magic:
        return "not a profile file (wrong magic number)";
    case HeaderFault::HeaderSize:
        return "wrong header size";
    case HeaderFault::Fixed4:
    case HeaderFault::Fixed6:
        return "unknown file version";
    case HeaderFault::TotalTooSmall:
        return "total size smaller than the profile image";
    case HeaderFault::KeyEntryCount:
        return "wrong number of key entries";
    case HeaderFault::MacroCount:
        return "more than 100 macros";
    case HeaderFault::Flag:
        return "unknown flag value";
    case HeaderFault::TotalMismatch:
        return "total size does not match the macros and texts";
    case HeaderFault::Checksum:
        return "header checksum mismatch";
    }
    return "unknown fault";
}

std::string_view DescribeLoadFault(LoadFault fault) {
    switch (fault) {
    case LoadFault::None:
        return "loaded";
    case LoadFault::Missing:
        return "file not found";
    case LoadFault::CannotOpen:
        return "file cannot be opened";
    case LoadFault::Short:
        return "file shorter than its header says";
    case LoadFault::MacroCount:
        return "more than 100 macros";
    case LoadFault::ActionCount:
        return "a macro with more than 2000 actions";
    case LoadFault::TextOffset:
        return "a text offset outside the text block";
    case LoadFault::TextUnterminated:
        return "a text not terminated inside the text block";
    case LoadFault::TextsOverlap:
        return "texts adding up to more than the text block (entries share a text)";
    case LoadFault::NoMemory:
        return "out of memory";
    }
    return "unknown fault";
}

int ValidateProfileFile(const std::filesystem::path& path, ui::Prompts& prompts, HeaderFault* fault,
                        int* error) {
    if (fault)
        *fault = HeaderFault::None;
    if (error)
        *error = 0;
    if (!Exists(path))
        return 0;
    // Reading needs no write access: a read-only profile is still a valid one.
    InputFile file(path);
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0) {
        if (error)
            *error = file.Error();
        return kValidateCannotOpen;
    }
    if (size < static_cast<int64_t>(kImageSize) || (static_cast<uint64_t>(size) >> 32) != 0)
        return 0;
    // The checks look at the header alone, so only the header is read.
    ProfileFileHeader header{};
    if (!file.Read(&header, sizeof header))
        return 0;
    const HeaderFault found = CheckFileHeader(header);
    if (found == HeaderFault::None)
        return 1;
    if (fault)
        *fault = found;
    try {
        // A name that is not UTF-8 is shown with replacement characters, not refused.
        const std::u16string shown = ui::FromUtf8(path.native());
        prompts.Inform(ui::FormatText(ui::TextOf(ui::TextKey::PROFILE_FORMAT_ERROR),
                                      {std::u16string_view(shown)}),
                       ui::MessageKind::Plain);
    } catch (const std::bad_alloc&) {
        return kValidateNoMemory;
    }
    return 0;
}

int LoadProfileFile(const std::filesystem::path& path, LoadFault* fault, int* error) {
    StagedProfile staged;
    int openError = 0;
    const LoadFault found = ReadProfile(path, staged, openError);
    if (fault)
        *fault = found;
    if (error)
        *error = openError;
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    if (found != LoadFault::None) {
        if (!store.image)
            CreateDefaultProfile({}, 0, true);
        return 0;
    }
    ReleaseProfileStore();
    store.image = std::move(staged.image);
    store.macros = std::move(staged.macros);
    store.macroCount = staged.macroCount;
    if (store.texts) {
        store.texts->entries.swap(staged.texts->entries);
    } else {
        store.texts = std::move(staged.texts);
    }
    store.textBytes = staged.textBytes;
    return 1;
}

bool FileHoldsStore(const std::filesystem::path& path) {
    StagedProfile staged;
    int error = 0;
    if (ReadProfile(path, staged, error) != LoadFault::None)
        return false;
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    if (!store.image ||
        std::memcmp(staged.image.get(), store.image.get(), sizeof(ProfileImage)) != 0 ||
        staged.macroCount != store.macroCount ||
        (store.macroCount != 0 &&
         std::memcmp(staged.macros.get(), store.macros.get(),
                     size_t{store.macroCount} * sizeof(macros::MacroRecord)) != 0))
        return false;
    for (uint32_t n = 0; n < kKeyEntryCount; ++n) {
        const std::u16string_view stored =
            store.texts ? store.texts->entries[n].View() : std::u16string_view{};
        if (staged.texts->entries[n].View() != stored)
            return false;
    }
    return true;
}

int ReplaceStoreFromFile(const std::filesystem::path& path) {
    std::lock_guard lock(GetProfileStore().lock);
    ReleaseProfileStore();
    return LoadProfileFile(path);
}

TextBlock PackTextBlock() {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    TextBlock out;
    if (!store.image || !store.texts)
        return out;
    // Only entries that carry a text count; a kind-3 or kind-6 entry whose slot is empty
    // gets an empty text, so that the file it goes into always loads back.
    auto bytesOf = [](const TextSlot& slot) { return std::max<uint32_t>(slot.length, 2); };
    uint64_t total = 0;
    for (uint32_t n = 0; n < kKeyEntryCount; ++n) {
        if (CarriesText(EntryAt(*store.image, n)))
            total += bytesOf(store.texts->entries[n]);
    }
    if (total > UINT32_MAX - TotalFileSize(kMaxFileMacros, 0))
        return out; // no file could hold it
    if (total != 0) {
        out.bytes.reset(new (std::nothrow) uint8_t[total]());
        if (!out.bytes)
            return out;
    }
    uint32_t offset = 0;
    for (uint32_t n = 0; n < kKeyEntryCount; ++n) {
        keys::KeyEntry& entry = EntryAt(*store.image, n);
        if (!CarriesText(entry))
            continue;
        const TextSlot& slot = store.texts->entries[n];
        if (slot.length >= 2)
            std::memcpy(out.bytes.get() + offset, slot.text.get(), slot.length);
        entry.value = offset;
        offset += bytesOf(slot);
    }
    out.size = offset;
    out.ok = true;
    return out;
}

int SaveProfileFile(bool takeLock, const std::filesystem::path& path, int* error) {
    ProfileStore& store = GetProfileStore();
    std::unique_lock lock(store.lock, std::defer_lock);
    if (takeLock)
        lock.lock();
    if (error)
        *error = ENOMEM; // a store without an image, or texts that cannot be packed
    if (!store.image)
        return 0;
    TextBlock texts = PackTextBlock();
    if (!texts.ok)
        return 0;
    BuildFileHeader(*store.image, store.macroCount, texts.size, 0);
    const auto* image = reinterpret_cast<const uint8_t*>(store.image.get());
    const auto* records = reinterpret_cast<const uint8_t*>(store.macros.get());
    return WriteFileAtomically(
        path,
        {std::span(image, sizeof(ProfileImage)),
         std::span(records, size_t{store.macroCount} * sizeof(macros::MacroRecord)),
         std::span<const uint8_t>(texts.bytes.get(), texts.size)},
        error);
}

int SaveProfileSnapshot(bool takeLock) {
    const std::filesystem::path path = SnapshotPath(CachedCurrentProfile());
    if (!Exists(path))
        return 0;
    return SaveProfileFile(takeLock, path);
}

int PrepareDownloadCopy(bool allProfiles, ui::Prompts& prompts, macros::DownloadReport* report) {
    if (report) {
        *report = macros::DownloadReport{};
        report->held = macros::DownloadReport::Held::NoMemory; // until the download tells
    }
    ProfileStore& store = GetProfileStore();
    std::lock_guard storeLock(store.lock);
    DownloadCopy& copy = GetDownloadCopy();
    std::lock_guard copyLock(copy.lock);
    ReleaseDownloadCopy();
    if (!store.image)
        return 0;

    TextBlock texts = PackTextBlock();
    if (!texts.ok)
        return 0;

    copy.image.reset(new (std::nothrow) ProfileImage);
    if (!copy.image)
        return 0;
    std::memcpy(copy.image.get(), store.image.get(), sizeof(ProfileImage));
    BuildFileHeader(*copy.image, store.macroCount, texts.size, 0);

    if (store.macroCount != 0) {
        copy.macros.reset(new (std::nothrow) macros::MacroRecord[store.macroCount]);
        if (!copy.macros) {
            ReleaseDownloadCopy();
            return 0;
        }
        std::memcpy(copy.macros.get(), store.macros.get(),
                    size_t{store.macroCount} * sizeof(macros::MacroRecord));
    }
    copy.macroCount = store.macroCount;
    copy.textBlock = std::move(texts.bytes);
    copy.textBytes = texts.size;
    copy.defaultLayout = store.defaultLayout;
    try {
        return macros::DownloadToKeyboard(allProfiles, prompts, report);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

} // namespace profiles
