// What saving a profile does to the file it is aimed at: only a regular file that the user
// may write is replaced, it keeps its owner and mode, and a link is written through.
// Permission checks do not apply to root: those cases run in a child process that gave
// root up.

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "profiles/AtomicFile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileStore.h"
#include "support/StoreFixture.h"

using namespace profiles;

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// The failures a check run found, one a line.
struct Findings {
    std::string text;
    void Check(bool ok, const std::string& what) {
        if (!ok)
            text += what + "\n";
    }
};

// Runs body as an unprivileged user: in this process when it is not root, else in a child
// that gave root up. Nothing when root cannot be given up here.
std::optional<std::string> RunUnprivileged(const std::function<void(Findings&)>& body) {
    Findings findings;
    if (::geteuid() != 0) {
        body(findings);
        return findings.text;
    }
    int pipe[2];
    if (::pipe(pipe) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        body(findings);
        const std::string& out = findings.text;
        for (size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(pipe[1], out.data() + done, out.size() - done);
            if (n <= 0)
                ::_exit(3);
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipe[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    if (WEXITSTATUS(status) != 0)
        text += "the child ended with " + std::to_string(WEXITSTATUS(status)) + "\n";
    return text;
}

struct stat StatOf(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

} // namespace

class WriteTarget : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        // An unprivileged user may create files here.
        ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    }
    // The change every save below carries, and whether a file holds it.
    static void Change() { Entry(0, 0x1E) = {.kind = 2, .value = 0x30}; }
    static bool HoldsTheChange(const std::filesystem::path& file) {
        ResetStoreToDefault();
        const bool held = LoadProfileFile(file) == 1 && Entry(0, 0x1E).value == 0x30u;
        Change();
        return held;
    }
    void ExpectNoTemporaryFile() const {
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }
};

TEST_F(WriteTarget, OnlyARegularFileTheUserMayWriteIsReplaced) {
    ASSERT_EQ(SaveProfileFile(true, File("ro.bvx")), 1);
    ASSERT_EQ(::chmod(File("ro.bvx").c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(File("ro.bvx").c_str(), kNobody, kNogroup), 0);
    }
    const auto readOnly = ReadBytes(File("ro.bvx"));
    ASSERT_EQ(::mkfifo(File("pipe.bvx").c_str(), 0666), 0);
    // A device node of its own where one can be made, else a link to the null device.
    const bool node = ::mknod(File("device.bvx").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    if (!node)
        std::filesystem::create_symlink("/dev/null", File("device.bvx"));
    std::filesystem::create_directory(File("folder.bvx"));
    std::filesystem::create_symlink("made.bvx", File("dangling.bvx"));
    Change();

    const auto found = RunUnprivileged([&](Findings& f) {
        struct Case {
            const char* name;
            int error;
        };
        for (Case c : {Case{"ro.bvx", EACCES}, Case{"pipe.bvx", kNotRegularFile},
                       Case{"device.bvx", kNotRegularFile}, Case{"folder.bvx", EISDIR}}) {
            int error = 0;
            f.Check(SaveProfileFile(true, File(c.name), &error) == 0,
                    std::string(c.name) + " was written");
            f.Check(error == c.error, std::string(c.name) + ": " + DescribeFileError(error));
            error = 0;
            f.Check(CreateDefaultProfile(File(c.name), 0, false, &error) == 0,
                    std::string(c.name) + " was made a default profile");
            f.Check(error == c.error, std::string(c.name) + ": " + DescribeFileError(error));
        }
        f.Check(DescribeFileError(EACCES) == "Permission denied", DescribeFileError(EACCES));
        f.Check(SaveProfileFile(true, File("dangling.bvx")) == 1, "dangling link not written");
    });
    if (!found)
        GTEST_SKIP() << "root cannot be given up here: the permission checks are not tried";
    EXPECT_EQ(*found, "");

    EXPECT_EQ(ReadBytes(File("ro.bvx")), readOnly);
    EXPECT_EQ(StatOf(File("ro.bvx")).st_mode & 07777, 0444u);
    EXPECT_TRUE(S_ISFIFO(StatOf(File("pipe.bvx")).st_mode));
    if (node) {
        EXPECT_TRUE(S_ISCHR(StatOf(File("device.bvx")).st_mode));
    }
    EXPECT_TRUE(S_ISCHR(StatOf("/dev/null").st_mode));
    EXPECT_TRUE(std::filesystem::is_empty(File("folder.bvx")));
    // The link stays and names the file it made.
    EXPECT_TRUE(S_ISLNK(StatOf(File("dangling.bvx")).st_mode));
    EXPECT_TRUE(S_ISREG(StatOf(File("made.bvx")).st_mode));
    EXPECT_TRUE(HoldsTheChange(File("made.bvx")));
    ExpectNoTemporaryFile();
}

TEST_F(WriteTarget, AnotherUsersFileKeepsItsOwnerAndMode) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of another owner";
    // One in a folder the user may write, one in a folder it may not: both are rewritten
    // and stay root's.
    ASSERT_EQ(SaveProfileFile(true, File("shared.bvx")), 1);
    std::filesystem::create_directory(File("locked"));
    ASSERT_EQ(::chmod(File("locked").c_str(), 0755), 0);
    ASSERT_EQ(SaveProfileFile(true, File("locked") / "inner.bvx"), 1);
    for (const auto& file : {File("shared.bvx"), File("locked") / "inner.bvx"})
        ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    Change();

    const auto found = RunUnprivileged([&](Findings& f) {
        for (const auto& file : {File("shared.bvx"), File("locked") / "inner.bvx"}) {
            int error = 0;
            f.Check(SaveProfileFile(true, file, &error) == 1,
                    file.string() + ": " + DescribeFileError(error));
        }
    });
    if (!found)
        GTEST_SKIP() << "root cannot be given up here: the permission checks are not tried";
    EXPECT_EQ(*found, "");
    for (const auto& file : {File("shared.bvx"), File("locked") / "inner.bvx"}) {
        const struct stat st = StatOf(file);
        EXPECT_EQ(st.st_uid, 0u) << file;
        EXPECT_EQ(st.st_gid, 0u) << file;
        EXPECT_EQ(st.st_mode & 07777, 0666u) << file;
        EXPECT_TRUE(HoldsTheChange(file)) << file;
    }
    ExpectNoTemporaryFile();
}

TEST_F(WriteTarget, RootKeepsTheOwnerOfAUsersFileAndLeavesPipesAndDevices) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "shows what root does; not run as root";
    ASSERT_EQ(SaveProfileFile(true, File("user.bvx")), 1);
    ASSERT_EQ(::chown(File("user.bvx").c_str(), kNobody, kNogroup), 0);
    ASSERT_EQ(::chmod(File("user.bvx").c_str(), 0640), 0);
    ASSERT_EQ(::mkfifo(File("pipe.bvx").c_str(), 0600), 0);
    Change();

    ASSERT_EQ(SaveProfileFile(true, File("user.bvx")), 1);
    const struct stat st = StatOf(File("user.bvx"));
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNogroup);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(HoldsTheChange(File("user.bvx")));

    int error = 0;
    EXPECT_EQ(CreateDefaultProfile(File("pipe.bvx"), 0, false, &error), 0);
    EXPECT_EQ(error, kNotRegularFile);
    EXPECT_TRUE(S_ISFIFO(StatOf(File("pipe.bvx")).st_mode));
    ExpectNoTemporaryFile();

    // Only a node of its own: a regression must not replace the system's null device.
    if (::mknod(File("null.bvx").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "no device node can be made here (" << DescribeFileError(errno)
                     << "): root's device case is not tried";
    EXPECT_EQ(CreateDefaultProfile(File("null.bvx"), 0, false, &error), 0);
    EXPECT_EQ(error, kNotRegularFile);
    EXPECT_TRUE(S_ISCHR(StatOf(File("null.bvx")).st_mode));
    ExpectNoTemporaryFile();
}
