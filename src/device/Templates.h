// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Settings kept under a name for the next site, with the family they are for, in the per-user
// data folder beside the archive: "<name>.TLS" (the settings file's own bytes) and
// "<name>.family" (the family's listed name). The window and t7310-cli share them.

#include "GaugeFamily.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct TTemplate {
    QString Name;
    TGaugeFamily Family = TGaugeFamily::T7310;
    QString Path; // the settings file
};

class TTemplateStore {
public:
    explicit TTemplateStore(QString folder = DefaultFolder());
    // "templates" in the configurator's per-user data folder.
    static QString DefaultFolder();

    QString Folder() const { return folder_; }
    // Every readable template, by name; one whose family file is missing or unknown is left
    // out (it cannot be opened without asking what it is for).
    QList<TTemplate> List() const;
    std::optional<TTemplate> Find(const QString& name) const;
    // Why a name cannot be a template's (empty when it can): it becomes a file name.
    static QString NameProblem(const QString& name);
    // Writes both files whole or not at all; a template of that name is replaced.
    bool Save(const QString& name, TGaugeFamily family, const std::vector<uint8_t>& bytes,
              QString* error);
    bool Remove(const QString& name, QString* error);

private:
    QString PathOf(const QString& name, const char* suffix) const;
    QString folder_;
};
