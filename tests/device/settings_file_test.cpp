// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteOrder.h"
#include "SettingsFile.h"
#include "T7310.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

enum class TFamily { Plain, T8310, T7310Extended };

void SetFamily(T7310& device, TFamily family) {
    device.Is8310 = family == TFamily::T8310;
    device.Is7310Extended = family == TFamily::T7310Extended;
}

template <size_t N> void Pattern(std::array<uint8_t, N>& block, int base) {
    for (size_t i = 0; i < N; ++i)
        block[i] = static_cast<uint8_t>(base + static_cast<int>(i));
}

// Every block gets bytes that differ by block and position, so a misplaced copy shows.
void Fill(T7310& device) {
    TDeviceImage& image = device.Image;
    for (size_t k = 0; k < 4; ++k)
        Pattern(image.Alarms[k], 0x10 + 6 * static_cast<int>(k));
    PutBE16(image.Alarms[0].data(), 5000); // setpoint 50.00 %
    Pattern(image.TankMin, 0x30);
    Pattern(image.TankMax, 0x40);
    Pattern(image.OutputOptions, 0x50);
    Pattern(image.DisplayOptions, 0x58);
    Pattern(image.TankDescription, 0x61); // name bytes "abcdefghijkl"
    image.TankName = "abcdefghijkl";
    Pattern(image.Calibration, 0xC0);
    for (size_t i = 0; i < image.TankTable.size(); ++i)
        image.TankTable[i] = static_cast<uint8_t>(i * 7);
    image.TankTable[0] = 100;
    PutBE32(image.TableRow(0), 1000); // height 1.000
    Pattern(image.Extended, 0xE0);
    image.Rs485Id = 0x2A;
    image.DefaultProtocol = 1;
    device.Report = {{1, 2, 3, 4}, 1, 1, -2, "SN12345", "Jo", "2024-05-01", "a.TLS"};
}

// The file Fill() must produce, written from the layout's literal offsets.
TBytes Golden(bool format3) {
    TBytes file(format3 ? 1236 : 900, 0);
    auto range = [&](size_t offset, size_t size, int base) {
        for (size_t i = 0; i < size; ++i)
            file[offset + i] = static_cast<uint8_t>(base + static_cast<int>(i));
    };
    file[0] = format3 ? 3 : 2;
    file[4] = 0x2A;
    range(5, 24, 0x10);
    file[5] = 0x13, file[6] = 0x88;
    range(29, 6, 0x30);
    range(35, 6, 0x40);
    range(41, 2, 0x50);
    range(43, 9, 0x58);
    range(52, 36, 0x61);
    file[96] = 0xC8, file[97] = 0xC9;
    for (size_t i = 0; i < 801; ++i)
        file[98 + i] = static_cast<uint8_t>(i * 7);
    file[98] = 100;
    file[99] = 0, file[100] = 0, file[101] = 0x03, file[102] = 0xE8;
    file[899] = 1;
    if (!format3)
        return file;
    range(900, 12, 0xE0);
    range(912, 4, 1);
    file[916] = 1, file[917] = 1;
    file[918] = 0xFE, file[919] = 0xFF, file[920] = 0xFF, file[921] = 0xFF;
    auto text = [&](size_t offset, const std::string& s) {
        file[offset] = static_cast<uint8_t>(s.size());
        std::copy(s.begin(), s.end(), file.begin() + static_cast<long>(offset) + 1);
    };
    text(922, "SN12345");
    text(933, "Jo");
    text(1034, "2024-05-01");
    text(1135, "a.TLS");
    return file;
}

// Everything a load may change, as one comparable string.
std::string Snapshot(const T7310& device) {
    const TDeviceImage& i = device.Image;
    std::string s;
    auto add = [&](const auto& block) { s.append(block.begin(), block.end()); };
    for (const auto& alarm : i.Alarms)
        add(alarm);
    add(i.TankMin), add(i.TankMax), add(i.OutputOptions), add(i.DisplayOptions);
    add(i.TankDescription), add(i.Calibration), add(i.Extended), add(i.TankTable);
    s += char(i.Rs485Id), s += char(i.DefaultProtocol), s += "|" + i.TankName;
    const TReportFields& r = device.Report;
    add(r.Reserved);
    s += char(r.BundAlarm), s += char(r.CommsType), s += std::to_string(r.SensorDistance);
    return s + "|" + r.SerialNumber + "|" + r.Name + "|" + r.CompletedDate + "|" + r.SavedAs;
}

class SettingsFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }
    static void Write(const std::string& path, const TBytes& bytes) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    static TBytes Read(const std::string& path) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = file.readAll();
        return TBytes(data.begin(), data.end());
    }
    QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, SavesByteExactAndLoadsBackBothFormats) {
    for (TFamily family : {TFamily::Plain, TFamily::T8310, TFamily::T7310Extended}) {
        SCOPED_TRACE(static_cast<int>(family));
        const bool format3 = family != TFamily::Plain;
        T7310 source;
        SetFamily(source, family);
        Fill(source);
        ASSERT_TRUE(source.SaveToFile(Path("out.TLS")));
        EXPECT_EQ(Read(Path("out.TLS")), Golden(format3));

        T7310 target;
        SetFamily(target, family);
        target.Image.Rs485Id = 7;
        target.Image.DisplayOptions[0] = 0; // Display Enabled
        Pattern(target.Image.Calibration, 0x70);
        const TCalibration calibration = target.Image.Calibration;
        Write(Path("in.TLS"), Golden(format3));
        ASSERT_TRUE(target.LoadFromFile(Path("in.TLS")));

        // Everything but the node ID, the test timeout and Display Enabled came from the file.
        EXPECT_EQ(target.Image.Rs485Id, 7);
        EXPECT_EQ(target.Image.Calibration, calibration);
        EXPECT_EQ(target.Image.DisplayOptions[0], 0);
        target.Image.Rs485Id = source.Image.Rs485Id;
        target.Image.Calibration = source.Image.Calibration;
        target.Image.DisplayOptions[0] = source.Image.DisplayOptions[0];
        if (!format3) { // a format 2 file holds neither the extended block nor the report
            target.Image.Extended = source.Image.Extended;
            target.Report = source.Report;
        }
        EXPECT_EQ(Snapshot(target), Snapshot(source));
        EXPECT_EQ(GetBE16(target.Image.Alarms[0].data()), 5000);
        EXPECT_EQ(target.Report.SensorDistance, format3 ? -2 : source.Report.SensorDistance);
    }
}

