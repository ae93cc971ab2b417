// SPDX-License-Identifier: GPL-3.0-or-later
#include "Certificate.h"

#include "Archive.h"
#include "GaugeFamily.h"
#include "SummaryReport.h"
#include "T7310.h"
#include "Values.h"
#include "ZURSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStringList>

#include <algorithm>

namespace {

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString OrDash(const QString& text) {
    return text.trimmed().isEmpty() ? QStringLiteral("-") : text;
}

QString LocalTime(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString UtcTime(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

// An archived settings file read back into an image of the gauge's family.
struct TArchived {
    TDeviceImage Image;
    TCertificateFile File;
};

TArchived LoadArchived(const T7310& device, const QString& path) {
    TArchived archived;
    archived.File.Path = path;
    archived.File.Sha256 = FileSha256(path, &archived.File.Problem);
    if (archived.File.Sha256.isEmpty())
        return archived;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        archived.File.Problem = file.errorString();
        return archived;
    }
    const QByteArray bytes = file.readAll();
    T7310 scratch;
    TakeFamily(scratch, FamilyOf(device));
    if (!scratch.LoadSettings(std::vector<uint8_t>(bytes.begin(), bytes.end()), true))
        archived.File.Problem = QStringLiteral("not a settings file of this gauge's family");
    else
        archived.Image = scratch.Image;
    return archived;
}

bool Loaded(const std::optional<TArchived>& archived) {
    return archived && archived->File.Problem.isEmpty();
}

// A value as the pages show it: a number in its entry's scale and unit, anything else as the
// catalogue words it.
QString ShownText(const TZURSetting& item, const TDeviceImage& image) {
    const bool number = item.DataType == stByte || item.DataType == stWord ||
                        item.DataType == stLong || item.DataType == stDouble;
    if (number && (item.Unit != TSettingUnit::None || item.Scale != 1.0 || item.Decimals != 0)) {
        const std::string unit = UnitText(item.Unit, image);
        return Latin1(item.EntryText(image) + (unit.empty() ? "" : " " + unit));
    }
    return Latin1(item.AsText(image, true, true));
}

QString TableText(const TDeviceImage& image) {
    if (!image.IsNonStandardTank())
        return QStringLiteral("none (the tank is not Non standard)");
    const size_t rows = LoadTable(image.TankTable).size();
    return rows == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(rows);
}

void AddSettings(TCertificate& certificate, TGaugeFamily family, const TDeviceImage* found,
                 const TDeviceImage& left) {
    const TZURSettings& items = Catalogue();
    for (size_t i = 0; i < items.Count(); ++i) {
        const TZURSetting& item = items.Item(i);
        if (item.DataType == stGroup) {
            certificate.Groups.push_back({Latin1(item.Name), {}});
            continue;
        }
        // The identity texts stand in the header; an archived file does not hold them.
        if (!FamilyHas(family, item.Family) || item.Id == item::DeviceName ||
            item.Id == item::SoftwareVersion || item.Id == item::PcSoftwareId)
            continue;
        if (certificate.Groups.empty())
            certificate.Groups.push_back({});
        TCertificateSetting setting;
        setting.Name = Latin1(item.Name);
        if (item.DataType == stTable) {
            setting.Left = TableText(left);
            if (found) {
                setting.Found = TableText(*found);
                setting.Changed = LoadTable(found->TankTable).size() !=
                                      LoadTable(left.TankTable).size() ||
                                  found->TankTable != left.TankTable;
            }
        } else {
            setting.Left = ShownText(item, left);
            if (found) {
                setting.Found = ShownText(item, *found);
                setting.Changed = setting.Found != setting.Left;
            }
        }
        certificate.ChangedCount += setting.Changed ? 1 : 0;
        certificate.Groups.back().Settings.push_back(std::move(setting));
    }
    std::erase_if(certificate.Groups,
                  [](const TCertificateGroup& group) { return group.Settings.empty(); });
}

void AddTank(TCertificate& certificate, const TDeviceImage& image) {
    certificate.TankType = image.TankType();
    certificate.TankTypeName = Latin1(TankTypeText(image.TankType()));
    const QString unit = TableLengthSymbol(image.TankUom());
    int count = 0;
    const auto dimensions = TankDimensions(image, count);
    for (int i = 0; i < count; ++i) {
        // The drawings name a dimension without the "Tank " the summary puts before it.
        QString caption = QString::fromLatin1(dimensions[static_cast<size_t>(i)].Caption);
        caption.remove(QStringLiteral("Tank "));
        certificate.Dimensions.push_back(
            {caption, Latin1(dimensions[static_cast<size_t>(i)].Value) + u' ' + unit});
    }
    certificate.NonStandard = image.IsNonStandardTank();
    if (certificate.NonStandard)
        certificate.Table = LoadTable(image.TankTable);
    certificate.HeightUnit = unit;
    certificate.VolumeUnit = TableVolumeSymbol(image.TankUom());
}

void AddAlarms(TCertificate& certificate, const T7310& device, const TDeviceImage& image,
               bool connected) {
    for (size_t k = 0; k < certificate.Alarms.size(); ++k) {
        const TAlarmSummary summary = AlarmSummary(image, k);
        TCertificateAlarm& alarm = certificate.Alarms[k];
        alarm.Title = QString::fromLatin1(AlarmTitle(k));
        alarm.Enabled = image.Alarms[k][img::AlarmEnabled] != 0;
        alarm.Direction = Latin1(summary.Direction);
        alarm.Setpoint = Latin1(summary.Setpoint);
        alarm.Hysteresis = Latin1(summary.Hysteresis);
    }
    if (!connected)
        return;
    for (const TAlarmTestRun& run : device.AlarmTests) {
        QStringList outputs;
        for (size_t k = 0; k < kAlarmTestMasks.size(); ++k)
            if (run.Outputs & kAlarmTestMasks[k])
                outputs << QString::fromLatin1(AlarmTitle(k));
        QString ending = run.Ending.empty() ? QStringLiteral("still running")
                                            : QString::fromStdString(run.Ending);
        if (!run.Ending.empty() && run.Ended.isValid())
            ending += QStringLiteral(" after %1 s").arg(run.Started.secsTo(run.Ended));
        certificate.AlarmTests.push_back(
            {outputs.join(QStringLiteral(", ")), LocalTime(run.Started), ending});
    }
}

QString ChangeList(const QJsonArray& changes) {
    QStringList lines;
    for (const QJsonValue& value : changes) {
        const QJsonObject change = value.toObject();
        lines << QStringLiteral("%1 / %2: gauge %3, written %4")
                     .arg(change[QStringLiteral("group")].toString(),
                          change[QStringLiteral("name")].toString(),
                          change[QStringLiteral("from")].toString(),
                          change[QStringLiteral("to")].toString());
    }
    return lines.join(QStringLiteral("; "));
}

QString WriteResult(const QJsonObject& entry) {
    const QString result = entry[QStringLiteral("result")].toString();
    if (result == QLatin1String("failed"))
        return QStringLiteral("The write failed; the gauge may hold part of it.");
    if (result == QLatin1String("not-kept")) {
        const QJsonArray notKept = entry[QStringLiteral("not_kept")].toArray();
        if (notKept.isEmpty())
            return QStringLiteral("Read back: the gauge did not keep every setting written.");
        return QStringLiteral("Read back: %1 not kept: %2")
            .arg(notKept.size() == 1 ? QStringLiteral("1 setting")
                                     : QStringLiteral("%1 settings").arg(notKept.size()),
                 ChangeList(notKept));
    }
    if (entry[QStringLiteral("as_left")].isString())
        return QStringLiteral("Read back and matched: every setting written was kept.");
    return QStringLiteral("Written, not read back (verification was off).");
}

void AddFileLines(std::vector<TCertificateLine>& proof, const QString& caption,
                  const TCertificateFile& file) {
    // Name and folder apart: a whole path rarely fits the line.
    const QFileInfo info(file.Path);
    proof.push_back({caption, info.fileName()});
    proof.push_back({QStringLiteral("in folder"), QDir::toNativeSeparators(info.path())});
    proof.push_back({QStringLiteral("SHA-256"),
                     file.Problem.isEmpty() ? file.Sha256
                                            : QStringLiteral("not read: ") + file.Problem});
}

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

std::optional<QJsonObject> LastWriteOf(const TArchive& archive, const std::string& deviceName,
                                       int node) {
    const TArchive::TJournal journal = archive.ReadJournal();
    const QString name = Latin1(deviceName);
    for (auto it = journal.Entries.crbegin(); it != journal.Entries.crend(); ++it) {
        const QJsonObject identity = (*it)[QStringLiteral("identity")].toObject();
        if (identity[QStringLiteral("name")].toString() == name &&
            (*it)[QStringLiteral("node")].toInt(-1) == node)
            return *it;
    }
    return std::nullopt;
}

QString FileSha256(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = file.errorString();
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        if (problem)
            *problem = file.errorString();
        return {};
    }
    return Hex(hash.result());
}

TCertificate BuildCertificate(const TCertificateSources& sources) {
    const T7310& device = *sources.Device;
    const bool offline = sources.Offline;
    const TDeviceImage& current =
        offline || !device.GaugeImageKnown() ? device.Image : device.GaugeImage;
    const TGaugeFamily family = FamilyOf(device);
    const TZURSettings& items = Catalogue();
    const auto text = [&](uint32_t id, const TDeviceImage& image) {
        const TZURSetting* item = items.Find(id);
        return item ? Latin1(item->AsText(image, true, false)) : QString();
    };
    const QDateTime made =
        sources.Made.isValid() ? sources.Made : QDateTime::currentDateTime();

    TCertificate certificate;
    certificate.Offline = offline;
    certificate.Title = QString::fromLatin1(kCertificateTitle);

    // As found and as left: the journal's last write of this gauge, else the gauge as it is.
    std::optional<QJsonObject> write;
    std::optional<TArchived> found;
    std::optional<TArchived> left;
    const QString deviceName = text(item::DeviceName, current);
    const int node = offline ? static_cast<int>(current.Rs485Id) : device.NodeId;
    if (!offline && sources.Archive) {
        write = LastWriteOf(*sources.Archive, deviceName.toStdString(), node);
        if (write) {
            const QJsonValue asFound = (*write)[QStringLiteral("as_found")];
            const QJsonValue asLeft = (*write)[QStringLiteral("as_left")];
            if (asFound.isString())
                found = LoadArchived(device, asFound.toString());
            if (asLeft.isString())
                left = LoadArchived(device, asLeft.toString());
        }
    }
    const TDeviceImage& leftImage = Loaded(left) ? left->Image : current;
    const TDeviceImage* foundImage = offline ? nullptr : Loaded(found) ? &found->Image : &current;

    const TReportFields& report = device.Report;
    certificate.Header = {
        {QStringLiteral("Gauge"), OrDash(deviceName)},
        {QStringLiteral("Firmware"), OrDash(text(item::SoftwareVersion, current))},
        {QStringLiteral("Family"), QString::fromLatin1(FamilyFacts(family).Name)},
        {QStringLiteral("Node ID"), QString::number(node)},
        {QStringLiteral("Port"),
         offline ? QStringLiteral("none (prepared without a gauge)") : OrDash(sources.Port)},
        {QStringLiteral("Date and time"), LocalTime(made) + QStringLiteral(" (") + UtcTime(made) + u')'},
        {QStringLiteral("Site name"), OrDash(Latin1(report.Name))},
        {QStringLiteral("Serial number"), OrDash(Latin1(report.SerialNumber))},
        {QStringLiteral("Completed"), OrDash(Latin1(report.CompletedDate))},
        {QStringLiteral("Sensor mounting"),
         device.IsExtended()
             ? QStringLiteral("%1 mm off bottom of tank").arg(report.SensorDistance)
             : QStringLiteral("-")},
        {QStringLiteral("Technician"), OrDash(sources.Technician)},
        {QStringLiteral("Program"), sources.Program + u' ' + sources.Version},
    };
    certificate.Gauge = OrDash(deviceName) + QStringLiteral(", node ") + QString::number(node);
    certificate.Technician = sources.Technician;
    certificate.DeviceName = deviceName.toStdString();
    certificate.Node = node;
    if (offline)
        certificate.Header.push_back({QStringLiteral("Settings file"),
                                      OrDash(sources.SettingsFile)});

    AddSettings(certificate, family, foundImage, leftImage);
    AddTank(certificate, leftImage);
    AddAlarms(certificate, device, leftImage, !offline);

    std::vector<TCertificateLine>& proof = certificate.Proof;
    if (offline) {
        proof.push_back({QStringLiteral("Written to a gauge"),
                         QStringLiteral("No: prepared without a gauge.")});
        if (!sources.SettingsFile.isEmpty()) {
            TCertificateFile file{sources.SettingsFile, {}, {}};
            file.Sha256 = FileSha256(file.Path, &file.Problem);
            AddFileLines(proof, QStringLiteral("Settings file"), file);
            certificate.AsLeft = file;
        }
    } else if (!write) {
        proof.push_back({QStringLiteral("Last write"),
                         QStringLiteral("No write of this gauge is recorded in the journal; "
                                        "the settings are shown as read.")});
    } else {
        const QJsonObject& entry = *write;
        const QString time = entry[QStringLiteral("time")].toString();
        const QDateTime when = QDateTime::fromString(time, Qt::ISODate);
        QString who = entry[QStringLiteral("user")].toString();
        const QString reason = entry[QStringLiteral("reason")].toString();
        proof.push_back({QStringLiteral("Last write"),
                         QStringLiteral("%1, %2%3%4")
                             .arg(when.isValid() ? LocalTime(when) : time,
                                  entry[QStringLiteral("operation")].toString(),
                                  who.isEmpty() ? QString() : QStringLiteral(", by ") + who,
                                  reason.isEmpty() ? QString()
                                                   : QStringLiteral(", reason: ") + reason)});
        proof.push_back({QStringLiteral("Result"), WriteResult(entry)});
        proof.push_back({QStringLiteral("Journal line"), time});
        if (found) {
            AddFileLines(proof, QStringLiteral("As found file"), found->File);
            certificate.AsFound = found->File;
        } else {
            proof.push_back({QStringLiteral("As found file"), QStringLiteral("none")});
        }
        if (left) {
            AddFileLines(proof, QStringLiteral("As left file"), left->File);
            certificate.AsLeft = left->File;
        } else {
            proof.push_back({QStringLiteral("As left file"),
                             QStringLiteral("none (not read back); as left shows the gauge "
                                            "as read")});
        }
    }

    certificate.ContentSha256 = Hex(QCryptographicHash::hash(
        CertificateText(certificate).toUtf8(), QCryptographicHash::Sha256));
    return certificate;
}

QString CertificateText(const TCertificate& c) {
    QStringList lines;
    lines << c.Title;
    for (const TCertificateLine& line : c.Header)
        lines << line.Caption + QStringLiteral(": ") + line.Value;
    for (const TCertificateGroup& group : c.Groups) {
        lines << group.Name;
        for (const TCertificateSetting& s : group.Settings)
            lines << (s.Changed ? QString::fromUtf8(kChangedMarker) + u' ' : QString()) + s.Name +
                         QStringLiteral(": ") +
                         (c.Offline ? s.Left : s.Found + QStringLiteral(" -> ") + s.Left);
    }
    lines << QStringLiteral("Tank: ") + c.TankTypeName;
    for (const TCertificateLine& line : c.Dimensions)
        lines << line.Caption + QStringLiteral(": ") + line.Value;
    for (const TTableRow& row : c.Table)
        lines << QString::fromStdString(row.Height) + u',' + QString::fromStdString(row.Volume);
    for (const TCertificateAlarm& a : c.Alarms)
        lines << QStringList{a.Title, a.Enabled ? QStringLiteral("enabled")
                                                : QStringLiteral("disabled"),
                             a.Direction, a.Setpoint, a.Hysteresis}
                     .join(QStringLiteral(", "));
    for (const TCertificateAlarmTest& t : c.AlarmTests)
        lines << QStringList{t.Output, t.Started, t.Ending}.join(QStringLiteral(", "));
    for (const TCertificateLine& line : c.Proof)
        lines << line.Caption + QStringLiteral(": ") + line.Value;
    return lines.join(u'\n') + u'\n';
}
