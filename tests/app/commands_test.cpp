// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's device and file commands against a simulated gauge: node ID change,
// Modbus protocol default, Write All Settings with the pages' gathers, Open and Save As, the
// manual linearisation tab and the end of alarm test mode.

#include "AppFixture.h"

#include "Page.h"
#include "SerialPacket.h"
#include "T7310.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>

namespace {

using Commands = TAppTest;

const QString kWriteIdFailed = QStringLiteral("An error occurred whilst writing the RS-485 ID.");

bool Contains(const std::vector<uint8_t>& codes, uint8_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The node byte of every identity request the gauge received, in order.
std::vector<uint8_t> IdentityNodes(const sim::GaugeSimulator& gauge) {
    std::vector<uint8_t> nodes;
    for (const std::vector<uint8_t>& frame : gauge.Frames())
        if (frame.size() > 3 && frame[2] == 0xDF)
            nodes.push_back(frame[3]);
    return nodes;
}

struct NodeIdCase {
    const char* typed; // null: Cancel
    const char* box;   // information box expected, or null
    bool written;      // A9 reached the gauge
};

} // namespace

TEST_F(Commands, ChangeNodeIdRefusesBadEntriesAndTheCurrentIdDoesNothing) {
    const NodeIdCase cases[] = {
        {nullptr, nullptr, false},
        {"1", nullptr, false}, // the current ID
        {"99", "The RS-485 node ID must be between 0 and 98", false},
        {"-1", "The RS-485 node ID must be between 0 and 98", false},
        {"abc", "'abc' is not a valid integer value", false},
    };
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    for (const NodeIdCase& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "(cancel)");
        Dialogs.Clear();
        Gauge().ClearLog();
        if (c.typed)
            Dialogs.AnswerText(QString::fromLatin1(c.typed));
        else
            Dialogs.CancelText();
        ASSERT_TRUE(Choose(Window().miChangeNodeID));
        ASSERT_FALSE(Dialogs.Records().empty());
        const TDialogRecord& prompt = Dialogs.Records().front();
        EXPECT_EQ(prompt.Caption, QStringLiteral("Change Setting.."));
        EXPECT_EQ(prompt.Text, QStringLiteral("RS-485 Node ID"));
        EXPECT_EQ(prompt.Value, QStringLiteral("1")) << "pre-filled with the gauge's ID";
        const QStringList boxes = c.box ? QStringList{QString::fromLatin1(c.box)} : QStringList{};
        EXPECT_EQ(Dialogs.Boxes(), boxes);
        for (const TDialogRecord& r : Dialogs.Records()) {
            EXPECT_NE(r.Kind, TDialogKind::Error) << "every message is an information box";
        }
        EXPECT_EQ(Contains(Requests(), 0xA9), c.written);
        EXPECT_EQ(Gauge().Node(), 1);
        EXPECT_TRUE(Device().Connected());
    }
}

TEST_F(Commands, ANewNodeIdIsWrittenAndTheWindowReconnectsToIt) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Gauge().ClearLog();
    Dialogs.AnswerText(QStringLiteral("5"));
    ASSERT_TRUE(Choose(Window().miChangeNodeID));
    EXPECT_TRUE(Dialogs.Boxes().isEmpty()) << Dialogs.Transcript().join('\n').toStdString();
    EXPECT_EQ(Gauge().Node(), 5);
    const std::vector<uint8_t> identities = IdentityNodes(Gauge());
    ASSERT_FALSE(identities.empty()) << "reconnected";
    EXPECT_TRUE(std::all_of(identities.begin(), identities.end(), [](uint8_t n) { return n == 5; }))
        << "with the new ID";
    EXPECT_TRUE(Device().Connected());
    EXPECT_EQ(Device().NodeId, 5);
    EXPECT_EQ(Window().Panel(1)->text(), QStringLiteral("CONNECTED"));
    EXPECT_EQ(StoredValue(QStringLiteral("Last Connect ID")), QStringLiteral("1"))
        << "the node ID change does not touch the ID typed at connect";
}

TEST_F(Commands, ANodeIdChangeOverTheBroadcastAddressDoesNotReconnect) {
    StartGauge();
    Dialogs.AnswerText(QStringLiteral("99"));
    Dialogs.AnswerYes();
    ASSERT_TRUE(Choose(Window().miConnect));
    ASSERT_TRUE(Device().Connected());
    Gauge().ClearLog();
    Dialogs.AnswerText(QStringLiteral("7"));
    ASSERT_TRUE(Choose(Window().miChangeNodeID));
    EXPECT_EQ(Gauge().Node(), 7);
    EXPECT_TRUE(IdentityNodes(Gauge()).empty()) << "no reconnect on node 99";
    EXPECT_TRUE(Device().Connected());
    EXPECT_EQ(Device().NodeId, 99);
}

