// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-sim as a program: usage errors, publishing the link, answering on it, and cleaning up
// on SIGTERM.

#include "SimCommandLine.h"
#include "SimLine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using Bytes = std::vector<uint8_t>;

namespace {

// The program is built beside the tests: <build>/tests/<test> and <build>/src/sim/t7310-sim.
std::string ProgramPath() {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? size_t(n) : 0);
    return path.substr(0, path.rfind('/')) + "/../src/sim/t7310-sim";
}

struct Running {
    pid_t pid = -1;
    int out = -1; // the program's stdout
    int err = -1;
    ~Running() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            close(out);
        if (err >= 0)
            close(err);
    }
    // Reads the program's output until it holds a full line or the stream ends.
    std::string Line(int fd, int ms) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (text.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char c;
            if (read(fd, &c, 1) != 1)
                break;
            text += c;
        }
        return text.substr(0, text.find('\n'));
    }
    // Exit status, waiting at most ms; -1 when it did not end.
    int Wait(int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            pollfd p{err, POLLIN, 0};
            poll(&p, 1, 20);
        }
        return -1;
    }
};

std::unique_ptr<Running> Spawn(const std::vector<std::string>& args) {
    auto running = std::make_unique<Running>();
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return running;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const std::string program = ProgramPath();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn(&running->pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    running->out = out[0];
    running->err = err[0];
    return running;
}

} // namespace

TEST(SimulatorProgram, UsageErrorsExitWithTwo) {
    ASSERT_EQ(access(ProgramPath().c_str(), X_OK), 0) << "build t7310-sim first";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--model", "T9000", "--link", "/tmp/x"},
        {"--link", "/tmp/x", "--node", "99"},
        {"--link", "/tmp/x", "--node", "seven"},
        {"--link", "/tmp/x", "--fault", "A4:sometimes"},
        {"--link", "/tmp/x", "--fault", "zz:nack"},
        {"--link", "/tmp/x", "--fault", "1A4:nack"},
        {"--link", "/tmp/x", "--fault", "A4"},
        {"--link", "/tmp/x", "--speed", "fast"},
        {"--link", "/tmp/x", "--pace", "--baud", "fast"},
        {"--link", "/tmp/x", "--pace", "--baud", "50"},
        {"--link", "/tmp/x", "--reply-delay", "-5"},
        {"--link"},
        {"--link", "/tmp/x", "--gauge", "model=T8310"},
        {"--link", "/tmp/x", "--gauge", "node=99"},
        {"--link", "/tmp/x", "--gauge", "node=1,colour=red"},
        {"--link", "/tmp/x", "--gauge", "node=1,model"},
        {"--link", "/tmp/x", "--gauge", "node=1,fault=A4"},
        {"--link", "/tmp/x", "--gauge", "node=1,fault=A4:sometimes"},
        {"--link", "/tmp/x", "--node", "1", "--gauge", "node=2"},
    };
    for (const auto& args : cases) {
        auto program = Spawn(args);
        EXPECT_EQ(program->Wait(5000), 2) << testing::PrintToString(args);
        EXPECT_NE(program->Line(program->err, 1000).find("t7310-sim:"), std::string::npos);
        EXPECT_EQ(program->Line(program->err, 1000).find("usage: t7310-sim --link PATH"), 0u);
    }
}

TEST(SimulatorProgram, ServesTheLinkUntilTerminated) {
    ASSERT_EQ(access(ProgramPath().c_str(), X_OK), 0) << "build t7310-sim first";
    QTemporaryDir dir;
    const std::string link = dir.filePath("gauge").toStdString();
    auto program = Spawn({"--link", link, "--model", "PRM8310", "--firmware", "3.01", "--pcid", "7",
                          "--node", "3", "--fault", "0x14:nack", "--fault", "A6:noreply"});
    const std::string slave = program->Line(program->out, 5000);
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(slave, target);

    simtest::Line line(link);
    Bytes identity(15, 0);
    std::copy_n("PRM8310 3.01?7", 14, identity.begin());
    EXPECT_EQ(line.Exchange(0xDF, {3}).payload(), identity);
    EXPECT_EQ(line.Exchange(0x14, {3}).flags & 0x01, 0) << "--fault 0x14:nack";
    EXPECT_FALSE(line.Exchange(0xA6, {3}, 300).complete) << "--fault A6:noreply";
    EXPECT_EQ(line.Exchange(0x1B, {3}).data, (Bytes{3, 3}));

    kill(program->pid, SIGTERM);
    EXPECT_EQ(program->Wait(5000), 0);
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "the link is removed";
}

