// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramSettings.h"

#include "ComPortMap.h"

#include <QByteArray>
#include <QLocale>
#include <QSettings>
#include <QVariant>
#include <QtEndian>

#include <limits>
#include <memory>

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString KindName(TProgramSetting::TKind kind) {
    switch (kind) {
    case TProgramSetting::pkBoolean:
        return QStringLiteral("a boolean");
    case TProgramSetting::pkInteger:
        return QStringLiteral("an integer");
    case TProgramSetting::pkText:
        return QStringLiteral("a text");
    case TProgramSetting::pkReal:
        return QStringLiteral("an 8-byte real");
    }
    return QStringLiteral("a value");
}

QString StatusText(QSettings::Status status) {
    return status == QSettings::FormatError
               ? QStringLiteral("the file is not a valid settings file")
               : QStringLiteral("the file cannot be read or written");
}

[[noreturn]] void Fail(const QString& text) {
    throw TSettingsError(text.toStdString());
}

// Opens the setting's key; a store that is unreadable or malformed is reported before anything
// is written to it, so a damaged file is left as it is.
std::unique_ptr<QSettings> OpenKey(const TProgramSetting& setting) {
    auto key = OpenUserKey(setting.KeyPath);
    if (key->status() != QSettings::NoError)
        Fail(QStringLiteral("Cannot open settings key \"%1\" (%2): %3")
                 .arg(setting.KeyPath, key->fileName(), StatusText(key->status())));
    return key;
}

void Commit(QSettings& key, const TProgramSetting& setting) {
    key.sync();
    if (key.status() != QSettings::NoError)
        Fail(
            QStringLiteral("Cannot write \"%1\" to settings key \"%2\" (%3): %4")
                .arg(setting.ValueName, setting.KeyPath, key.fileName(), StatusText(key.status())));
}

// Reals are kept as the 8 raw bytes of a double, least significant byte first.
QByteArray RealBytes(float value) {
    std::array<char, 8> bytes{};
    qToLittleEndian(static_cast<double>(value), bytes.data());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<int32_t> AsInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<int32_t>::min() ||
            number > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        return static_cast<int32_t>(number);
    }
    case QMetaType::QString: {
        // An INI file hands every plain value back as text.
        bool ok = false;
        const int number = value.toString().toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
        return number;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> AsText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // Read back from the same session's cache before the file is parsed again as text.
        return value.toString();
    default:
        return std::nullopt; // byte arrays, lists, other variants
    }
}

std::optional<float> AsReal(const QVariant& value) {
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    if (bytes.size() != 8)
        return std::nullopt;
    return static_cast<float>(qFromLittleEndian<double>(bytes.constData()));
}

void TakeValue(TProgramSetting& setting, const QVariant& value) {
    bool ok = true;
    switch (setting.Kind) {
    case TProgramSetting::pkBoolean:
        if (value.typeId() == QMetaType::Bool)
            setting.BooleanValue = value.toBool();
        else if (const auto number = AsInteger(value))
            setting.BooleanValue = *number != 0;
        else
            ok = false;
        break;
    case TProgramSetting::pkInteger:
        if (const auto number = AsInteger(value))
            setting.IntegerValue = *number;
        else
            ok = false;
        break;
    case TProgramSetting::pkText:
        if (const auto text = AsText(value))
            setting.TextValue = *text;
        else
            ok = false;
        break;
    case TProgramSetting::pkReal:
        if (const auto real = AsReal(value))
            setting.RealValue = *real;
        else
            ok = false;
        break;
    }
    if (!ok)
        Fail(
            QStringLiteral("Settings value \"%1\" in key \"%2\" is not %3: \"%4\"")
                .arg(setting.ValueName, setting.KeyPath, KindName(setting.Kind), value.toString()));
}

void PutValue(QSettings& key, const TProgramSetting& setting) {
    switch (setting.Kind) {
    case TProgramSetting::pkBoolean:
        key.setValue(setting.ValueName, setting.BooleanValue ? 1 : 0);
        break;
    case TProgramSetting::pkInteger:
        key.setValue(setting.ValueName, setting.IntegerValue);
        break;
    case TProgramSetting::pkText:
        key.setValue(setting.ValueName, setting.TextValue);
        break;
    case TProgramSetting::pkReal:
        key.setValue(setting.ValueName, RealBytes(setting.RealValue));
        break;
    }
}

void TakeDefault(TProgramSetting& setting) {
    setting.BooleanValue = setting.BooleanDefault;
    setting.IntegerValue = setting.IntegerDefault;
    setting.TextValue = setting.TextDefault;
    setting.RealValue = setting.RealDefault;
}

} // namespace

TProgramSettings::TProgramSettings() : BasePath(QStringLiteral("\\SOFTWARE\\ZUR\\")) {}

TProgramSetting& TProgramSettings::Append(const QString& section, const QString& valueName,
                                          TProgramSetting::TKind kind) {
    TProgramSetting setting;
    setting.ValueName = valueName;
    setting.KeyPath = BasePath + section + QLatin1Char('\\');
    setting.Kind = kind;
    items_.push_back(std::move(setting));
    return items_.back();
}

void TProgramSettings::AddBoolean(const QString& section, const QString& valueName,
                                  bool defaultValue) {
    Append(section, valueName, TProgramSetting::pkBoolean).BooleanDefault = defaultValue;
}

