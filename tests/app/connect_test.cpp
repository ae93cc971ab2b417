// SPDX-License-Identifier: GPL-3.0-or-later
// The connection workflow of the main window against a simulated gauge: the node ID prompt,
// the states the window shows while connecting, reading and disconnecting, and the
// communications error that ends a connection.

#include "AppFixture.h"

#include "T7310.h"

#include "ComPortMap.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

const QString kPrompt = QStringLiteral(
    "Please enter the RS-485 Node ID of the device you wish to connect to. (Note: ID 99 will "
    "connect to all devices)");
const QString kBroadcast = QStringLiteral(
    "You have selected ID 99. This is a broadcast address\nPlease ensure only one device is "
    "connected to the RS-485 bus before you continue.\nDo you wish to continue?");
const QString kRange = QStringLiteral("The RS-485 node ID must be between 0 and 99");
const char* const kFailedText =
    "An error occurred whilst connecting...\n\nPlease check to ensure the device is connected "
    "to the RS-485 bus,\nis powered up, and you have entered the correct RS-485 Node ID.";
const QString kFailed = QString::fromLatin1(kFailedText);

using Connect = TAppTest;

struct ConnectCase {
    const char* typed;    // null: Cancel
    int broadcastAnswer;  // -1 no question expected, 0 No, 1 Yes
    const char* errorBox; // expected error box, or null
    const char* infoBox;  // expected information box, or null
    bool stored;          // "Last Connect ID" holds the typed text afterwards
    bool sent;            // anything reached the gauge
    bool connected;
    uint8_t node; // NodeId used when something was sent
};

} // namespace

TEST_F(Connect, NodeIdPromptChecksTheTextBeforeAnythingIsStoredOrSent) {
    const ConnectCase cases[] = {
        {nullptr, -1, nullptr, nullptr, false, false, false, 0},
        {"abc", -1, "'abc' is not a valid integer value", nullptr, false, false, false, 0},
        {"1.5", -1, "'1.5' is not a valid integer value", nullptr, false, false, false, 0},
        {"", -1, "'' is not a valid integer value", nullptr, false, false, false, 0},
        // 300 would reach node 44 in its low 8 bits: another gauge on the bus.
        {"300", -1, nullptr, "The RS-485 node ID must be between 0 and 99", false, false, false, 0},
        {"256", -1, nullptr, "The RS-485 node ID must be between 0 and 99", false, false, false, 0},
        {"100", -1, nullptr, "The RS-485 node ID must be between 0 and 99", false, false, false, 0},
        {"-1", -1, nullptr, "The RS-485 node ID must be between 0 and 99", false, false, false, 0},
        {"99", 0, nullptr, nullptr, false, false, false, 0},
        {"99", 1, nullptr, nullptr, true, true, true, 99},
        {"1", -1, nullptr, nullptr, true, true, true, 1},
        {" 1", -1, nullptr, nullptr, true, true, true, 1},
        // Node 0 is a valid address; no gauge answers it here.
        {"0", -1, nullptr, kFailedText, true, true, false, 0},
    };
    StartGauge();
    for (const ConnectCase& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "(cancel)");
        // Each case starts from a stored ID the user typed before.
        Window();
        Dialogs.Clear();
        Gauge().ClearLog();
        if (c.typed)
            Dialogs.AnswerText(QString::fromLatin1(c.typed));
        else
            Dialogs.CancelText();
        if (c.broadcastAnswer == 0)
            Dialogs.AnswerNo();
        else if (c.broadcastAnswer == 1)
            Dialogs.AnswerYes();
        const QString before = StoredValue(QStringLiteral("Last Connect ID"));

        ASSERT_TRUE(Choose(Window().miConnect));

        ASSERT_FALSE(Dialogs.Records().empty());
        const TDialogRecord& prompt = Dialogs.Records().front();
        EXPECT_EQ(prompt.Kind, TDialogKind::InputText);
        EXPECT_EQ(prompt.Caption, QStringLiteral("Input Value"));
        EXPECT_EQ(prompt.Text, kPrompt);
        EXPECT_EQ(prompt.Value, before) << "the prompt shows the ID typed last time";

        QStringList expected;
        QStringList shown;
        for (const TDialogRecord& r : Dialogs.Records())
            if (r.Kind == TDialogKind::Question)
                shown << r.Text;
        if (c.broadcastAnswer >= 0)
            expected << kBroadcast;
        EXPECT_EQ(shown, expected);
        QStringList boxes;
        if (c.errorBox)
            boxes << QString::fromLatin1(c.errorBox);
        if (c.infoBox)
            boxes << QString::fromLatin1(c.infoBox);
        EXPECT_EQ(Dialogs.Boxes(), boxes) << Dialogs.Transcript().join('\n').toStdString();
        for (const TDialogRecord& r : Dialogs.Records()) {
            if (c.errorBox && r.Text == QString::fromLatin1(c.errorBox)) {
                EXPECT_EQ(r.Kind, TDialogKind::Error);
            }
        }

        EXPECT_EQ(StoredValue(QStringLiteral("Last Connect ID")),
                  c.stored ? QString::fromLatin1(c.typed) : before);
        EXPECT_EQ(!Gauge().Instructions().empty(), c.sent);
        if (c.sent) {
            const std::vector<std::vector<uint8_t>> frames = Gauge().Frames();
            ASSERT_FALSE(frames.empty());
            const std::vector<uint8_t>& first = frames.front();
            ASSERT_GT(first.size(), 3u);
            EXPECT_EQ(first[2], 0xDF) << "a connect begins with the identity request";
            EXPECT_EQ(first[3], c.node) << "the request addresses the node typed";
        }
        EXPECT_EQ(Device().Connected(), c.connected);
        if (Device().Connected()) {
            ASSERT_TRUE(DisconnectWindow());
        }
    }
}

