// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeWrite.h"

#include "Instructions.h"
#include "SerialPacket.h"
#include "SettingsFile.h"
#include "T7310.h"

#include <QJsonArray>

namespace {

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

const char* WriteResultText(TWriteResult result) {
    switch (result) {
    case TWriteResult::Ok:
        return "ok";
    case TWriteResult::Failed:
        return "failed";
    case TWriteResult::NotKept:
        return "not-kept";
    }
    return "failed";
}

TCompareScope ScopeOf(const std::set<uint8_t>& writes) {
    TCompareScope scope;
    scope.Writes = writes;
    scope.Table =
        writes.count(instr::TableSizeWrite) > 0 || writes.count(instr::TableDataWrite) > 0;
    return scope;
}

QJsonArray ChangesJson(const TDifferences& differences) {
    QJsonArray list;
    for (const TSettingDifference& d : differences.Settings)
        list.append(QJsonObject{{"id", d.Id >= 0 ? QJsonValue(d.Id) : QJsonValue()},
                                {"group", Latin1(d.Group)},
                                {"name", Latin1(d.Name)},
                                {"from", Latin1(d.From)},
                                {"to", Latin1(d.To)}});
    for (const TRowDifference& row : differences.Table)
        list.append(QJsonObject{{"id", kTableItem},
                                {"group", QString::fromLatin1(kTableGroup)},
                                {"name", QStringLiteral("row %1").arg(row.Row)},
                                {"from", Latin1(RowText(row.From))},
                                {"to", Latin1(RowText(row.To))}});
    return list;
}

TSafeWrite::TSafeWrite(T7310& device, TArchive& archive, std::string operation)
    : device_(device), archive_(archive), operation_(std::move(operation)) {}

bool TSafeWrite::Prepare() {
    if (!device_.GaugeImageKnown()) {
        TDeviceImage found;
        if (!device_.ReadGaugeImage(found, false))
            return false;
    }
    // A Non standard tank is archived with its table, read first when this session has not.
    return !device_.GaugeImage.IsNonStandardTank() || device_.GaugeTableKnown() ||
           device_.ReadGaugeTable();
}

void TSafeWrite::ArchiveError(const QString& text) {
    if (OnArchiveError)
        OnArchiveError(text);
}

QString TSafeWrite::Save(const TDeviceImage& image, const QString& kind) {
    QString error;
    const QString path = archive_.SaveImage(
        gauge_folder_, kind, EncodeSettingsFile(image, device_.Report, device_.IsExtended()),
        QDateTime::currentDateTimeUtc(), &error);
    if (path.isEmpty())
        ArchiveError(QStringLiteral("The archive could not be written: ") + error);
    return path;
}

void TSafeWrite::Begin() {
    started_ = QDateTime::currentDateTimeUtc();
    as_found_image_ = device_.GaugeImage;
    gauge_folder_ = TArchive::GaugeFolderName(as_found_image_.DeviceName, as_found_image_.Rs485Id);
    as_found_ = Save(as_found_image_, QStringLiteral("as-found"));
    device_.StartWriteLog();
}

std::set<uint8_t> TSafeWrite::Sent() const {
    const auto& log = device_.WriteLog();
    return std::set<uint8_t>(log.begin(), log.end());
}

bool TSafeWrite::Verify() {
    TDeviceImage left;
    const std::set<uint8_t> sent = Sent();
    not_kept_ = {};
    // Only what the series wrote: the rest of the gauge image is as found, and known.
    if (!device_.ReadGaugeBack(left, sent)) {
        verify_failed_ = true;
        return false;
    }
    verified_ = true;
    verify_failed_ = false;
    not_kept_ = CompareImages(left, device_.Image, ScopeOf(sent));
    as_left_ = Save(left, QStringLiteral("as-left"));
    return true;
}

TWriteResult TSafeWrite::Record(bool written) {
    changes_ = CompareImages(as_found_image_, device_.Image, ScopeOf(Sent()));
    TWriteResult result = TWriteResult::Ok;
    if (!written || (verify_failed_ && !verified_))
        result = TWriteResult::Failed;
    else if (verified_ && !not_kept_.Empty())
        result = TWriteResult::NotKept;

    const TDeviceImage& found = as_found_image_;
    QJsonObject entry{
        {"time", started_.toString(Qt::ISODate)},
        {"device", QString::fromStdString(device_.Link().OpenedPath())},
        {"node", static_cast<int>(found.Rs485Id)},
        {"identity", QJsonObject{{"name", Latin1(found.DeviceName)},
                                 {"version", Latin1(found.SoftwareVersion)},
                                 {"pcid", Latin1(found.DevicePcSoftwareId)}}},
        {"operation", QString::fromStdString(operation_)},
        {"result", QString::fromLatin1(WriteResultText(result))},
        {"changes", ChangesJson(changes_)},
        // What the read-back found different (gauge -> written); empty when all was kept.
        {"not_kept", ChangesJson(not_kept_)},
        {"as_found", as_found_.isEmpty() ? QJsonValue() : QJsonValue(as_found_)},
        {"as_left", verified_ && !as_left_.isEmpty() ? QJsonValue(as_left_) : QJsonValue()},
        {"user", User.isEmpty() ? QJsonValue() : QJsonValue(User)},
        {"reason", Reason.isEmpty() ? QJsonValue() : QJsonValue(Reason)},
    };
    QString error;
    if (!archive_.AppendJournal(entry, &error))
        ArchiveError(QStringLiteral("The journal could not be written: ") + error);
    return result;
}

QString ArchiveUnwritten(T7310& device, TArchive& archive, QString* error) {
    const TDeviceImage& gauge = device.GaugeImage;
    return archive.SaveImage(TArchive::GaugeFolderName(gauge.DeviceName, gauge.Rs485Id),
                             QStringLiteral("unwritten"),
                             EncodeSettingsFile(device.Image, device.Report, device.IsExtended()),
                             QDateTime::currentDateTimeUtc(), error);
}