TEST_F(Commands, AFailedNodeIdWriteIsReportedAndTheNewIdIsKept) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Gauge().SetFault(0xA9, sim::Fault::Nack);
    Dialogs.AnswerText(QStringLiteral("9"));
    ASSERT_TRUE(Choose(Window().miChangeNodeID));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{kWriteIdFailed});
    EXPECT_EQ(PanelText(0), QStringLiteral("   **ERROR** Writing Setting - RS485 ID"));
    EXPECT_EQ(Gauge().Node(), 1);
    EXPECT_EQ(Device().Image.Rs485Id, 9);
    EXPECT_TRUE(Device().Connected()) << "a refused write is not a communications error";
}

TEST_F(Commands, ModbusDefaultCheckMarkFollowsTheWrite) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    TfmMain& w = Window();
    ASSERT_EQ(Gauge().Block(0x22), std::vector<uint8_t>{0});
    EXPECT_FALSE(w.miDefaultProtocol->isChecked()) << "set from the read of all settings";

    ASSERT_TRUE(Choose(w.miDefaultProtocol));
    EXPECT_TRUE(w.miDefaultProtocol->isChecked());
    EXPECT_EQ(Gauge().Block(0x22), std::vector<uint8_t>{1});
    EXPECT_EQ(PanelText(0), QStringLiteral("   Written Setting - Default Protocol"));
    EXPECT_TRUE(Dialogs.Boxes().isEmpty());

    // A refused write leaves the mark; the device object keeps the inverted flag.
    Gauge().SetFault(0xAD, sim::Fault::Nack);
    ASSERT_TRUE(Choose(w.miDefaultProtocol));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{kWriteIdFailed});
    EXPECT_TRUE(w.miDefaultProtocol->isChecked());
    EXPECT_EQ(Device().Image.DefaultProtocol, 0);
    EXPECT_EQ(Gauge().Block(0x22), std::vector<uint8_t>{1});

    // The next read of all settings puts the mark to the gauge's flag again.
    Gauge().ClearFaults();
    Gauge().SetBlock(0x22, {0});
    ASSERT_TRUE(Choose(w.miReadAllSettings));
    EXPECT_FALSE(w.miDefaultProtocol->isChecked());
}

TEST_F(Commands, WriteAllSettingsWritesEveryGroupAndReportsTheOutcome) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Gauge().ClearLog();
    Dialogs.AnswerAccept(); // what will change is shown first
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Settings written successfully")});
    EXPECT_EQ(PanelText(0), QStringLiteral("   Settings written successfully"));
    std::vector<uint8_t> writes;
    for (uint8_t code : Requests())
        if (code >= 0xA0 && code <= 0xAF)
            writes.push_back(code);
    const std::vector<uint8_t> expected{0xA0, 0xA0, 0xA0, 0xA0, 0xA1, 0xA2,
                                        0xA3, 0xA5, 0xA6, 0xAD, 0xA4};
    EXPECT_EQ(writes, expected);

    Dialogs.Clear();
    Gauge().SetFault(0xA3, sim::Fault::Nack);
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(Window().miWriteAllSettings));
    EXPECT_EQ(Dialogs.Boxes(),
              QStringList{QStringLiteral("An error occured whilst writing the settings")});
    EXPECT_EQ(PanelText(0), QStringLiteral("   Error writing settings"));
}

namespace {

// A page as the window sees one: it records what the window asks of it.
class TProbePage final : public TZURPage {
public:
    TProbePage(QWidget* host, T7310& device, const char* name, bool gathers,
               std::vector<std::string>& log)
        : TZURPage(host, device, {}), name_(name), gathers_(gathers), log_(log) {}
    void SetPageEnabled(bool enabled) override {
        log_.push_back(name_ + (enabled ? " on" : " off"));
    }
    bool HasGather() const override { return gathers_; }
    bool Gather() override {
        log_.push_back(name_ + " gather");
        return good;
    }
    bool good = true;

private:
    std::string name_;
    bool gathers_;
    std::vector<std::string>& log_;
};

} // namespace