TEST_F(Connect, TheIdTypedIsRememberedBeforeConnectingEvenWhenConnectingFails) {
    // No gauge behind COM 1 at all: the port cannot be opened.
    SetCommPortDevice(1, QStringLiteral("/nonexistent/gauge"));
    Dialogs.AnswerText(QStringLiteral("7"));
    ASSERT_TRUE(Choose(Window().miConnect));
    // The box's own text, then one line saying why.
    ASSERT_EQ(Dialogs.Boxes().size(), 1);
    EXPECT_TRUE(Dialogs.Boxes()[0].startsWith(kFailed + QLatin1Char('\n')));
    EXPECT_TRUE(Dialogs.Boxes()[0]
                    .section(QLatin1Char('\n'), -1)
                    .startsWith(QStringLiteral("There is no device /nonexistent/gauge.")))
        << Dialogs.Boxes()[0].toStdString();
    EXPECT_EQ(StoredValue(QStringLiteral("Last Connect ID")), QStringLiteral("7"));
    EXPECT_EQ(Window().Panel(1)->text(), QStringLiteral("DISCONNECTED"));

    // The next start of the program offers it again.
    Dialogs.Clear();
    Dialogs.CancelText();
    TfmMain second;
    second.miConnect->trigger();
    ASSERT_EQ(Dialogs.Records().size(), 1u);
    EXPECT_EQ(Dialogs.Records()[0].Value, QStringLiteral("7"));
}