TEST_F(SettingsFileTest, RefusedFilesLeaveTheImageAndRaiseNothing) {
    struct Case {
        const char* what;
        TFamily family;
        TBytes file;
        bool loads;
    };
    auto with = [](TBytes file, size_t offset, uint8_t value) {
        file[offset] = value;
        return file;
    };
    auto resized = [](TBytes file, size_t size, uint8_t fill) {
        file.resize(size, fill);
        return file;
    };
    const TBytes two = Golden(false), three = Golden(true);
    const Case cases[] = {
        {"empty", TFamily::Plain, {}, false},
        {"short format 2", TFamily::Plain, resized(two, 899, 0), false},
        {"short format 3", TFamily::T8310, resized(three, 1235, 0), false},
        {"format 2 for an extended gauge", TFamily::T8310, two, false},
        {"format 2 padded, extended gauge", TFamily::T7310Extended, resized(two, 1236, 0), false},
        {"format 3 for a plain gauge", TFamily::Plain, three, false},
        {"format number 1", TFamily::Plain, with(two, 0, 1), false},
        {"format number 2 + 256", TFamily::Plain, with(two, 1, 1), false},
        {"format number 3 + 2^24", TFamily::T8310, with(three, 3, 1), false},
        {"table size 101", TFamily::Plain, with(two, 98, 101), false},
        {"table size 255", TFamily::T8310, with(three, 98, 255), false},
        {"table size 100", TFamily::Plain, with(two, 98, 100), true},
        {"format 3 with a tail", TFamily::T8310, resized(three, 1300, 0xEE), true},
        {"format 2 with a tail", TFamily::Plain, resized(two, 1236, 3), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        T7310 device;
        SetFamily(device, c.family);
        Pattern(device.Image.TankDescription, 0x30);
        device.Image.TankName = "keep me";
        device.Report.Name = "kept";
        int events = 0;
        device.OnSettingsRead = [&](T7310*) { ++events; };
        device.OnTankShape = [&](T7310*, const TTankDescription&) { ++events; };
        const std::string before = Snapshot(device);
        Write(Path("file.TLS"), c.file);
        EXPECT_EQ(device.LoadFromFile(Path("file.TLS")), c.loads);
        EXPECT_EQ(Snapshot(device) == before, !c.loads);
        EXPECT_EQ(events, c.loads ? 2 : 0);
    }
}

TEST_F(SettingsFileTest, ReportTextsAreLimitedToTheirAreas) {
    T7310 device;
    device.Is8310 = true;
    device.Report.SerialNumber = "ABCDEFGHIJKL"; // 12 characters
    device.Report.Name = std::string(150, 'n');
    device.Report.SavedAs = "";
    ASSERT_TRUE(device.SaveToFile(Path("texts.TLS")));
    TBytes file = Read(Path("texts.TLS"));
    ASSERT_EQ(file.size(), 1236u);
    EXPECT_EQ(file[922], 10);
    EXPECT_EQ(std::string(file.begin() + 923, file.begin() + 933), "ABCDEFGHIJ");
    EXPECT_EQ(file[933], 100);
    EXPECT_EQ(file[1034], 0);
    EXPECT_EQ(file[1135], 0);

    struct Case {
        size_t lengthOffset;
        uint8_t lengthByte;
        size_t loaded;
        std::string TReportFields::*field;
    };
    const Case cases[] = {
        {922, 200, 10, &TReportFields::SerialNumber},
        {922, 3, 3, &TReportFields::SerialNumber},
        {933, 200, 100, &TReportFields::Name},
        {1034, 101, 100, &TReportFields::CompletedDate},
        {1135, 0, 0, &TReportFields::SavedAs},
        {1135, 100, 100, &TReportFields::SavedAs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lengthOffset);
        TBytes edited = Golden(true);
        std::fill(edited.begin() + static_cast<long>(c.lengthOffset) + 1,
                  edited.begin() + static_cast<long>(c.lengthOffset) + 1 +
                      (c.lengthOffset == 922 ? 10 : 100),
                  'x');
        edited[c.lengthOffset] = c.lengthByte;
        Write(Path("edited.TLS"), edited);
        ASSERT_TRUE(device.LoadFromFile(Path("edited.TLS")));
        EXPECT_EQ(device.Report.*c.field, std::string(c.loaded, 'x'));
    }
}

TEST_F(SettingsFileTest, LoadRaisesThePageEventsInOrderWhileApplyingTheFile) {
    T7310 device;
    std::vector<std::string> seen;
    auto note = [&](const char* name) {
        seen.push_back(std::string(name) + (device.ApplyingFile() ? "" : " (flag clear)"));
    };
    device.OnSensorSettings = [&](T7310* d, const TAlarmRefs& refs, const uint8_t* pair) {
        note("SensorSettings");
        EXPECT_EQ(refs[3], &d->Image.Alarms[3]);
        EXPECT_EQ(pair, d->Image.Calibration.data() + 4);
    };
    device.OnOutputOptions = [&](T7310*, const TOutputOptions&) { note("OutputOptions"); };
    device.OnDisplayOptions = [&](T7310*, const TDisplayOptions&) { note("DisplayOptions"); };
    device.OnTankShape = [&](T7310*, const TTankDescription&) { note("TankShape"); };
    device.OnAlarms = [&](T7310*, const TAlarmRefs&) { note("Alarms"); };
    device.OnTankTable = [&](T7310*, const TTankTable& table, const TTankDescription&) {
        note("TankTable");
        EXPECT_EQ(table[0], 100);
    };
    device.OnDefaultProtocol = [&](T7310*, bool modbus) {
        note(modbus ? "DefaultProtocol(true)" : "DefaultProtocol(false)");
    };
    device.OnSettingsRead = [&](T7310*) { note("SettingsRead"); };
    device.OnReadAllDone = [&](T7310*) { note("ReadAllDone"); };

    TBytes file = Golden(false);
    file[899] = 2; // any nonzero flag means Modbus
    Write(Path("events.TLS"), file);
    ASSERT_TRUE(device.LoadFromFile(Path("events.TLS")));
    const std::vector<std::string> expected{
        "SensorSettings", "OutputOptions", "DisplayOptions",        "TankShape",
        "Alarms",         "TankTable",     "DefaultProtocol(true)", "SettingsRead"};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(device.ApplyingFile());

    // A handler that throws still leaves the flag clear.
    device.OnAlarms = [](T7310*, const TAlarmRefs&) { throw std::runtime_error("page failed"); };
    EXPECT_THROW(device.NotifyAll(), std::runtime_error);
    EXPECT_FALSE(device.ApplyingFile());
}

TEST_F(SettingsFileTest, TankNameTextFollowsTheFileAndTheSave) {
    struct Case {
        const char* nameBytes; // 12 bytes
        const char* text;
    };
    const Case cases[] = {
        {"TANK A\0junk!", "TANK A"}, {"ABCDEFGHIJKL", "ABCDEFGHIJKL"}, {"\0BCDEFGHIJKL", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TBytes file = Golden(false);
        std::copy(c.nameBytes, c.nameBytes + 12, file.begin() + 52);
        Write(Path("name.TLS"), file);
        T7310 device;
        device.Image.TankName = "OLD GAUGE";
        ASSERT_TRUE(device.LoadFromFile(Path("name.TLS")));
        EXPECT_EQ(device.Image.TankName, c.text);
        // Saved unchanged, the name bytes are kept as they were, bytes after the zero too.
        ASSERT_TRUE(device.SaveToFile(Path("again.TLS")));
        const TBytes again = Read(Path("again.TLS"));
        ASSERT_EQ(again.size(), 900u);
        EXPECT_TRUE(std::equal(file.begin() + 52, file.begin() + 64, again.begin() + 52));
    }
    // A name edited since it was read is what the file carries.
    T7310 device;
    Fill(device);
    device.Image.TankName = "NEW";
    ASSERT_TRUE(device.SaveToFile(Path("edited.TLS")));
    const TBytes saved = Read(Path("edited.TLS"));
    EXPECT_EQ(TBytes(saved.begin() + 52, saved.begin() + 64),
              TBytes({'N', 'E', 'W', 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    TBytes expected = Golden(false);
    std::copy_n("NEW\0\0\0\0\0\0\0\0\0", 12, expected.begin() + 52);
    EXPECT_EQ(saved, expected);
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    T7310 device;
    Fill(device);
    const TBytes old(900, 0xAB);
    Write(Path("keep.TLS"), old);

    // The file size limit cuts the write short, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool result = device.SaveToFile(Path("keep.TLS"));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(result);
    EXPECT_EQ(Read(Path("keep.TLS")), old);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("keep.TLS")});

    // Files that cannot be created or opened raise the system's reason with the name.
    struct Case {
        std::string path;
        bool save;
        const char* reason;
    };
    QDir().mkpath(dir_.path() + "/folder.TLS");
    const Case cases[] = {{Path("missing/x.TLS"), true, "No such file or directory"},
                          {Path("folder.TLS"), true, "directory"},
                          {Path("absent.TLS"), false, "No such file or directory"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            if (c.save)
                device.SaveToFile(c.path);
            else
                device.LoadFromFile(c.path);
            ADD_FAILURE() << "no error raised";
        } catch (const TSettingsFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.path), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(QFileInfo(dir_.path() + "/folder.TLS").isDir());

    // A good save replaces a longer old file completely.
    Write(Path("keep.TLS"), TBytes(2000, 0xCD));
    ASSERT_TRUE(device.SaveToFile(Path("keep.TLS")));
    EXPECT_EQ(Read(Path("keep.TLS")), Golden(false));
}

} // namespace

TEST_F(SettingsFileTest, AWholeLoadSavesTheSameBytesAgain) {
    // Without a gauge the file is all there is: what a load would keep from the gauge (node
    // ID, test mode timeout, Display Enabled) comes from the file, so a save gives it back.
    for (TFamily family : {TFamily::Plain, TFamily::T8310, TFamily::T7310Extended}) {
        SCOPED_TRACE(static_cast<int>(family));
        const TBytes golden = Golden(family != TFamily::Plain);
        Write(Path("in.TLS"), golden);
        T7310 device;
        SetFamily(device, family);
        device.Image.Rs485Id = 7;
        ASSERT_TRUE(device.LoadWholeFile(Path("in.TLS")));
        EXPECT_EQ(device.Image.Rs485Id, 0x2A);
        ASSERT_TRUE(device.SaveToFile(Path("again.TLS")));
        EXPECT_EQ(Read(Path("again.TLS")), golden);
    }
}

TEST_F(SettingsFileTest, TheFormatOfAFileIsToldOnlyForAWholeOne) {
    TBytes format2 = Golden(false);
    TBytes format3 = Golden(true);
    TBytes unknown = format2;
    unknown[0] = 4;
    const TBytes shortFormat3(format3.begin(), format3.begin() + 1000);
    const struct {
        const char* what;
        TBytes bytes;
        std::optional<uint32_t> format;
    } cases[] = {
        {"format 2", format2, 2u},
        {"format 3", format3, 3u},
        {"an unknown format", unknown, std::nullopt},
        {"format 3 cut short", shortFormat3, std::nullopt},
        {"three bytes", TBytes{3, 0, 0}, std::nullopt},
        {"empty", TBytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write(Path("f.TLS"), c.bytes);
        EXPECT_EQ(SettingsFileFormat(Path("f.TLS")), c.format);
    }
    EXPECT_THROW(SettingsFileFormat(Path("missing.TLS")), TSettingsFileError);
}
