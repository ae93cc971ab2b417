// SPDX-License-Identifier: GPL-3.0-or-later
#include "Archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>
#include <tuple>

namespace {

// One writer at a time within the program; QLockFile keeps other programs out.
std::mutex& ArchiveMutex() {
    static std::mutex mutex;
    return mutex;
}

constexpr const char* kJournalName = "journal.jsonl";
constexpr const char* kTimeFormat = "yyyyMMdd'T'HHmmss'Z'";

// Whole or not at all: a temporary file beside the target replaces it once complete.
bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

// Sort key of an archive file name: its time, as-found before the others of the same
// second, then its number ("-2" after none).
std::tuple<QString, int, int> AgeKey(const QString& name) {
    const QString time = name.left(16);
    QString rest = name.mid(17);
    rest.chop(4); // ".TLS"
    int number = 1;
    const qsizetype dash = rest.lastIndexOf(QLatin1Char('-'));
    bool numbered = false;
    if (dash > 0) {
        const int n = rest.mid(dash + 1).toInt(&numbered);
        if (numbered) {
            number = n;
            rest.truncate(dash);
        }
    }
    return {time, rest == QLatin1String("as-found") ? 0 : 1, number};
}

} // namespace

TArchive::TArchive(QString folder) : folder_(std::move(folder)) {}

QString TArchive::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ZUR/Configurator");
}

QString TArchive::GaugeFolderName(const std::string& deviceName, uint8_t node) {
    QString name;
    for (char c : deviceName) {
        const bool fit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        name += fit ? QLatin1Char(c) : QLatin1Char('_');
    }
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("gauge"));
    return name + QStringLiteral("-node%1").arg(node, 2, 10, QLatin1Char('0'));
}

QString TArchive::JournalPath() const {
    return folder_ + QLatin1Char('/') + QLatin1String(kJournalName);
}

QString TArchive::SaveImage(const QString& gauge, const QString& kind,
                            const std::vector<uint8_t>& bytes, const QDateTime& time,
                            QString* error) {
    // The buses of a site run on threads of their own and may name the same file.
    const std::lock_guard lock(ArchiveMutex());
    const QString folder = folder_ + QLatin1Char('/') + gauge;
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return {};
    }
    const QString stem =
        time.toUTC().toString(QLatin1String(kTimeFormat)) + QLatin1Char('-') + kind;
    // A taken name gets the next number after every one in use, so a newer file always sorts
    // after an older one even when the oldest has been dropped.
    int highest = 0;
    const QStringList taken = QDir(folder).entryList({stem + QStringLiteral("*.TLS")}, QDir::Files);
    for (const QString& name : taken)
        if (name.startsWith(stem))
            highest = std::max(highest, std::get<2>(AgeKey(name)));
    QString path = folder + QLatin1Char('/') + stem +
                   (highest == 0 ? QString() : QStringLiteral("-%1").arg(highest + 1)) +
                   QStringLiteral(".TLS");
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    if (!WriteWhole(path, data, error))
        return {};
    Prune(folder);
    return QFileInfo(path).absoluteFilePath();
}

void TArchive::Prune(const QString& gaugeFolder) const {
    QStringList names = QDir(gaugeFolder).entryList({QStringLiteral("*.TLS")}, QDir::Files);
    if (names.size() <= kMaxFilesPerGauge)
        return;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return AgeKey(a) < AgeKey(b); });
    for (qsizetype i = 0; i < names.size() - kMaxFilesPerGauge; ++i)
        QFile::remove(gaugeFolder + QLatin1Char('/') + names[i]);
}

bool TArchive::AppendJournal(const QJsonObject& entry, QString* error) {
    const std::lock_guard inProcess(ArchiveMutex());
    if (!QDir().mkpath(folder_)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(folder_);
        return false;
    }
    // Two programs writing at once (the window and the command-line tool) must not each
    // rewrite the journal without the other's line.
    QLockFile lock(JournalPath() + QStringLiteral(".lock"));
    if (!lock.tryLock(10000)) {
        if (error)
            *error =
                QStringLiteral("the journal %1 is locked by another program").arg(JournalPath());
        return false;
    }
    QByteArray all;
    QFile existing(JournalPath());
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            if (error)
                *error =
                    QStringLiteral("cannot read %1: %2").arg(JournalPath(), existing.errorString());
            return false;
        }
        all = existing.readAll();
        existing.close();
        if (!all.isEmpty() && !all.endsWith('\n'))
            all += '\n';
    }
    all += QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
    return WriteWhole(JournalPath(), all, error);
}

TArchive::TJournal TArchive::ReadJournal() const {
    TJournal journal;
    QFile file(JournalPath());
    if (!file.exists())
        return journal;
    if (!file.open(QIODevice::ReadOnly)) {
        journal.Error = QStringLiteral("cannot read %1: %2").arg(JournalPath(), file.errorString());
        return journal;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError parse{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &parse);
        if (parse.error != QJsonParseError::NoError || !document.isObject())
            ++journal.BadLines;
        else
            journal.Entries.append(document.object());
    }
    return journal;
}
