#include "profiles/ProfileStore.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "profiles/AtomicFile.h"

namespace profiles {

ProfileStore& GetProfileStore() {
    static ProfileStore store;
    return store;
}

DownloadCopy& GetDownloadCopy() {
    static DownloadCopy copy;
    return copy;
}

int InitProfileStore() {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    ReleaseProfileStore();
    if (!store.texts) {
        store.texts.reset(new (std::nothrow) TextTable{});
        if (!store.texts)
            return 0;
    }
    store.textBytes = 0;
    return CreateDefaultProfile({}, 0, true);
}

void ReleaseProfileTexts() {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    if (store.texts) {
        for (TextSlot& slot : store.texts->entries) {
            slot.text.reset();
            slot.length = 0;
        }
    }
    store.textBytes = 0;
}

void ReleaseProfileMacros() {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    store.macros.reset();
    store.macroCount = 0;
}

void ReleaseProfileImage() {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    store.image.reset();
}

void ReleaseProfileStore() {
    std::lock_guard lock(GetProfileStore().lock);
    ReleaseProfileTexts();
    ReleaseProfileMacros();
    ReleaseProfileImage();
}

void ReleaseDownloadCopy() {
    DownloadCopy& copy = GetDownloadCopy();
    std::lock_guard lock(copy.lock);
    copy.textBlock.reset();
    copy.textBytes = 0;
    copy.macros.reset();
    copy.macroCount = 0;
    copy.image.reset();
}

int CreateDefaultProfile(const std::filesystem::path& path, uint8_t flag, bool inMemory,
                         int* error) {
    if (error)
        *error = ENOMEM;
    std::unique_ptr<ProfileImage> image(new (std::nothrow) ProfileImage);
    if (!image)
        return 0;
    BuildDefaultImage(*image, flag);
    if (inMemory) {
        ProfileStore& store = GetProfileStore();
        std::lock_guard lock(store.lock);
        store.image = std::move(image);
        return 1;
    }
    return WriteFileAtomically(
        path, {std::span(reinterpret_cast<const uint8_t*>(image.get()), sizeof(ProfileImage))},
        error);
}

int ResetStoreToDefault() {
    std::lock_guard lock(GetProfileStore().lock);
    ReleaseProfileStore();
    return CreateDefaultProfile({}, 0, true);
}

int SetEntryText(uint32_t globalEntry, std::u16string_view text) {
    ProfileStore& store = GetProfileStore();
    std::lock_guard lock(store.lock);
    if (!store.texts || globalEntry >= kKeyEntryCount)
        return 0;
    text = text.substr(0, text.find(u'\0')); // a stored text ends at its first NUL
    TextSlot& slot = store.texts->entries[globalEntry];
    std::unique_ptr<char16_t[]> copy;
    uint32_t length = 0;
    if (!text.empty()) {
        copy.reset(new (std::nothrow) char16_t[text.size() + 1]);
        if (!copy)
            return 0;
        std::memcpy(copy.get(), text.data(), text.size() * sizeof(char16_t));
        copy[text.size()] = 0;
        length = static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
    }
    store.textBytes -= slot.length;
    slot.text = std::move(copy);
    slot.length = length;
    store.textBytes += length;
    return 1;
}

} // namespace profiles
