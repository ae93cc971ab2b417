// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

// The per-user store: a key path such as "\SOFTWARE\ZUR\Configurator\" names one QSettings
// scope (organisation "ZUR", application "Configurator"). On Linux that is an INI file under
// the user's configuration folder; on Windows it would be the registry key itself.
std::unique_ptr<QSettings> OpenUserKey(const QString& keyPath);

// Key that maps COM numbers to device paths: value "COM<n>" holds the path for port n.
inline constexpr const char* kPortsKeyPath = "\\SOFTWARE\\ZUR\\Ports\\";

// Resolves a COM number to the device to open: the stored "COM<n>" value when present,
// else /dev/ttyS<n-1> (on Windows, "COM<n>" itself). Numbers below 1 resolve to an empty path
// (nothing can be opened).
QString ResolveCommPort(int commPort);

// Stores (or, with an empty path, removes) the device path that COM number n resolves to.
void SetCommPortDevice(int commPort, const QString& devicePath);

// The serial devices present on this machine, by-id links first.
QStringList ListSerialDevices();
