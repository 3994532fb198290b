#include "ui/IniFile.h"

#include "ui/IniDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace ui {

namespace {

// What identifies one version of a file: a write through any program changes its size,
// modification or change time, and a replaced file has a new inode.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0;
    long long changed = 0;
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
                     st.st_ctim.tv_sec * 1'000'000'000LL + st.st_ctim.tv_nsec};
}

std::optional<std::string> ReadWhole(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes beside the file and renames over it, so that a reader never sees half a file and a
// failed write leaves the old file whole.
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes, mode_t mode) {
    std::filesystem::path temp = file;
    temp += ".XXXXXX";
    std::string name = temp.native();
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(name.c_str(), file.c_str()) == 0) {
        return true;
    }
    ::unlink(name.c_str());
    return false;
}

long long NowNs() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

// The mode a new file gets from the process's umask, read without changing it.
mode_t NewFileMode() {
    mode_t mask = 022;
    if (std::optional<std::string> status = ReadWhole("/proc/self/status")) {
        size_t at = status->find("Umask:");
        if (at != std::string::npos) {
            mask = static_cast<mode_t>(std::strtoul(status->c_str() + at + 6, nullptr, 8));
        }
    }
    return 0666 & ~mask;
}

// Parsed files by path. A file whose stamp is unchanged is trusted, except while its
// modification time lies so close to the moment it was read that a second write within the
// file system's time granularity could have kept the stamp: such a file is compared byte for
// byte with what was parsed until that window has passed.
class IniCache {
public:
    std::shared_ptr<const IniDocument> Get(const std::filesystem::path& file) {
        long long now = NowNs();
        std::optional<FileStamp> stamp = StampOf(file);
        if (!stamp) {
            return nullptr;
        }
        std::string key = file.lexically_normal().native();
        std::shared_ptr<const Entry> known;
        {
            std::lock_guard lock(mutex_);
            auto it = entries_.find(key);
            if (it != entries_.end() && it->second->stamp == *stamp) {
                known = it->second;
            }
        }
        if (known && stamp->modified < known->verifiedAt - kRacyWindowNs) {
            return known->doc;
        }
        std::optional<std::string> bytes = ReadWhole(file);
        if (!bytes) {
            return nullptr;
        }
        std::shared_ptr<const IniDocument> doc =
            known && known->bytes == *bytes
                ? known->doc
                : std::make_shared<const IniDocument>(IniDocument::Parse(*bytes));
        Put(key, *stamp, std::move(*bytes), doc, now);
        return doc;
    }

    void Put(const std::string& key, const FileStamp& stamp, std::string bytes,
             std::shared_ptr<const IniDocument> doc, long long verifiedAt) {
        auto entry = std::make_shared<const Entry>(
            Entry{stamp, verifiedAt, std::move(bytes), std::move(doc)});
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kMaxFiles && entries_.find(key) == entries_.end()) {
            entries_.clear();
        }
        entries_[key] = std::move(entry);
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

    std::mutex& WriteMutex() { return writeMutex_; }

private:
    static constexpr size_t kMaxFiles = 64;
    static constexpr long long kRacyWindowNs = 2'000'000'000LL; // coarsest: 2 s on FAT
    struct Entry {
        FileStamp stamp;
        long long verifiedAt; // the file held these bytes at this time or later
        std::string bytes;
        std::shared_ptr<const IniDocument> doc;
    };
    std::mutex mutex_;
    std::mutex writeMutex_;
    std::map<std::string, std::shared_ptr<const Entry>> entries_;
};

IniCache& Cache() {
    static IniCache cache;
    return cache;
}

bool HasLineBreak(std::u16string_view text) {
    return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

std::u16string CutToBuffer(std::u16string_view text, size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    if (text.size() > bufferSize - 1) {
        text = text.substr(0, bufferSize - 1);
        // Never leave half of a surrogate pair at the end.
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
            text.remove_suffix(1);
        }
    }
    return std::u16string(text);
}

} // namespace

std::optional<std::u16string> FindPrivateProfileString(std::u16string_view section,
                                                       std::u16string_view key, size_t bufferSize,
                                                       const std::filesystem::path& file) {
    if (std::shared_ptr<const IniDocument> doc = Cache().Get(file)) {
        if (const std::u16string* value = doc->Find(section, key)) {
            return CutToBuffer(*value, bufferSize);
        }
    }
    return std::nullopt;
}

std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, size_t bufferSize,
                                       const std::filesystem::path& file) {
    if (std::optional<std::u16string> value =
            FindPrivateProfileString(section, key, bufferSize, file)) {
        return std::move(*value);
    }
    while (!defaultValue.empty() && defaultValue.back() == u' ') {
        defaultValue.remove_suffix(1);
    }
    return CutToBuffer(defaultValue, bufferSize);
}

bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, const std::filesystem::path& file) {
    if (TrimIniBlanks(section).empty() || TrimIniBlanks(key).empty() || HasLineBreak(section) ||
        HasLineBreak(key) || HasLineBreak(value) ||
        section.find(u']') != std::u16string_view::npos ||
        key.find(u'=') != std::u16string_view::npos) {
        return false;
    }
    std::lock_guard lock(Cache().WriteMutex());
    std::error_code ec;
    // Write through a link to the file it names, not over the link.
    std::filesystem::path target =
        std::filesystem::exists(file, ec) ? std::filesystem::canonical(file, ec) : file;
    if (ec) {
        return false;
    }
    IniDocument doc;
    mode_t mode = 0;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return false;
        }
        std::optional<std::string> bytes = ReadWhole(target);
        if (!bytes) {
            return false;
        }
        doc = IniDocument::Parse(*bytes);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    } else {
        mode = NewFileMode();
    }
    doc.Set(section, key, value);
    std::string bytes = doc.Serialize();
    long long now = NowNs();
    if (!ReplaceFile(target, bytes, mode)) {
        return false;
    }
    if (std::optional<FileStamp> stamp = StampOf(target)) {
        Cache().Put(file.lexically_normal().native(), *stamp, std::move(bytes),
                    std::make_shared<const IniDocument>(std::move(doc)), now);
    }
    return true;
}

void ClearIniCache() {
    Cache().Clear();
}

CIniFile::CIniFile(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<std::u16string> CIniFile::Read(std::u16string_view section,
                                             std::u16string_view key) const {
    std::u16string value = GetPrivateProfileString(section, key, u"", kBufferSize, file_);
    if (value.empty()) {
        return std::nullopt;
    }
    return value;
}

bool CIniFile::Write(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) const {
    return WritePrivateProfileString(section, key, value, file_);
}

int LeadingInteger(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - u'0'), 1LL + INT_MAX);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace ui
