// SPDX-License-Identifier: GPL-3.0-or-later
// The Summary page on each gauge family: what it shows and hides, what Write Settings sends and
// says, the checks of its entries, and the report it exports and opens.

#include "FmSummary.h"
#include "PageFixture.h"

#include "ByteOrder.h"
#include "SummaryReport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class SummaryPage : public TPageTest {
protected:
    TfmSummary& Open(const char* model, const char* pcid) {
        StartGauge(PageGaugeOptions(model, pcid));
        auto& page = MakePage<TfmSummary>();
        // No status polls after the first read (their replies would mix with the writes').
        Device().PollInterval = 600000;
        EXPECT_TRUE(Connect());
        return page;
    }
};

TEST_F(SummaryPage, ShowsAndWritesWhatEachFamilyHas) {
    const QString levels = QStringLiteral("0.804mA Level: 0.050 Meters Water");
    const QString with = QStringLiteral("Tank Safe Capacity and Display Resolution Hysteresis");
    const struct {
        const char *model, *pcid;
        const char* family; // E extended, 8 second model, F flow output
        std::vector<uint8_t> sent;
        QString box;
    } cases[] = {
        {"T7310", "3", "", {}, "No settings to write for T7310."},
        {"T7310", "5", "E", {}, "No settings to write for T7310."},
        {"T8310", "5", "E8", {0xB3, 0xC6, 0xB4}, with + " written successfully."},
        {"PRM8310",
         "5",
         "E8F",
         {0xB1, 0xB3, 0xC6, 0xB4},
         "Totalisation pulses/litre, " + with + " written successfully."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.pcid);
        TfmSummary& page = Open(c.model, c.pcid);
        const std::string family = c.family;
        const bool extended = !family.empty(), is8310 = family.size() > 1, flow = family.size() > 2;
        EXPECT_EQ(page.lblAlarmSetpoint[0]->text(), QStringLiteral("Master - Setpoint: 90.000%"));
        EXPECT_EQ(page.lblAlarmHysteresis[3]->text(),
                  QStringLiteral("Alarm 3 - Hysteresis: 2000ms"));
        EXPECT_EQ(page.lbl4mALevel->text(), extended ? levels : QStringLiteral("4mA Level"));
        EXPECT_EQ(page.lblTankSafeCapacityLitres->text().startsWith("4mA - 20mA = 0 to "),
                  extended);
        EXPECT_EQ(!page.edTankSafeCapacity->isHidden(), is8310);
        EXPECT_EQ(!page.lblDisplayResolutionHysteresis->isHidden(), is8310);
        EXPECT_EQ(!page.edFlowFreqScaling->isHidden(), flow);

        Gauge().ClearLog();
        Dialogs.Clear();
        Click(page.btWriteSettings);
        EXPECT_EQ(Dialogs.Boxes(), QStringList{c.box});
        EXPECT_EQ(Requests(), c.sent);
        if (is8310 && !flow) {
            EXPECT_EQ(GetBE16(Device().Image.Extended.data() + img::ExtFlowFrequencyScaling), 100);
        }
        Disconnect();
        delete &page;
    }
}

TEST_F(SummaryPage, WriteChecksEachEntryWithinItsBounds) {
    TfmSummary& page = Open("PRM8310", "5");
    const struct {
        const char *flow, *capacity, *hysteresis, *distance;
        QLineEdit* TfmSummary::*failing; // null: all good
    } cases[] = {
        {"1", "1", "1", "0", nullptr},
        {"65535", "100", "99", "10000", nullptr},
        {"0", "50", "5", "0", &TfmSummary::edFlowFreqScaling},
        {"100", "0", "5", "0", &TfmSummary::edTankSafeCapacity},
        {"100", "101", "5", "0", &TfmSummary::edTankSafeCapacity},
        {"100", "50", "100", "0", &TfmSummary::edDisplayResolutionHysteresis},
        {"100", "50", "5", "10001", &TfmSummary::edSensorDistance},
        {"100", "50", "5", "-1", &TfmSummary::edSensorDistance},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.flow) + " " + c.capacity + " " + c.hysteresis + " " +
                     c.distance);
        page.edFlowFreqScaling->setText(c.flow);
        page.edTankSafeCapacity->setText(c.capacity);
        page.edDisplayResolutionHysteresis->setText(c.hysteresis);
        page.edSensorDistance->setText(c.distance);
        page.edSerialNumber->setText(QStringLiteral("SN-%1").arg(c.distance));
        page.cbCommsType->setCurrentIndex(1);
        Dialogs.Clear();
        Gauge().ClearLog();
        Click(page.btWriteSettings);
        if (!c.failing) {
            EXPECT_EQ(Dialogs.Boxes().size(), 1);
            EXPECT_EQ(Gauge().Block(0x29), std::vector<uint8_t>{uint8_t(atoi(c.capacity))});
            EXPECT_EQ(Device().Report.SensorDistance, atoi(c.distance));
            EXPECT_EQ(Device().Report.SerialNumber, std::string("SN-") + c.distance);
            EXPECT_EQ(Device().Report.CommsType, 1);
            continue;
        }
        ASSERT_EQ(Dialogs.Boxes().size(), 2);
        EXPECT_EQ(Dialogs.Boxes()[1], TZURPage::kWriteErrorText);
        EXPECT_TRUE((page.*c.failing)->hasFocus());
        EXPECT_TRUE(Requests().empty());
    }
}

TEST_F(SummaryPage, ExportWritesTheReportThenOpensItEvenWhenWritingFailed) {
    TfmSummary& page = Open("T8310", "5");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QStringList opened, printed;
    page.OpenInEditor = [&](const QString& path) { opened << path; };
    page.PrintFile = [&](const QString& path) { printed << path; };
    const QString path = QDir(dir.path()).absoluteFilePath("T8310 Settings");
    auto report = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    };

    // As shown after the read: the same bytes the command-line tool writes.
    Click(page.btExport);
    EXPECT_EQ(report(), SummaryReport(Device(), ShownEntries(Device())));
    page.edSerialNumber->setText(QStringLiteral("SN-42"));
    page.edTankSafeCapacity->setText(QStringLiteral("not gathered"));
    Click(page.btExport);
    EXPECT_TRUE(report().contains("\r\nUnit Serial Number:    SN-42\r\n"));
    EXPECT_TRUE(report().contains("\r\nSafe Working Capacity: not gathered %\r\n"));
    EXPECT_EQ(opened, QStringList({path, path}));
    EXPECT_TRUE(Dialogs.Boxes().isEmpty());

    page.btPrintClick();
    EXPECT_EQ(printed, QStringList{path});

    // A folder where the report goes: the box, and the editor is still started.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(dir.path()).mkdir("T8310 Settings"));
    Click(page.btExport);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("The file could not be created")});
    EXPECT_EQ(opened.size(), 3);
    QDir::setCurrent(previous);
}

} // namespace
