// SPDX-License-Identifier: GPL-3.0-or-later
// The connection doctor: what a user is told when the port will not open, for each reason,
// with the open failing through the port exactly as the platform would fail it.

#include "ConnectionDoctor.h"
#include "ScriptedBackend.h"
#include "Win32Port.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace porttest;

namespace {

// The advice the port's failed open leads to, as the window and t7310-cli ask for it.
std::string AdviceAfterFailedOpen(int systemError, const std::string& path) {
    auto backend = std::make_unique<ScriptedBackend>();
    backend->FailNextOpen(systemError);
    TWin32Port port(nullptr, std::move(backend));
    port.DevicePath = path;
    EXPECT_FALSE(port.Connect());
    return ConnectionAdvice(port.LastSystemError(), port.OpenedPath());
}

// A child process that holds the file open until it is killed.
class Holder {
public:
    explicit Holder(const std::string& path) {
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(path.c_str(), O_RDONLY);
            pause();
            _exit(fd < 0 ? 1 : 0);
        }
    }
    ~Holder() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition())
            return true;
        usleep(10'000);
    }
    return false;
}

TEST(ConnectionDoctor, SaysWhyAndWhatToDoForEachReason) {
    QTemporaryDir folder;
    const std::string device = folder.filePath("ttyUSB7").toStdString();
    { QFile(QString::fromStdString(device)).open(QIODevice::WriteOnly); }
    struct stat info {};
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    const group* owner = getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string groupName = owner->gr_name;

    struct Case {
        int error;
        std::string path;
        std::vector<std::string> said;
    };
    const Case cases[] = {
        {ENOENT, "/dev/ttyUSB9", {"There is no device /dev/ttyUSB9.", "erial devices"}},
        {ENODEV, "/dev/ttyACM3", {"There is no device /dev/ttyACM3."}},
        {EACCES,
         device,
         {"No permission to open " + device, "belongs to the group " + groupName,
          "\"sudo adduser $USER " + groupName + "\", then log in again."}},
        {EBUSY, device, {device + " is held by another program.", "ModemManager"}},
        {EIO, device, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("errno " + std::to_string(c.error));
        const std::string advice = AdviceAfterFailedOpen(c.error, c.path);
        if (c.said.empty()) {
            EXPECT_EQ(advice, "");
        }
        for (const std::string& part : c.said)
            EXPECT_NE(advice.find(part), std::string::npos) << advice;
        EXPECT_EQ(advice.find('\n'), std::string::npos) << "one line";
    }
}

TEST(ConnectionDoctor, NamesTheProgramThatHoldsThePort) {
    QTemporaryDir folder;
    const std::string device = folder.filePath("ttyUSB0").toStdString();
    { QFile(QString::fromStdString(device)).open(QIODevice::WriteOnly); }
    Holder holder(device);
    ASSERT_TRUE(Eventually([&] { return !DeviceHolders(device).empty(); }));
    const std::string advice = AdviceAfterFailedOpen(EBUSY, device);
    EXPECT_NE(advice.find("(PID " + std::to_string(holder.Pid()) + ")"), std::string::npos)
        << advice;
    EXPECT_EQ(advice.find("another program"), std::string::npos) << advice;
}

} // namespace
