// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Points the per-user store at a fresh temporary folder for the life of one test, so the
// tests use the real QSettings files without touching the user's own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

class TTempStore {
public:
    TTempStore() {
        setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()).constData(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    }
    TTempStore(const TTempStore&) = delete;
    TTempStore& operator=(const TTempStore&) = delete;

    QString Root() const { return dir_.path(); }
    // The file behind a key such as "\SOFTWARE\ZUR\Configurator\".
    QString FileOf(const QString& application) const {
        return dir_.path() + QStringLiteral("/ZUR/") + application + QStringLiteral(".conf");
    }
    QString ConfiguratorFile() const { return FileOf(QStringLiteral("Configurator")); }
    QString PortsFile() const { return FileOf(QStringLiteral("Ports")); }

    // Writes a store file by hand, as a user editing it would.
    void Write(const QString& file, const QByteArray& text) const {
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(text);
    }
    QByteArray Read(const QString& file) const {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    bool Exists(const QString& file) const { return QFile::exists(file); }

private:
    QTemporaryDir dir_;
};
