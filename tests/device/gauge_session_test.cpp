// SPDX-License-Identifier: GPL-3.0-or-later
// The gauge session the window and the tool share: how a connect ends, how a checked write ends
// (with the request and the table row that failed, instead of callers counting events), and
// the write series of a settings file.

#include "DeviceFixture.h"

#include "Archive.h"
#include "ByteOrder.h"
#include "GaugeSession.h"

#include <QJsonValue>
#include <QTemporaryDir>

#include <algorithm>

using namespace devtest;

namespace {

Bytes Writes(const Bytes& sent) {
    Bytes writes;
    std::copy_if(sent.begin(), sent.end(), std::back_inserter(writes),
                 [](uint8_t code) { return code >= 0xA0 && code != 0xC6; });
    return writes;
}

// A five-row table on the gauge and in the configurator's image, the tank Non standard.
void NonStandardWithTable(Rig& rig) {
    rig.device.Image.TankRecord()[img::TankType] = img::TankTypeNonStandard;
    rig.device.Image.TankTable[img::TableSizeOffset] = 5;
    for (size_t i = 0; i < 5; ++i)
        PutBE32(rig.device.Image.TableRow(i) + img::TableRowHeight, static_cast<uint32_t>(i));
}

} // namespace

TEST(GaugeSession, HowAConnectEnds) {
    const struct {
        const char* what;
        const char* pcid;
        const char* path; // null: the simulator's
        sim::Fault identityFault;
        TConnectFailure failure;
    } cases[] = {
        {"connected", "5", nullptr, sim::Fault::None, TConnectFailure::None},
        {"refused as incompatible", "2", nullptr, sim::Fault::None, TConnectFailure::Incompatible},
        {"no identity", "5", nullptr, sim::Fault::NoReply, TConnectFailure::NoIdentity},
        {"no port", "5", "/dev/no-such-adapter", sim::Fault::None, TConnectFailure::PortNotOpened},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        TArchive archive(folder.path());
        Rig rig(TestOptions("T8310", c.pcid));
        ASSERT_TRUE(rig.started) << rig.error;
        if (c.path)
            rig.device.SetDevicePath(c.path);
        rig.sim.SetFault(0xDF, c.identityFault);
        TGaugeSession session(rig.device, archive);
        const TConnectResult result = session.Connect(1, 1, 9600);
        EXPECT_EQ(result.Failure, c.failure);
        EXPECT_EQ(result.Ok(), c.failure == TConnectFailure::None);
        EXPECT_EQ(rig.device.Connected(), c.failure == TConnectFailure::None);
        EXPECT_EQ(result.IncompatibleText.empty(), c.failure != TConnectFailure::Incompatible);
        if (c.failure == TConnectFailure::PortNotOpened) {
            EXPECT_FALSE(result.Advice.empty());
        }
        if (c.failure == TConnectFailure::NoIdentity) {
            EXPECT_EQ(result.Outcome.Instruction, 0xDF);
            EXPECT_FALSE(result.Outcome.Ok);
        }
    }
}