TEST_F(Commands, PagesAreEnabledInOrderAndGatheredBeforeAnythingIsSent) {
    StartGauge();
    TfmMain& w = Window();
    std::vector<std::string> log;
    struct Slot {
        TfmMain::TPageSlot slot;
        const char* name;
        bool gathers;
    };
    const Slot slots[] = {
        {TfmMain::psSensorParams, "sensor", true},    {TfmMain::psTankTypes, "tank", true},
        {TfmMain::psManualLin, "manual", true},       {TfmMain::psAlarmSetpoints, "alarms", true},
        {TfmMain::psDisplayOptions, "display", true}, {TfmMain::psDeviceStatus, "status", false},
        {TfmMain::psSummary, "summary", false},
    };
    TProbePage* pages[TfmMain::psCount] = {};
    for (const Slot& s : slots) {
        auto* page = new TProbePage(nullptr, Device(), s.name, s.gathers, log);
        pages[s.slot] = page;
        w.AttachPage(s.slot, page);
        EXPECT_EQ(page->parentWidget(), w.PageHost(s.slot));
    }
    EXPECT_EQ(w.PageHost(TfmMain::psDeviceStatus), w.pnDeviceStatus);

    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    const std::vector<std::string> enabled{"manual on",  "tank on",   "sensor on", "alarms on",
                                           "display on", "status on", "summary on"};
    EXPECT_EQ(log, enabled);

    // The manual linearisation page is gathered only while its tab is shown.
    log.clear();
    Dialogs.AnswerAccept(); // what will change is shown first
    ASSERT_TRUE(Choose(w.miWriteAllSettings));
    const std::vector<std::string> gathered{"display gather", "sensor gather", "tank gather",
                                            "alarms gather"};
    EXPECT_EQ(log, gathered);
    Device().OnNonStandardTank(&Device(), true);
    log.clear();
    Dialogs.Clear();
    Dialogs.AnswerAccept();
    ASSERT_TRUE(Choose(w.miWriteAllSettings));
    const std::vector<std::string> withTable{"display gather", "sensor gather", "tank gather",
                                             "manual gather", "alarms gather"};
    EXPECT_EQ(log, withTable);

    // A bad entry on the sensor parameters page: its tab comes forward and nothing is sent.
    pages[TfmMain::psSensorParams]->good = false;
    log.clear();
    Dialogs.Clear();
    Gauge().ClearLog();
    ASSERT_TRUE(Choose(w.miWriteAllSettings));
    EXPECT_EQ(log, (std::vector<std::string>{"display gather", "sensor gather"}));
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsSensorParams);
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(Dialogs.Boxes().isEmpty());

    log.clear();
    ASSERT_TRUE(DisconnectWindow());
    const std::vector<std::string> disabled{"manual off",  "tank off",   "sensor off", "alarms off",
                                            "display off", "status off", "summary off"};
    EXPECT_EQ(log, disabled);
}

TEST_F(Commands, SaveAsAsksFirstAndOpenLoadsWithoutSendingAnything) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    QTemporaryDir folder;
    const QString saved = folder.filePath(QStringLiteral("tank.TLS"));
    const QString shortFile = folder.filePath(QStringLiteral("short.TLS"));
    {
        QFile f(shortFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, '\0'));
    }
    const QString question = QStringLiteral(
        "All settings must be written to device before saving. \nDo you wish to continue?");
    const QString loaded = QStringLiteral(
        "Settings loaded successfully.\nPlease select 'Write All Settings' from the device menu "
        "to download the new settings.");

    struct FileCase {
        const char* name;
        QAction* item;
        std::function<void()> script;
        QStringList boxes;
        TDialogKind boxKind;
    };
    TfmMain& w = Window();
    const FileCase cases[] = {
        {"save: No", w.miSaveAs, [&] { Dialogs.AnswerNo(); }, {}, TDialogKind::Information},
        {"save: cancel",
         w.miSaveAs,
         [&] {
             Dialogs.AnswerYes();
             Dialogs.CancelFile(TDialogKind::SaveFile);
         },
         {},
         TDialogKind::Information},
        {"save",
         w.miSaveAs,
         [&] {
             Dialogs.AnswerYes();
             Dialogs.AnswerSaveFile(saved);
         },
         {},
         TDialogKind::Information},
        {"save: no such folder",
         w.miSaveAs,
         [&] {
             Dialogs.AnswerYes();
             Dialogs.AnswerSaveFile(folder.filePath(QStringLiteral("missing/tank.TLS")));
         },
         {QStringLiteral("*")},
         TDialogKind::Error},
        {"open: cancel",
         w.miOpen,
         [&] { Dialogs.CancelFile(TDialogKind::OpenFile); },
         {},
         TDialogKind::Information},
        {"open",
         w.miOpen,
         [&] { Dialogs.AnswerOpenFile(saved); },
         {loaded},
         TDialogKind::Information},
        {"open: short file",
         w.miOpen,
         [&] { Dialogs.AnswerOpenFile(shortFile); },
         {QStringLiteral("An error occured whilst opening the file")},
         TDialogKind::Error},
        {"open: no such file",
         w.miOpen,
         [&] { Dialogs.AnswerOpenFile(folder.filePath(QStringLiteral("none.TLS"))); },
         {QStringLiteral("*")},
         TDialogKind::Error},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        Dialogs.Clear();
        Gauge().ClearLog();
        c.script();
        ASSERT_TRUE(Choose(c.item));
        const QStringList boxes = Dialogs.Boxes();
        ASSERT_EQ(boxes.size(), c.boxes.size()) << Dialogs.Transcript().join('\n').toStdString();
        if (!c.boxes.isEmpty()) {
            if (c.boxes[0] != QStringLiteral("*")) {
                EXPECT_EQ(boxes[0], c.boxes[0]);
            } else {
                EXPECT_FALSE(boxes[0].isEmpty()) << "the file system's error is shown";
            }
            EXPECT_EQ(Dialogs.Records().back().Kind, c.boxKind);
        }
        for (const TDialogRecord& r : Dialogs.Records()) {
            if (r.Kind == TDialogKind::Question) {
                EXPECT_EQ(r.Text, question);
            }
            if (r.Kind == TDialogKind::OpenFile || r.Kind == TDialogKind::SaveFile) {
                EXPECT_EQ(r.Value, QStringLiteral("Tank Linearisation Settings (*.TLS)"));
            }
        }
        EXPECT_TRUE(Requests().empty()) << "file commands send nothing";
        EXPECT_TRUE(Device().Connected());
    }
    EXPECT_EQ(QFile(saved).size(), 1236) << "an extended gauge saves format 3";
}

