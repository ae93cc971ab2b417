// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConnectionDoctor.h"

#include "ComPortMap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough for the devices a technician's machine has; a longer list is cut with "...".
constexpr int kDevicesShown = 6;

std::string PresentDevices() {
    const QStringList devices = ListSerialDevices();
    if (devices.isEmpty())
        return "No serial devices are present: is the adapter plugged in?";
    QStringList shown = devices.mid(0, kDevicesShown);
    if (devices.size() > kDevicesShown)
        shown << QStringLiteral("...");
    return "Serial devices present: " + shown.join(QStringLiteral(", ")).toStdString() + ".";
}

std::string GroupOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    if (const group* entry = getgrgid(info.st_gid))
        return entry->gr_name;
    return std::to_string(info.st_gid);
}

} // namespace

std::vector<std::string> DeviceHolders(const std::string& devicePath) {
    std::vector<std::string> holders;
    const QString target = QFileInfo(QString::fromStdString(devicePath)).canonicalFilePath();
    if (target.isEmpty())
        return holders;
    const QString self = QString::number(getpid());
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        bool number = false;
        pid.toInt(&number);
        if (!number || pid == self)
            continue;
        // Another user's descriptors are not readable: that process stays unnamed.
        const QString fdFolder = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        const QStringList fds = QDir(fdFolder).entryList(QDir::Files | QDir::System);
        for (const QString& fd : fds) {
            if (QFile::symLinkTarget(fdFolder + QLatin1Char('/') + fd) != target)
                continue;
            QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
            QString name = comm.open(QIODevice::ReadOnly)
                               ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                               : QStringLiteral("?");
            holders.push_back(name.toStdString() + " (PID " + pid.toStdString() + ")");
            break;
        }
    }
    return holders;
}

std::string ConnectionAdvice(int systemError, const std::string& devicePath) {
    switch (systemError) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
        return "There is no device " + devicePath + ". " + PresentDevices();
    case EACCES:
    case EPERM: {
        const std::string group = GroupOf(devicePath);
        const std::string owner = group.empty() ? "its group" : "the group " + group;
        return "No permission to open " + devicePath + ": it belongs to " + owner +
               ". Run \"sudo adduser $USER " + (group.empty() ? "dialout" : group) +
               "\", then log in again.";
    }
    case EBUSY:
    case EWOULDBLOCK: {
        const std::vector<std::string> holders = DeviceHolders(devicePath);
        std::string who = "another program";
        if (!holders.empty()) {
            who = holders.front();
            for (size_t i = 1; i < holders.size(); ++i)
                who += ", " + holders[i];
        }
        return devicePath + " is held by " + who +
               ". Close it and try again; a newly plugged adapter may also be probed by "
               "ModemManager for a few seconds.";
    }
    default:
        return {};
    }
}
