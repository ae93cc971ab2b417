// SPDX-License-Identifier: GPL-3.0-or-later
#include "Templates.h"

#include "Archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr qsizetype kLongestName = 64;

bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

TTemplateStore::TTemplateStore(QString folder) : folder_(std::move(folder)) {}

QString TTemplateStore::DefaultFolder() {
    return TArchive::DefaultFolder() + QStringLiteral("/templates");
}

QString TTemplateStore::PathOf(const QString& name, const char* suffix) const {
    return folder_ + QLatin1Char('/') + name + QLatin1String(suffix);
}

QString TTemplateStore::NameProblem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("A template needs a name.");
    if (name.size() > kLongestName)
        return QStringLiteral("A template's name has at most %1 characters.").arg(kLongestName);
    if (name != name.trimmed() || name.startsWith(QLatin1Char('.')))
        return QStringLiteral("A template's name cannot start with a space or a full stop, or "
                              "end with a space.");
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c == QLatin1Char('/') ||
            c == QLatin1Char('\\') || QStringLiteral(":*?\"<>|").contains(c))
            return QStringLiteral("A template's name cannot contain %1.")
                .arg(c.category() == QChar::Other_Control ? QStringLiteral("control characters")
                                                          : QStringLiteral("\"%1\"").arg(c));
    return {};
}

QList<TTemplate> TTemplateStore::List() const {
    QList<TTemplate> templates;
    const QDir dir(folder_);
    for (const QFileInfo& info :
         dir.entryInfoList({QStringLiteral("*.TLS")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        QFile familyFile(PathOf(info.completeBaseName(), ".family"));
        if (!familyFile.open(QIODevice::ReadOnly))
            continue;
        const auto family = FamilyNamed(QString::fromUtf8(familyFile.read(64)).trimmed().toStdString());
        if (!family)
            continue;
        templates.push_back({info.completeBaseName(), *family, info.absoluteFilePath()});
    }
    return templates;
}

std::optional<TTemplate> TTemplateStore::Find(const QString& name) const {
    for (const TTemplate& found : List())
        if (found.Name == name)
            return found;
    return std::nullopt;
}

bool TTemplateStore::Save(const QString& name, TGaugeFamily family,
                          const std::vector<uint8_t>& bytes, QString* error) {
    if (const QString problem = NameProblem(name); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    if (!QDir().mkpath(folder_)) {
        if (error)
            *error = QStringLiteral("Could not create the folder \"%1\"").arg(folder_);
        return false;
    }
    // The family first: a settings file without one is not listed, so a template is never
    // seen half written with another template's family.
    const QByteArray familyText = QByteArray(FamilyFacts(family).Name) + '\n';
    return WriteWhole(PathOf(name, ".family"), familyText, error) &&
           WriteWhole(PathOf(name, ".TLS"),
                      QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())),
                      error);
}

bool TTemplateStore::Remove(const QString& name, QString* error) {
    if (!Find(name)) {
        if (error)
            *error = QStringLiteral("There is no template \"%1\".").arg(name);
        return false;
    }
    // The settings file first: without it the template is gone from every list.
    if (!QFile::remove(PathOf(name, ".TLS"))) {
        if (error)
            *error = QStringLiteral("Could not delete the template \"%1\".").arg(name);
        return false;
    }
    QFile::remove(PathOf(name, ".family"));
    return true;
}