TEST_F(Commands, ManualLinearisationTabFollowsTheTankType) {
    StartGauge();
    TfmMain& w = Window();
    EXPECT_FALSE(TabShown(w.tsManualLin));
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));

    // A Non standard tank shows the tab and reads the table a little later.
    Gauge().ClearLog();
    Device().OnNonStandardTank(&Device(), true);
    EXPECT_TRUE(TabShown(w.tsManualLin));
    EXPECT_FALSE(Contains(Requests(), 0x1C)) << "the table read waits for its timer";
    EXPECT_TRUE(WaitUntilDone([&] { return Contains(Requests(), 0x1D); }, 3000));
    EXPECT_TRUE(Contains(Requests(), 0x1C));
    EXPECT_FALSE(w.ReadTableTimer->Enabled()) << "the timer is one-shot";

    Gauge().ClearLog();
    Device().OnNonStandardTank(&Device(), false);
    EXPECT_FALSE(TabShown(w.tsManualLin));
    EXPECT_FALSE(w.ReadTableTimer->Enabled());

    // A loaded file brings its own table: nothing is read from the gauge.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("t.TLS"));
    Dialogs.AnswerYes();
    Dialogs.AnswerSaveFile(file);
    ASSERT_TRUE(Choose(w.miSaveAs));
    Device().OnTankShape = [](T7310* d, const TTankDescription&) { d->OnNonStandardTank(d, true); };
    Dialogs.AnswerOpenFile(file);
    ASSERT_TRUE(Choose(w.miOpen));
    Device().OnTankShape = nullptr;
    EXPECT_TRUE(TabShown(w.tsManualLin));
    EXPECT_FALSE(w.ReadTableTimer->Enabled());

    // The tab's visibility survives a disconnect.
    ASSERT_TRUE(DisconnectWindow());
    EXPECT_TRUE(TabShown(w.tsManualLin));
}

TEST_F(Commands, AlarmTestModeEndsWhenTheUserChangesTabOrClosesTheWindow) {
    StartGauge();
    TfmMain& w = Window();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    const QString deactivated = QStringLiteral("Alarm Test Mode Deactivated");
    Dialogs.Clear();

    // Without a test running a tab change shows nothing.
    ClickTab(w.tsAlarmSetpoints);
    EXPECT_EQ(w.pcMain->currentWidget(), w.tsAlarmSetpoints);
    EXPECT_TRUE(Dialogs.Records().empty());

    ASSERT_TRUE(Device().SetAlarmTestMode(true));
    ASSERT_TRUE(Gauge().AlarmTestMode());
    ClickTab(w.tsDisplayOptions);
    EXPECT_EQ(Dialogs.Boxes(), QStringList{deactivated});
    EXPECT_FALSE(Device().AlarmTestActive);
    EXPECT_FALSE(Gauge().AlarmTestMode());

    // A tab change the program makes itself does not count: here the shown tab is hidden
    // because the tank is no longer Non standard.
    Dialogs.Clear();
    Device().OnNonStandardTank(&Device(), true);
    ClickTab(w.tsManualLin);
    ASSERT_EQ(w.pcMain->currentWidget(), w.tsManualLin);
    ASSERT_TRUE(Device().SetAlarmTestMode(true));
    Device().OnNonStandardTank(&Device(), false);
    EXPECT_NE(w.pcMain->currentWidget(), w.tsManualLin);
    EXPECT_TRUE(Dialogs.Records().empty());
    EXPECT_TRUE(Device().AlarmTestActive);

    w.close();
    EXPECT_EQ(Dialogs.Boxes(), QStringList{deactivated});
    EXPECT_FALSE(Gauge().AlarmTestMode());
    EXPECT_FALSE(w.isVisible()) << "closing is always allowed";
}