TEST_F(Connect, AnIncompatibleGaugeIsRefusedWithItsOwnMessageFirst) {
    sim::Options options;
    options.pcid = "2";
    StartGauge(options);
    // The refusal comes from inside the connection attempt: the ID is stored by then.
    QString storedDuringConnect;
    Dialogs.OnShow = [&](const TDialogRecord& r) {
        if (r.Kind == TDialogKind::Error)
            storedDuringConnect = StoredValue(QStringLiteral("Last Connect ID"));
    };
    EXPECT_FALSE(ConnectAs(QStringLiteral("1")));
    Dialogs.OnShow = nullptr;
    EXPECT_EQ(storedDuringConnect, QStringLiteral("1"));
    const QStringList expected{QString::fromLatin1(T7310::kIncompatibleText), kFailed};
    EXPECT_EQ(Dialogs.Boxes(), expected);
    ASSERT_EQ(Dialogs.Records().size(), 3u);
    EXPECT_EQ(Dialogs.Records()[1].Kind, TDialogKind::Error);
    EXPECT_EQ(Dialogs.Records()[2].Kind, TDialogKind::Information);
    EXPECT_EQ(Window().Panel(1)->text(), QStringLiteral("DISCONNECTED"));
    EXPECT_EQ(Window().miConnect->text(), QStringLiteral("&Connect"));
}

namespace {

struct MenuState {
    QString connectCaption;
    bool open, saveAs, readAll, writeAll, changeId, modbus;
    QString panel1;
};

MenuState StateOf(TfmMain& w) {
    return {w.miConnect->text(),
            w.miOpen->isEnabled(),
            w.miSaveAs->isEnabled(),
            w.miReadAllSettings->isEnabled(),
            w.miWriteAllSettings->isEnabled(),
            w.miChangeNodeID->isEnabled(),
            w.miDefaultProtocol->isEnabled(),
            w.Panel(1)->text()};
}

void ExpectState(const MenuState& actual, const MenuState& expected) {
    EXPECT_EQ(actual.connectCaption, expected.connectCaption);
    EXPECT_EQ(actual.open, expected.open);
    EXPECT_EQ(actual.saveAs, expected.saveAs);
    EXPECT_EQ(actual.readAll, expected.readAll);
    EXPECT_EQ(actual.writeAll, expected.writeAll);
    EXPECT_EQ(actual.changeId, expected.changeId);
    EXPECT_EQ(actual.modbus, expected.modbus);
    EXPECT_EQ(actual.panel1, expected.panel1);
}

const MenuState kDisconnected{
    // Open works without a gauge: it opens settings to prepare offline.
    QStringLiteral("&Connect"),    true, false, false, false, false, false,
    QStringLiteral("DISCONNECTED")};
const MenuState kConnected{QStringLiteral("&Disconnect"), true, true, true, true, true, true,
                           QStringLiteral("CONNECTED")};

} // namespace

TEST_F(Connect, MenusAndPanelsFollowConnectReadAllAndDisconnect) {
    StartGauge();
    SCOPED_TRACE("at start");
    ExpectState(StateOf(Window()), kDisconnected);
    EXPECT_TRUE(Window().miProgramSettings->isEnabled());
    EXPECT_TRUE(Window().miExit->isEnabled());
    EXPECT_TRUE(Window().miAbout->isEnabled());
    EXPECT_FALSE(Choose(Window().miReadAllSettings)) << "a disabled item cannot be chosen";

    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    {
        SCOPED_TRACE("connected");
        ExpectState(StateOf(Window()), kConnected);
        EXPECT_EQ(PanelText(0), QStringLiteral("   Connected"));
    }

    // While a read of all settings runs, Open and Save As are off and the rest stays on.
    std::vector<std::pair<QString, MenuState>> samples;
    QTimer sampler;
    sampler.setInterval(1);
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { samples.emplace_back(PanelText(0), StateOf(Window())); });
    sampler.start();
    ASSERT_TRUE(Choose(Window().miReadAllSettings));
    sampler.stop();
    {
        SCOPED_TRACE("after read all");
        ExpectState(StateOf(Window()), kConnected);
        EXPECT_EQ(PanelText(0), QStringLiteral("   Read Settings."));
    }
    int reading = 0;
    for (const auto& [text, state] : samples) {
        if (!text.startsWith(QStringLiteral("   Reading Setting")))
            continue;
        ++reading;
        SCOPED_TRACE(text.toStdString());
        MenuState whileReading = kConnected;
        whileReading.open = whileReading.saveAs = false;
        ExpectState(state, whileReading);
    }
    EXPECT_GT(reading, 0) << "the read was watched while it ran";

    // A failed read leaves Open and Save As off until the next good one.
    Gauge().SetFault(0x15, sim::Fault::OtherNode);
    ASSERT_TRUE(Choose(Window().miReadAllSettings));
    EXPECT_EQ(PanelText(0), QStringLiteral("   Error reading settings"));
    MenuState failed = kConnected;
    failed.open = failed.saveAs = false;
    {
        SCOPED_TRACE("after a failed read");
        ExpectState(StateOf(Window()), failed);
    }
    Gauge().ClearFaults();
    ASSERT_TRUE(Choose(Window().miReadAllSettings));
    ExpectState(StateOf(Window()), kConnected);

    ASSERT_TRUE(DisconnectWindow());
    {
        SCOPED_TRACE("disconnected");
        ExpectState(StateOf(Window()), kDisconnected);
        EXPECT_EQ(PanelText(0), QStringLiteral("   Disconnected"));
    }
    EXPECT_TRUE(Dialogs.Boxes().isEmpty()) << Dialogs.Transcript().join('\n').toStdString();
}

