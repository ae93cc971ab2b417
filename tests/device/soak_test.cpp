// SPDX-License-Identifier: GPL-3.0-or-later
// A minute of the soak: cycles of connect, read all, a page write, a table write and read,
// disconnect, against the simulated gauge, one cycle in three with a random fault. A cycle
// without a fault of its own must succeed, whatever the cycle before it left on the line,
// and the process must not gain open descriptors. T7310_SOAK_SECONDS sets the length.
#include "DeviceFixture.h"

#include "ByteOrder.h"
#include "SerialPacket.h"
#include "SoakPlan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdlib>
#include <random>

using namespace devtest;

namespace {

long OpenDescriptors() {
    return static_cast<long>(
        QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size());
}

TEST(Soak, CyclesFailOnlyWhereTheirOwnFaultWasSet) {
    const char* length = std::getenv("T7310_SOAK_SECONDS");
    const int seconds = length ? std::max(1, std::atoi(length)) : 60;

    sim::Options options = TestOptions();
    // Within one reply time-out, as a real gauge's pause inside its reply is.
    options.split_silence_ms = 100;
    sim::GaugeSimulator gauge(options);
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("ttyGAUGE")).toStdString();
    std::string error;
    ASSERT_TRUE(gauge.Start(&error) && gauge.Link(path, &error)) << error;

    T7310 device;
    Periods periods;
    periods.base = 400; // room for a loaded or sanitised build
    periods.poll = 300; // the status poll runs alongside, as in the program
    Shorten(device, periods);
    device.SetDevicePath(path);

    std::mt19937 random(7310);
    std::vector<std::string> unexplained;
    long cycles = 0, faulted = 0, warmFds = 0;
    std::string previousFault = "none";
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        const bool withFault = cycles % 3 == 2;
        gauge.ClearFaults();
        std::string fault;
        if (withFault) {
            fault = soak::SetRandomFault(gauge, random);
            ++faulted;
        }
        device.Link().FastTransfers = cycles % 2 == 1;
        std::string failed;
        auto step = [&](const char* name, bool ok) {
            if (!ok && failed.empty())
                failed = name;
            return ok;
        };
        step("connect", device.Connect(1, 1, 9600)) &&
            step("read all", device.ReadAllSettings()) && [&] {
                device.Image.DisplayOptions[0] ^= 1;
                return step("write page", device.WriteDisplayOptions());
            }() && [&] {
                device.Image.TankTable[img::TableSizeOffset] = 40;
                for (size_t row = 0; row < 40; ++row)
                    PutBE32(device.Image.TableRow(row) + img::TableRowVolume,
                            static_cast<uint32_t>(row * 2500 + cycles));
                return step("table write", device.WriteTankTable());
            }() && step("table read", device.ReadTankTable());
        if (device.Connected())
            device.Disconnect();
        if (!withFault && !failed.empty())
            unexplained.push_back("cycle " + std::to_string(cycles) + ": " + failed +
                                  " failed at " + Hex(Bytes{device.Link().LastInstruction()}) +
                                  ", after " + previousFault +
                                  (cycles % 2 ? " (fast)" : " (standard)"));
        previousFault = withFault ? fault : "none";
        gauge.ClearLog();
        if (gauge.Unplugged()) {
            gauge.ClearFaults();
            ASSERT_TRUE(gauge.Replug(&error)) << error;
        }
        if (++cycles == 1)
            warmFds = OpenDescriptors();
    }
    std::string list;
    for (const std::string& line : unexplained)
        list += line + "\n";
    EXPECT_TRUE(unexplained.empty()) << unexplained.size() << " of " << cycles - faulted
                                     << " cycles without a fault failed:\n"
                                     << list;
    EXPECT_GE(cycles, 3) << "too few cycles to tell anything";
    EXPECT_EQ(OpenDescriptors(), warmFds) << "descriptors gained over " << cycles << " cycles";
}

} // namespace
