// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComPortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

std::unique_ptr<QSettings> OpenUserKey(const QString& keyPath) {
    // "\SOFTWARE\ZUR\Configurator\" -> organisation "ZUR", application "Configurator".
    QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("SOFTWARE"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    const QString organisation = parts.isEmpty() ? QStringLiteral("ZUR") : parts.takeFirst();
    const QString application = parts.isEmpty() ? QString() : parts.join(QLatin1Char('/'));
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                       application);
}

QString ResolveCommPort(int commPort) {
    if (commPort < 1)
        return {};
    const auto key = OpenUserKey(QString::fromLatin1(kPortsKeyPath));
    const QString name = QStringLiteral("COM%1").arg(commPort);
    const QString mapped = key->value(name).toString();
    if (!mapped.isEmpty())
        return mapped;
#ifdef _WIN32
    // The Win32 backend opens a COM name itself (as \\.\COM<n>).
    return name;
#else
    return QStringLiteral("/dev/ttyS%1").arg(commPort - 1);
#endif
}

void SetCommPortDevice(int commPort, const QString& devicePath) {
    const auto key = OpenUserKey(QString::fromLatin1(kPortsKeyPath));
    const QString name = QStringLiteral("COM%1").arg(commPort);
    if (devicePath.isEmpty())
        key->remove(name);
    else
        key->setValue(name, devicePath);
    key->sync();
}

QStringList ListSerialDevices() {
    QStringList found;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& info : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        found << info.absoluteFilePath();
    const QDir dev(QStringLiteral("/dev"));
    const QStringList patterns{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo& info : dev.entryInfoList(patterns, QDir::System, QDir::Name))
        found << info.absoluteFilePath();
    // ttyS* exist on almost every machine; list them after the adapters, in numeric order.
    QStringList serial;
    for (const QFileInfo& info : dev.entryInfoList({QStringLiteral("ttyS*")}, QDir::System))
        serial << info.absoluteFilePath();
    std::sort(serial.begin(), serial.end(), [](const QString& a, const QString& b) {
        return a.mid(9).toInt() < b.mid(9).toInt();
    });
    return found + serial;
}
