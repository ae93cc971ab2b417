// SPDX-License-Identifier: GPL-3.0-or-later
// Device > Provision Site...: the site file chosen and checked, the run shown live in the table,
// the report saved as CSV, and the window's own connection closed for the run and opened again
// to the same node afterwards; a bad site file refused before anything is sent.

#include "AppFixture.h"

#include "FmProvisionSite.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

constexpr size_t kContrast = 43 + 5; // display options record in the file, contrast

class ProvisionSite : public TAppTest {};

sim::Options Node(uint8_t node, std::map<uint8_t, sim::Fault> faults = {}) {
    sim::Options options;
    options.node = node;
    options.faults = std::move(faults);
    return options;
}

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST_F(ProvisionSite, TwoBusesFromTheDialogAndTheWindowsConnectionBack) {
    // The window's bus (COM 1) with three gauges, one forgetting its display writes; a second
    // bus named in the site file.
    StartBus({Node(1), Node(2, {{0xA4, sim::Fault::Forget}}), Node(3)});
    sim::GaugeSimulator other(std::vector<sim::Options>{Node(4), Node(5)});
    std::string error;
    ASSERT_TRUE(other.Start(&error)) << error;
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));

    QTemporaryDir dir;
    const QString own = dir.filePath(QStringLiteral("own.TLS"));
    ASSERT_TRUE(Device().SaveToFile(own.toStdString()));
    QFile ownFile(own);
    ASSERT_TRUE(ownFile.open(QIODevice::ReadOnly));
    QByteArray bytes = ownFile.readAll();
    bytes[kContrast] = 77;
    Write(dir.filePath(QStringLiteral("site.TLS")), bytes);
    const QString site = dir.filePath(QStringLiteral("site.csv"));
    Write(site, "node,settings,device,tag\n1,site.TLS,,North\n2,site.TLS,,Day\n3,own.TLS,,Spare\n"
                "4,site.TLS," + QByteArray::fromStdString(other.SlavePath()) + ",East\n"
                "5,site.TLS," + QByteArray::fromStdString(other.SlavePath()) + ",West\n");
    const QString report = dir.filePath(QStringLiteral("report.csv"));

    QStringList results;
    QString status;
    bool ran = false;
    WhenOpen<TfmProvisionSite>([&](TfmProvisionSite& open) {
        TfmProvisionSite* dialog = &open;
        ran = true;
        EXPECT_FALSE(Device().Connected()) << "the bus is the provisioner's while the dialog is open";
        EXPECT_FALSE(dialog->btStart->isEnabled()) << "nothing to start before a site is chosen";
        // From the keyboard: the file's name typed and Enter.
        QTest::keyClicks(dialog->edSiteFile, site);
        QTest::keyClick(dialog->edSiteFile, Qt::Key_Return);
        EXPECT_TRUE(dialog->lbSiteStatus->text().contains(QStringLiteral("5 gauges on 2 buses")))
            << dialog->lbSiteStatus->text().toStdString();
        ASSERT_EQ(dialog->grGauges->rowCount(), 5);
        ASSERT_TRUE(dialog->btStart->isEnabled());
        QTest::mouseClick(dialog->btStart, Qt::LeftButton);
        EXPECT_TRUE(dialog->btStop->isEnabled());
        EXPECT_FALSE(dialog->btStart->isEnabled());
        ASSERT_NE(dialog->Run(), nullptr);
        EXPECT_TRUE(WaitUntilDone([&] { return !dialog->Run()->Running(); }, 60000));
        for (int row = 0; row < dialog->grGauges->rowCount(); ++row)
            results << dialog->grGauges->item(row, 1)->text() + QLatin1Char(' ') +
                           dialog->grGauges->item(row, 6)->text() + QLatin1Char(' ') +
                           dialog->grGauges->item(row, 7)->text();
        status = dialog->lbSiteStatus->text();
        Dialogs.AnswerSaveFile(report);
        QTest::mouseClick(dialog->btSaveReport, Qt::LeftButton);
        QTest::mouseClick(dialog->btClose, Qt::LeftButton);
    });
    Choose(Window().miProvisionSite);
    ASSERT_TRUE(ran) << "the dialog did not open";
    EXPECT_EQ(results, (QStringList{"1 written 1", "2 not-kept 1", "3 unchanged ", "4 written 1",
                                    "5 written 1"}));
    EXPECT_TRUE(status.contains(QStringLiteral("Done."))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("1 not-kept"))) << status.toStdString();
    const QString saved = ReadAll(report);
    EXPECT_TRUE(saved.startsWith(QStringLiteral("line,node,tag,device,family,result"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral(",2,Day,"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("not-kept"))) << saved.toStdString();
    // The window is back on its gauge, and reads what the site wrote there.
    ASSERT_TRUE(WaitUntilDone([&] { return Device().Connected(); }));
    EXPECT_EQ(Device().NodeId, 1);
    EXPECT_EQ(Device().Image.DisplayOptions[5], 77);
}

TEST_F(ProvisionSite, EditsNotYetWrittenAreKeptBeforeTheConnectionCloses) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    auto* name = Window().findChild<QLineEdit*>(QStringLiteral("eTankName"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("EDITED"));
    Device().Image.TankName = "EDITED";
    Dialogs.Clear();
    bool opened = false;
    WhenOpen<TfmProvisionSite>([&](TfmProvisionSite&) { opened = true; });
    Choose(Window().miProvisionSite);
    EXPECT_TRUE(opened);
    const QStringList boxes = Dialogs.Boxes();
    ASSERT_EQ(boxes.size(), 1) << Dialogs.Transcript().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Provisioning a site closes this connection")));
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("unwritten.TLS"))) << boxes[0].toStdString();
}

TEST_F(ProvisionSite, ABadSiteFileIsRefusedBeforeAnythingIsSent) {
    StartGauge();
    Window();
    QTemporaryDir dir;
    const QString site = dir.filePath(QStringLiteral("site.csv"));
    Write(site, "node,settings\n1,missing.TLS\n");
    Gauge().ClearLog();
    QString status;
    bool startEnabled = true;
    WhenOpen<TfmProvisionSite>([&](TfmProvisionSite& open) {
        TfmProvisionSite* dialog = &open;
        Dialogs.AnswerOpenFile(site);
        QTest::mouseClick(dialog->btBrowse, Qt::LeftButton);
        status = dialog->lbSiteStatus->text();
        startEnabled = dialog->btStart->isEnabled();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    Choose(Window().miProvisionSite);
    EXPECT_TRUE(status.contains(QStringLiteral("line 2:"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("missing.TLS"))) << status.toStdString();
    EXPECT_FALSE(startEnabled);
    EXPECT_TRUE(Gauge().Instructions().empty());
}

} // namespace
