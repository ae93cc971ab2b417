// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFile.h"

#include "ByteOrder.h"
#include "T7310.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using TBuffer = std::vector<uint8_t>;

size_t FileSize(bool extended) {
    return extended ? tls::Format3Size : tls::Format2Size;
}
uint32_t FileFormat(bool extended) {
    return extended ? tls::Format3 : tls::Format2;
}

template <size_t N>
void PutBlock(TBuffer& buffer, size_t offset, const std::array<uint8_t, N>& block) {
    std::memcpy(buffer.data() + offset, block.data(), N);
}

template <size_t N>
void GetBlock(const TBuffer& buffer, size_t offset, std::array<uint8_t, N>& block) {
    std::memcpy(block.data(), buffer.data() + offset, N);
}

void PutText(TBuffer& buffer, size_t lengthOffset, size_t area, const std::string& text) {
    const size_t length = std::min(text.size(), area);
    buffer[lengthOffset] = static_cast<uint8_t>(length);
    std::memcpy(buffer.data() + lengthOffset + 1, text.data(), length);
}

// A length byte larger than the area is limited to the area.
std::string GetText(const TBuffer& buffer, size_t lengthOffset, size_t area) {
    const size_t length = std::min<size_t>(buffer[lengthOffset], area);
    return std::string(reinterpret_cast<const char*>(buffer.data() + lengthOffset + 1), length);
}

// The tank name the 12 name bytes hold: up to the first zero byte.
std::string NameBytesText(const uint8_t* bytes) {
    const auto* end = std::find(bytes, bytes + img::TankNameBytes, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(end - bytes));
}

} // namespace

std::vector<uint8_t> EncodeSettingsFile(const TDeviceImage& image, const TReportFields& report,
                                        bool extended) {
    TBuffer buffer(FileSize(extended), 0);
    PutLE32(buffer.data() + tls::FormatNumber, FileFormat(extended));
    buffer[tls::Rs485Id] = image.Rs485Id;
    for (size_t i = 0; i < img::AlarmCount; ++i)
        PutBlock(buffer, tls::Alarms + i * img::AlarmRecordSize, image.Alarms[i]);
    PutBlock(buffer, tls::TankMin, image.TankMin);
    PutBlock(buffer, tls::TankMax, image.TankMax);
    PutBlock(buffer, tls::OutputOptions, image.OutputOptions);
    PutBlock(buffer, tls::DisplayOptions, image.DisplayOptions);
    PutBlock(buffer, tls::TankDescription, image.TankDescription);
    // The name bytes are kept as the gauge last sent them; when the name text has been edited
    // since, the text is what the gauge will hold, so the file carries the text instead (a
    // load takes the name from these bytes).
    const std::string name = image.TankName.substr(0, img::TankNameBytes);
    if (NameBytesText(image.TankDescription.data()) != name) {
        uint8_t* bytes = buffer.data() + tls::TankDescription;
        std::fill(bytes, bytes + img::TankNameBytes, uint8_t{0});
        std::memcpy(bytes, name.data(), name.size());
    }
    std::memcpy(buffer.data() + tls::TestModeTimeout,
                image.Calibration.data() + img::CalTestModeTimeout, tls::TestModeTimeoutSize);
    PutBlock(buffer, tls::TankTable, image.TankTable);
    buffer[tls::DefaultProtocol] = image.DefaultProtocol;
    if (!extended)
        return buffer;

    PutBlock(buffer, tls::Extended, image.Extended);
    PutBlock(buffer, tls::ReportReserved, report.Reserved);
    buffer[tls::BundAlarm] = report.BundAlarm;
    buffer[tls::CommsType] = report.CommsType;
    PutLE32(buffer.data() + tls::SensorDistance, static_cast<uint32_t>(report.SensorDistance));
    PutText(buffer, tls::SerialNumberLength, tls::SerialNumberArea, report.SerialNumber);
    PutText(buffer, tls::NameLength, tls::TextArea, report.Name);
    PutText(buffer, tls::CompletedDateLength, tls::TextArea, report.CompletedDate);
    PutText(buffer, tls::SavedAsLength, tls::TextArea, report.SavedAs);
    return buffer;
}

namespace {

// Applies a checked buffer to copies of the image and the report fields. The RS 485 ID, the
// test mode timeout and "Display Enabled" stay as the device has them, unless whole.
// Whole: the file is all there is (no gauge), so those three come from the file too.
void Decode(const TBuffer& buffer, bool extended, bool whole, TDeviceImage& image,
            TReportFields& report) {
    if (whole) {
        image.Rs485Id = buffer[tls::Rs485Id];
        std::memcpy(image.Calibration.data() + img::CalTestModeTimeout,
                    buffer.data() + tls::TestModeTimeout, tls::TestModeTimeoutSize);
    }
    for (size_t i = 0; i < img::AlarmCount; ++i)
        GetBlock(buffer, tls::Alarms + i * img::AlarmRecordSize, image.Alarms[i]);
    GetBlock(buffer, tls::TankMin, image.TankMin);
    GetBlock(buffer, tls::TankMax, image.TankMax);
    GetBlock(buffer, tls::OutputOptions, image.OutputOptions);
    const uint8_t displayEnabled = image.DisplayOptions[img::DisplayEnabled];
    GetBlock(buffer, tls::DisplayOptions, image.DisplayOptions);
    if (!whole)
        image.DisplayOptions[img::DisplayEnabled] = displayEnabled;
    GetBlock(buffer, tls::TankDescription, image.TankDescription);
    // The name text is what the tank page shows and what the gauge is sent, so it must follow
    // the file too, or the next write would send the old gauge's name.
    image.TankName = NameBytesText(image.TankDescription.data());
    GetBlock(buffer, tls::TankTable, image.TankTable);
    image.DefaultProtocol = buffer[tls::DefaultProtocol];
    if (!extended)
        return;

    GetBlock(buffer, tls::Extended, image.Extended);
    GetBlock(buffer, tls::ReportReserved, report.Reserved);
    report.BundAlarm = buffer[tls::BundAlarm];
    report.CommsType = buffer[tls::CommsType];
    report.SensorDistance = static_cast<int32_t>(GetLE32(buffer.data() + tls::SensorDistance));
    report.SerialNumber = GetText(buffer, tls::SerialNumberLength, tls::SerialNumberArea);
    report.Name = GetText(buffer, tls::NameLength, tls::TextArea);
    report.CompletedDate = GetText(buffer, tls::CompletedDateLength, tls::TextArea);
    report.SavedAs = GetText(buffer, tls::SavedAsLength, tls::TextArea);
}

} // namespace