void TProgramSettings::AddInteger(const QString& section, const QString& valueName,
                                  int32_t defaultValue) {
    Append(section, valueName, TProgramSetting::pkInteger).IntegerDefault = defaultValue;
}

void TProgramSettings::AddText(const QString& section, const QString& valueName,
                               const QString& defaultValue) {
    Append(section, valueName, TProgramSetting::pkText).TextDefault = defaultValue;
}

void TProgramSettings::AddReal(const QString& section, const QString& valueName,
                               float defaultValue) {
    Append(section, valueName, TProgramSetting::pkReal).RealDefault = defaultValue;
}

void TProgramSettings::LoadAll() {
    for (TProgramSetting& setting : items_) {
        const auto key = OpenKey(setting);
        if (key->contains(setting.ValueName)) {
            TakeValue(setting, key->value(setting.ValueName));
        } else {
            TakeDefault(setting);
            PutValue(*key, setting);
            Commit(*key, setting);
        }
    }
}

void TProgramSettings::SaveAll() {
    for (const TProgramSetting& setting : items_) {
        const auto key = OpenKey(setting);
        PutValue(*key, setting);
        Commit(*key, setting);
    }
}

TProgramSetting* TProgramSettings::Lookup(const QString& valueName) {
    for (TProgramSetting& setting : items_)
        if (setting.ValueName == valueName)
            return &setting;
    return nullptr;
}

const TProgramSetting* TProgramSettings::Lookup(const QString& valueName) const {
    for (const TProgramSetting& setting : items_)
        if (setting.ValueName == valueName)
            return &setting;
    return nullptr;
}

void DeclareConfiguratorSettings(TProgramSettings& settings) {
    const QString section = QString::fromLatin1(kConfiguratorSection);
    settings.AddText(section, QString::fromLatin1(kLastConnectId), QString());
    settings.AddInteger(section, QString::fromLatin1(kCommPort), 1);
    settings.AddInteger(section, QString::fromLatin1(kBaudRate), 9600);
    settings.AddBoolean(section, QString::fromLatin1(kReconnectOnReturn), true); // adapter replug
    // ---- fast transfers ----
    settings.AddBoolean(section, QString::fromLatin1(kFastTransfers), false);
    // ---- end of fast transfers ----
    // ---- the checked write ----
    settings.AddBoolean(section, QString::fromLatin1(kConfirmChanges), true);
    settings.AddBoolean(section, QString::fromLatin1(kVerifyWrites), true);
    // ---- end of the checked write ----
    settings.AddText(section, QString::fromLatin1(kTechnician), SystemUserName());
    settings.AddText(section, QString::fromLatin1(kPaperSize), LocalePaperSizeName());
    settings.AddBoolean(section, QString::fromLatin1(kOpenCertificate), true);
}

QString LocalePaperSizeName() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
               ? QStringLiteral("Letter")
               : QStringLiteral("A4");
}

QString PaperSizeName(const TProgramSettings& settings) {
    const TProgramSetting* paper = settings.Lookup(QString::fromLatin1(kPaperSize));
    const QString stored = paper ? paper->TextValue.trimmed() : QString();
    for (const char* name : {"A4", "Letter"})
        if (stored.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(name);
    return LocalePaperSizeName();
}

QString TechnicianName(const TProgramSettings& settings) {
    const TProgramSetting* technician = settings.Lookup(QString::fromLatin1(kTechnician));
    const QString stored = technician ? technician->TextValue.trimmed() : QString();
    return stored.isEmpty() ? SystemUserName() : stored;
}

QString SystemUserName() {
#if defined(Q_OS_UNIX)
    // The first field of the GECOS entry is the full name ("Ada Lovelace,Room 4,,").
    if (const passwd* entry = getpwuid(getuid())) {
        const QString full = QString::fromLocal8Bit(entry->pw_gecos ? entry->pw_gecos : "")
                                 .section(QLatin1Char(','), 0, 0)
                                 .trimmed();
        if (!full.isEmpty())
            return full;
        if (entry->pw_name && *entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
    }
#endif
    const QString login = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return login.trimmed();
}

// ---- Traffic monitor dock ----
void DeclareTrafficMonitorSettings(TProgramSettings& settings) {
    const QString section = QString::fromLatin1(kTrafficMonitorSection);
    settings.AddBoolean(section, QString::fromLatin1(kTrafficMonitorVisible), false);
    settings.AddInteger(section, QString::fromLatin1(kTrafficMonitorHeight), 180);
}
// ---- end of traffic monitor dock ----

QString FormatFileVersion(const std::optional<std::array<int, 4>>& version) {
    if (!version)
        return QStringLiteral("Could not access version info");
    const auto& v = *version;
    return QString::asprintf("%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
}

QString ReadFileVersion() {
#if defined(ZUR_VERSION_MAJOR) && defined(ZUR_VERSION_MINOR) && defined(ZUR_VERSION_PATCH) &&      \
    defined(ZUR_VERSION_TWEAK)
    // A part the project version leaves out is defined empty; "+ 0" makes it 0.
    return FormatFileVersion(std::array<int, 4>{ZUR_VERSION_MAJOR + 0, ZUR_VERSION_MINOR + 0,
                                                ZUR_VERSION_PATCH + 0, ZUR_VERSION_TWEAK + 0});
#else
    return FormatFileVersion(std::nullopt);
#endif
}