TEST(GaugeSession, HowACheckedWriteEnds) {
    const struct {
        const char* what;
        sim::Fault fault; // on the display options write
        bool confirm;     // what the confirmation answers
        bool verify;
        TCheckedWrite result;
        TFailure failure;
        size_t notKept;
        bool asLeft;
    } cases[] = {
        {"written and kept", sim::Fault::None, true, true, TCheckedWrite::Written,
         TFailure::None, 0, true},
        {"not kept", sim::Fault::Forget, true, true, TCheckedWrite::NotKept, TFailure::None, 1,
         true},
        {"refused", sim::Fault::Nack, true, true, TCheckedWrite::Failed, TFailure::Refused, 0,
         false},
        {"no answer", sim::Fault::NoReply, true, true, TCheckedWrite::Failed, TFailure::NoReply,
         0, false},
        {"cancelled", sim::Fault::None, false, true, TCheckedWrite::Cancelled, TFailure::None, 0,
         false},
        {"not read back", sim::Fault::Forget, true, false, TCheckedWrite::Written, TFailure::None,
         0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        TArchive archive(folder.path());
        Rig rig;
        ASSERT_TRUE(rig.Connect());
        TGaugeSession session(rig.device, archive);
        rig.sim.SetFault(0xA4, c.fault);
        rig.device.Image.DisplayOptions[img::DisplayContrast] = 90;
        rig.ClearSent();

        TWriteHooks hooks;
        size_t shown = 0;
        hooks.Confirms = {instr::DisplayOptionsWrite};
        hooks.Confirm = [&](const TDifferences& changes) {
            shown = changes.Count();
            return c.confirm;
        };
        hooks.Verify = [&] { return c.verify; };
        const TCheckedWriteOutcome outcome = session.CheckedWrite(
            "display-options", [&] { return rig.device.WriteDisplayOptions(); }, hooks);
        EXPECT_EQ(shown, 1u) << "the confirmation sees the contrast change";
        EXPECT_EQ(outcome.Result, c.result);
        EXPECT_EQ(outcome.Outcome.Failure, c.failure);
        if (c.result == TCheckedWrite::Failed) {
            EXPECT_EQ(outcome.Outcome.Instruction, 0xA4);
        }
        EXPECT_EQ(outcome.NotKept.Count(), c.notKept);
        EXPECT_EQ(outcome.AsLeft.isEmpty(), !c.asLeft);
        EXPECT_EQ(Writes(rig.Sent()).empty(), c.result == TCheckedWrite::Cancelled);
        EXPECT_FALSE(session.Verifying());
        // A cancelled write leaves nothing in the journal; every other one its line.
        EXPECT_EQ(archive.ReadJournal().Entries.size(), c.result == TCheckedWrite::Cancelled ? 0 : 1);
    }
}

TEST(GaugeSession, ATableTransferNamesTheRowThatFailed) {
    QTemporaryDir folder;
    TArchive archive(folder.path());
    Rig rig;
    ASSERT_TRUE(rig.Connect());
    TGaugeSession session(rig.device, archive);
    NonStandardWithTable(rig);
    rig.sim.SetFault(0xAB, sim::Fault::Nack);
    const TCheckedWriteOutcome outcome = session.CheckedWrite(
        "tank-table", [&] { return rig.device.WriteTankTable(); }, {});
    EXPECT_EQ(outcome.Result, TCheckedWrite::Failed);
    EXPECT_EQ(outcome.Outcome.Instruction, 0xAB);
    EXPECT_EQ(outcome.Outcome.Row, 1);
    EXPECT_EQ(outcome.Outcome.Rows, 5);
    EXPECT_EQ(outcome.Outcome.Failure, TFailure::Refused);

    // A read that fails at its table size names no row.
    rig.sim.ClearFaults();
    rig.sim.SetFault(0x1C, sim::Fault::NoReply);
    EXPECT_FALSE(rig.device.ReadTankTable());
    EXPECT_EQ(rig.device.LastOutcome().Instruction, 0x1C);
    EXPECT_EQ(rig.device.LastOutcome().Row, 0);
    EXPECT_EQ(rig.device.LastOutcome().Failure, TFailure::NoReply);
}

TEST(GaugeSession, AFileIsWrittenWithTheSeriesOfItsFamily) {
    const struct {
        const char* model;
        const char* pcid;
        bool nonStandard;
        Bytes writes;
    } cases[] = {
        {"T7310", "3", false, {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xAD, 0xA4}},
        {"T7310", "4", false, {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xAD, 0xA4, 0xB2}},
        {"T8310", "5", true, {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xAD, 0xA4, 0xAA, 0xAB, 0xB2,
                              0xB3, 0xB4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.pcid);
        QTemporaryDir folder;
        TArchive archive(folder.path());
        Rig rig(TestOptions(c.model, c.pcid));
        ASSERT_TRUE(rig.Connect());
        TGaugeSession session(rig.device, archive);
        if (c.nonStandard)
            NonStandardWithTable(rig);
        rig.ClearSent();
        ASSERT_TRUE(session.WriteFileSeries());
        Bytes sent = Writes(rig.Sent());
        // Each write once, in order (the table's rows and the alarms come in several requests).
        sent.erase(std::unique(sent.begin(), sent.end()), sent.end());
        EXPECT_EQ(Hex(sent), Hex(c.writes));
        const std::vector<uint8_t> series = FileWriteSeries(rig.device);
        EXPECT_EQ(Hex(Bytes(series.begin(), series.end())), Hex(c.writes));
    }
}

namespace {

// The instructions sent after the last write request: the read-back.
Bytes AfterLastWrite(const Bytes& sent) {
    auto last = std::find_if(sent.rbegin(), sent.rend(),
                             [](uint8_t code) { return code >= 0xA0 && code != 0xC6; });
    Bytes after(last.base(), sent.end());
    std::erase(after, uint8_t{0xC6});
    return after;
}

} // namespace

// A page's write is verified by reading back what it wrote, not every setting; a change the
// gauge did not keep is still found, and Write All Settings reads back all it wrote.
TEST(GaugeSession, AWriteReadsBackWhatItsSeriesWrote) {
    const struct {
        const char* page;
        bool (T7310::*series)();
        uint8_t forget; // a write the gauge acknowledges and does not keep
        const char* readBack;
    } cases[] = {
        {"display-options", &T7310::WriteDisplayOptions, 0xA4, "14 28"},
        {"sensor-parameters", &T7310::WriteSensorParameters, 0xA1, "11 12 16"},
        {"tank-settings", &T7310::WriteTankSettings, 0xA3, "13 15 16"},
        {"alarms", &T7310::WriteAlarms, 0xA0, "10 10 10 10"},
        {"summary", &T7310::WriteSummary, 0xB3, "29 2A"},
        {"write-all", &T7310::WriteAllSettings, 0xA5, "11 12 10 10 10 10 13 14 15 16 22"},
    };
    for (const auto& c : cases) {
        for (bool kept : {true, false}) {
            SCOPED_TRACE(std::string(c.page) + (kept ? ", kept" : ", not kept"));
            QTemporaryDir folder;
            TArchive archive(folder.path());
            Rig rig;
            ASSERT_TRUE(rig.Connect());
            TGaugeSession session(rig.device, archive);
            T7310& d = rig.device;
            // Something to change in every record a series writes.
            d.Image.DisplayOptions[img::DisplayContrast] ^= 0x10;
            d.Image.TankMin[5] ^= 1;
            d.Image.OutputOptions[1] ^= 1;
            d.Image.Alarms[2][5] ^= 1;
            d.Image.Extended[img::ExtSafeTankCapacity] ^= 1;
            d.Image.TankName = kept ? "Kept" : "Lost";
            if (!kept)
                rig.sim.SetFault(c.forget, sim::Fault::Forget);
            rig.ClearSent();
            TWriteHooks hooks;
            hooks.Verify = [] { return true; };
            const TCheckedWriteOutcome outcome =
                session.CheckedWrite(c.page, [&] { return (d.*c.series)(); }, hooks);
            EXPECT_EQ(Hex(AfterLastWrite(rig.Sent())), c.readBack);
            EXPECT_EQ(outcome.Result, kept ? TCheckedWrite::Written : TCheckedWrite::NotKept);
            EXPECT_EQ(outcome.NotKept.Empty(), kept);
            EXPECT_FALSE(outcome.AsLeft.isEmpty());
            // What the gauge holds is known again: the next write needs no read first.
            EXPECT_TRUE(d.GaugeImageKnown());
            EXPECT_EQ(archive.ReadJournal().Entries.size(), 1u);
        }
    }
}

TEST(GaugeSession, TheJournalNamesWhoWroteAndWhy) {
    const struct {
        const char* user;
        const char* reason; // what the reason hook gives once the confirmation is answered
        QJsonValue journalUser;
        QJsonValue journalReason;
    } cases[] = {
        {"Ada Lovelace", "new tank fitted", QStringLiteral("Ada Lovelace"),
         QStringLiteral("new tank fitted")},
        {"Ada Lovelace", "  ", QStringLiteral("Ada Lovelace"), QJsonValue()},
        {"", "", QJsonValue(), QJsonValue()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user + std::string(" / ") + c.reason);
        QTemporaryDir folder;
        TArchive archive(folder.path());
        Rig rig;
        ASSERT_TRUE(rig.Connect());
        TGaugeSession session(rig.device, archive);
        rig.device.Image.DisplayOptions[img::DisplayContrast] = 91;
        TWriteHooks hooks;
        hooks.User = QString::fromUtf8(c.user);
        QString typed;
        hooks.Confirms = {instr::DisplayOptionsWrite};
        hooks.Confirm = [&](const TDifferences&) {
            typed = QString::fromUtf8(c.reason); // as a confirmation box's Reason line does
            return true;
        };
        hooks.Reason = [&] { return typed; };
        hooks.Verify = [] { return true; };
        session.CheckedWrite("display-options", [&] { return rig.device.WriteDisplayOptions(); },
                             hooks);
        const TArchive::TJournal journal = archive.ReadJournal();
        ASSERT_EQ(journal.Entries.size(), 1u);
        EXPECT_EQ(journal.Entries[0][QStringLiteral("user")], c.journalUser);
        EXPECT_EQ(journal.Entries[0][QStringLiteral("reason")], c.journalReason);
        EXPECT_TRUE(journal.Entries[0].contains(QStringLiteral("reason"))) << "null, not missing";
    }
}