TEST(SimulatorProgram, LoadsAnImageOrSaysWhyNot) {
    ASSERT_EQ(access(ProgramPath().c_str(), X_OK), 0) << "build t7310-sim first";
    QTemporaryDir dir;
    const std::string link = dir.filePath("gauge").toStdString();
    const std::string image = dir.filePath("short.TLS").toStdString();
    std::ofstream(image, std::ios::binary).write("\2\0\0\0", 4);
    auto refused = Spawn({"--link", link, "--image", image});
    EXPECT_EQ(refused->Wait(5000), 1);
    EXPECT_NE(refused->Line(refused->err, 1000).find("needs 900 bytes"), std::string::npos);
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "no link for a gauge that never ran";

    std::string file(900, '\0');
    file[0] = 2;
    file.replace(52, 8, "FROMFILE");
    std::ofstream(image, std::ios::binary | std::ios::trunc).write(file.data(), 900);
    auto loaded = Spawn({"--link", link, "--image", image, "--node", "1"});
    ASSERT_FALSE(loaded->Line(loaded->out, 5000).empty());
    simtest::Line line(link);
    Bytes name(13, 0);
    std::copy_n("FROMFILE", 8, name.begin());
    EXPECT_EQ(line.Exchange(0x15, {1}).payload(), name);
}

TEST(SimulatorProgram, ServesABusOfSeveralGauges) {
    ASSERT_EQ(access(ProgramPath().c_str(), X_OK), 0) << "build t7310-sim first";
    QTemporaryDir dir;
    const std::string link = dir.filePath("bus").toStdString();
    auto program = Spawn({"--link", link, "--gauge", "node=1,model=T8310", "--gauge",
                          "node=5,model=T7310,firmware=1.02,pcid=3"});
    ASSERT_EQ(program->Line(program->out, 5000).rfind("/dev/pts/", 0), 0u);
    EXPECT_EQ(program->Line(program->out, 1000), "T8310 2.10?5 node 1 on " + link);
    EXPECT_EQ(program->Line(program->out, 1000), "T7310 1.02?3 node 5 on " + link);

    // Each gauge answers its own node ID; a silent ID gets nothing.
    simtest::Line line(link);
    Bytes second(13, 0);
    std::copy_n("T7310 1.02?3", 12, second.begin());
    EXPECT_EQ(line.Exchange(0xDF, {5}).payload(), second);
    EXPECT_EQ(line.Exchange(0x1B, {1}).data, (Bytes{1, 1}));
    EXPECT_FALSE(line.Exchange(0xDF, {2}, 300).complete);
}

TEST(SimulatorProgram, AGaugesOwnFaultsAreItsAlone) {
    const sim::CommandLine line = sim::ParseCommandLine(
        {"--link", "/tmp/x", "--gauge", "node=1", "--gauge", "node=2,fault=A4:forget,fault=all:nack",
         "--fault", "16:noreply"});
    ASSERT_TRUE(line.ok) << line.error;
    ASSERT_EQ(line.gauges.size(), 2u);
    EXPECT_TRUE(line.gauges[0].faults.empty());
    const std::map<uint8_t, sim::Fault> own = {{0xA4, sim::Fault::Forget}, {0, sim::Fault::Nack}};
    EXPECT_EQ(line.gauges[1].faults, own);
    ASSERT_EQ(line.faults.size(), 1u) << "--fault stays the line's, for every gauge";
    EXPECT_EQ(line.faults[0].code, 0x16);
}