TEST_F(Connect, TheDeviceMenuConnectsFromTheKeyboard) {
    StartGauge();
    TfmMain& w = Window();
    Dialogs.AnswerText(QStringLiteral("1"));
    QTest::keyClick(&w, Qt::Key_D, Qt::AltModifier);
    QMenu* device = w.findChild<QMenu*>(QStringLiteral("mnDevice"));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(WaitUntilDone([device] { return device->isVisible(); }, 2000));
    QTest::keyClick(device, Qt::Key_C);
    EXPECT_TRUE(WaitUntilDone([&] { return Device().Connected(); }, 5000));
    EXPECT_EQ(w.Panel(1)->text(), QStringLiteral("CONNECTED"));
}

namespace {
struct CommsCase {
    const char* name;
    sim::Fault fault;
};
} // namespace

TEST_F(Connect, ACommunicationsErrorDisconnectsWithABox) {
    const CommsCase cases[] = {
        {"silent gauge", sim::Fault::NoReply},
        {"refusing gauge", sim::Fault::Nack},
        {"bad checksum", sim::Fault::BadChecksum},
    };
    StartGauge();
    for (const CommsCase& c : cases) {
        SCOPED_TRACE(c.name);
        Gauge().ClearFaults();
        ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
        Dialogs.Clear();
        // What the window shows when the box appears, and afterwards.
        QString panelAtBox;
        Dialogs.OnShow = [&](const TDialogRecord&) { panelAtBox = Window().Panel(1)->text(); };
        Gauge().SetFault(0, c.fault); // the next status poll goes wrong
        EXPECT_TRUE(WaitUntilDone([&] { return !Dialogs.Records().empty(); }, 5000));
        Dialogs.OnShow = nullptr;
        EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Device disconnected...")});
        EXPECT_EQ(panelAtBox, QStringLiteral("DISCONNECTED")) << "the box follows the disconnect";
        EXPECT_FALSE(Device().Connected());
        ExpectState(StateOf(Window()), kDisconnected);
        EXPECT_EQ(PanelText(0), QStringLiteral("   Disconnected"));
    }
}

TEST_F(Connect, AnUnpluggedAdapterEndsTheConnection) {
    StartGauge();
    ASSERT_TRUE(ConnectAs(QStringLiteral("1")));
    Dialogs.Clear();
    Gauge().Unplug();
    EXPECT_TRUE(WaitUntilDone([&] { return !Dialogs.Records().empty(); }, 5000));
    EXPECT_EQ(Dialogs.Boxes(), QStringList{QStringLiteral("Device disconnected...")});
    ExpectState(StateOf(Window()), kDisconnected);
}
