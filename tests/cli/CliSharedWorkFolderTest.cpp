// Two runs of the real orvanta-cli at the same time on one work folder named by the user, which also
// holds files of the user's own.

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string_view>
#include <thread>

extern char** environ;

namespace Orvanta::CliTest {
namespace {

namespace fs = std::filesystem;
using TestSupport::FolderSnapshot;
using TestSupport::ProjectBuilder;
using TestSupport::TakeFolderSnapshot;
using Bytes = std::vector<std::uint8_t>;

// Bounds that only keep a broken run from hanging the test; nothing depends on how long a run takes.
constexpr auto kRunBound = std::chrono::seconds(60);
constexpr auto kImportBound = std::chrono::seconds(20);

// A run of orvanta-cli whose standard output is a pipe that is full before the run starts: the run
// stops at its first write there (the script's "print") until the test drains the pipe.
class HeldRun {
public:
    HeldRun(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& errFile) {
        int fds[2] = {-1, -1};
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        m_out = fds[0];
        Fill(fds[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> argStrings{ORVANTA_CLI_PATH};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : argStrings) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> envStrings;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::string_view(*entry).rfind("ORVANTA_WORK_FOLDER=", 0) != 0) {
                envStrings.emplace_back(*entry);
            }
        }
        envStrings.insert(envStrings.end(), environment.begin(), environment.end());
        std::vector<char*> envp;
        for (std::string& entry : envStrings) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
    }
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;
    ~HeldRun() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) {
            ::close(m_out);
        }
    }

    [[nodiscard]] bool Started() const { return m_pid > 0 && m_out >= 0; }

    // Lets the run go on: drains its output to the end, then waits for it. The exit status, or -1
    // when the run did not end within the bound (it is then killed).
    int Release() {
        const auto deadline = std::chrono::steady_clock::now() + kRunBound;
        char buffer[65536];
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd entry{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
                return -1; // the destructor kills it
            }
            const ssize_t got = ::read(m_out, buffer, sizeof buffer);
            if (got == 0) {
                break;
            }
            if (got < 0 && errno != EINTR) {
                return -1;
            }
        }
        int raw = 0;
        const pid_t ended = ::waitpid(m_pid, &raw, 0);
        m_pid = -1;
        return ended > 0 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

private:
    // Fills the pipe to the last byte, then makes writes to it block again.
    static void Fill(int fd) {
        const int flags = ::fcntl(fd, F_GETFL);
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        const std::vector<char> chunk(4096, '.');
        while (::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        while (::write(fd, chunk.data(), 1) > 0) {
        }
        ::fcntl(fd, F_SETFL, flags);
    }

    pid_t m_pid = -1;
    int m_out = -1;
};

// Regular files below `folder` other than those in `known`, by path relative to `folder`.
std::vector<std::string> NewFiles(const std::string& folder, const FolderSnapshot& known) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string relative = fs::relative(it->path(), folder).generic_string();
        if (it->is_regular_file() && known.count(relative) == 0) {
            found.push_back(relative);
        }
    }
    return found;
}

TEST(CliSharedWorkFolderTest, TwoRunsAtOnceKeepTheirOwnCopiesAndTheUsersFiles) {
    TestSupport::TempFolder temp;
    const std::string work = temp / "work";
    fs::create_directories(work + "/Wave");
    fs::permissions(work, fs::perms::owner_all);
    ProjectBuilder::WriteBytes(work + "/song.wav", {1, 2, 3});
    ProjectBuilder::WriteBytes(work + "/photo.webp", {4, 5});
    ProjectBuilder::WriteBytes(work + "/take1.aiff", {6});
    ProjectBuilder::WriteBytes(work + "/000 Kick.wav", {7, 7, 7});
    ProjectBuilder::WriteBytes(work + "/Wave/001 Kick.wav", {8, 9});
    const FolderSnapshot before = TakeFolderSnapshot(work);

    // Two sounds with the same file name and different bytes, each for its own project.
    const Bytes kicks[2] = {Bytes(300, 0x11), Bytes(500, 0x22)};
    std::vector<std::unique_ptr<HeldRun>> runs;
    for (const int i : {0, 1}) {
        const std::string side = temp / (i == 0 ? "a" : "b");
        fs::create_directory(side);
        ProjectBuilder::WriteBytes(side + "/Kick.wav", kicks[i]);
        ProjectBuilder project(side + "/", "P.prj");
        project.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(1));
        project.AddWave("001 Saw.wav", 100);
        WriteText(side + "/script.orv",
                  "open P " + project.Path() + "\nimport P " + side + "/Kick.wav\nprint P\nsave P\n");
        runs.push_back(std::make_unique<HeldRun>(std::vector<std::string>{"run", side + "/script.orv"},
                                                 std::vector<std::string>{"ORVANTA_WORK_FOLDER=" + work},
                                                 side + "/err"));
        ASSERT_TRUE(runs.back()->Started());
    }

    // Both runs have imported (each made its own work copy) and wait before saving.
    const auto deadline = std::chrono::steady_clock::now() + kImportBound;
    while (NewFiles(work, before).size() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(NewFiles(work, before).size(), 2U);

    // One saves and exits while the other still holds its copy; then the other.
    for (const int i : {0, 1}) {
        const std::string side = temp / (i == 0 ? "a" : "b");
        const int status = runs[static_cast<std::size_t>(i)]->Release();
        const Bytes errBytes = ReadBytes(side + "/err");
        const std::string err(errBytes.begin(), errBytes.end());
        EXPECT_EQ(status, 0) << err;
        EXPECT_EQ(err, "");
        EXPECT_EQ(FileNames(side + "/P.prj/Wave"), (std::vector<std::string>{"001 Saw.wav", "002 Kick.wav"}));
        EXPECT_EQ(ReadBytes(side + "/P.prj/Wave/002 Kick.wav"), kicks[i]) << side;
        EXPECT_EQ(ReadBytes(side + "/Kick.wav"), kicks[i]);
    }
    // The user's files are all there with their bytes, and the runs left nothing behind.
    EXPECT_EQ(TakeFolderSnapshot(work), before);
}

} // namespace
} // namespace Orvanta::CliTest