bool T7310::SaveToFile(const std::string& fileName) {
    const TBuffer buffer = EncodeSettingsFile(Image, Report, IsExtended());
    // The image goes to a temporary file beside the target, which replaces the target only
    // once it is complete and on disk; an unfinished one is removed, the old file stays.
    // Unbuffered, so a short write shows in write()'s count: a buffered one would be
    // flushed at commit, which takes a partial flush for success.
    QSaveFile file(QFile::decodeName(fileName.c_str()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw TSettingsFileError("Could not create the file \"" + fileName +
                                 "\": " + file.errorString().toStdString());
    const auto size = static_cast<qint64>(buffer.size());
    if (file.write(reinterpret_cast<const char*>(buffer.data()), size) != size) {
        file.cancelWriting();
        return false;
    }
#if defined(Q_OS_UNIX)
    // commit() syncs too but ignores a failure; a file not on disk must not replace the old.
    if (::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
#endif
    return file.commit();
}

namespace {

TBuffer ReadSettingsBytes(const std::string& fileName, size_t size) {
    QFile file(QFile::decodeName(fileName.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        throw TSettingsFileError("Could not open the file \"" + fileName +
                                 "\": " + file.errorString().toStdString());
    const QByteArray data = file.read(static_cast<qint64>(size));
    return TBuffer(data.begin(), data.end());
}

} // namespace

std::optional<uint32_t> SettingsFileFormat(const std::string& fileName) {
    const TBuffer buffer = ReadSettingsBytes(fileName, tls::Format3Size + 1);
    if (buffer.size() < tls::FormatNumberSize)
        return std::nullopt;
    const uint32_t format = GetLE32(buffer.data() + tls::FormatNumber);
    const size_t expected = format == tls::Format2   ? tls::Format2Size
                            : format == tls::Format3 ? tls::Format3Size
                                                     : 0;
    if (expected == 0 || buffer.size() < expected)
        return std::nullopt;
    return format;
}

bool T7310::LoadFromFile(const std::string& fileName) {
    return LoadSettings(ReadSettingsBytes(fileName, FileSize(IsExtended())), false);
}

bool T7310::LoadWholeFile(const std::string& fileName) {
    return LoadSettings(ReadSettingsBytes(fileName, FileSize(IsExtended())), true);
}

bool T7310::LoadSettings(const std::vector<uint8_t>& bytes, bool whole) {
    const bool extended = IsExtended();
    const size_t size = FileSize(extended);
    if (bytes.size() < size)
        return false;
    const TBuffer buffer(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    if (GetLE32(buffer.data() + tls::FormatNumber) != FileFormat(extended))
        return false;
    // A gauge holds at most 100 rows; a larger size would be sent on the next write of all
    // settings and leave the gauge with a table it cannot hold.
    if (buffer[tls::TankTable + img::TableSizeOffset] > tls::MaxTableSize)
        return false;

    TDeviceImage image = Image;
    TReportFields report = Report;
    Decode(buffer, extended, whole, image, report);
    Image = std::move(image);
    Report = std::move(report);
    NotifyAll();
    return true;
}

void T7310::NotifyAll() {
    // The flag tells the event handlers that these values come from a file, not the gauge
    // (a loaded Non standard tank must not start a table read). Cleared on every way out.
    struct TApplyingFile {
        bool& flag;
        explicit TApplyingFile(bool& f) : flag(f) { flag = true; }
        ~TApplyingFile() { flag = false; }
    } applying(applying_file_);

    if (OnSensorSettings)
        OnSensorSettings(this, AlarmRefs, Image.Calibration.data() + img::CalInputPair);
    if (OnOutputOptions)
        OnOutputOptions(this, Image.OutputOptions);
    if (OnDisplayOptions)
        OnDisplayOptions(this, Image.DisplayOptions);
    if (OnTankShape)
        OnTankShape(this, Image.TankDescription);
    if (OnAlarms)
        OnAlarms(this, AlarmRefs);
    if (OnTankTable)
        OnTankTable(this, Image.TankTable, Image.TankDescription);
    if (OnDefaultProtocol)
        OnDefaultProtocol(this, Image.DefaultProtocol != 0);
    if (OnSettingsRead)
        OnSettingsRead(this);
}
