// SPDX-License-Identifier: GPL-3.0-or-later
// The .TLS settings file as the window's Open loads it, in both formats (the device object's
// family decides which), and as the simulator loads it with --image. A file that loads must
// save and load again to the same image. The bytes go straight to the loaders the file
// functions call after reading: no disk (and no fsync of Save) per input.

#include "FuzzHarness.h"
#include "ImageSnapshot.h"

#include "SettingsFile.h"
#include "SimImage.h"
#include "T7310.h"

namespace {

// Device objects made once per process: a fresh one for every input cost most of each run.
// A load reads nothing of the object but its family, its image and its report fields, which
// start each input as a new object's.
T7310& Device(bool extended, int which) {
    static T7310* const devices = new T7310[4]; // reachable to the end: no leak reported
    T7310& device = devices[(extended ? 2 : 0) + which];
    device.Is8310 = extended;
    device.Image = TDeviceImage{};
    device.Report = TReportFields{};
    return device;
}

bool LoadAs(bool extended, const std::vector<uint8_t>& file) {
    T7310& device = Device(extended, 0);
    const std::string untouched = ImageSnapshot(device.Image);
    if (!device.LoadSettings(file, false)) {
        // Refused: nothing changed.
        FUZZ_CHECK(ImageSnapshot(device.Image) == untouched);
        return false;
    }
    // What Save writes, loaded again.
    const std::vector<uint8_t> again = EncodeSettingsFile(device.Image, device.Report, extended);
    T7310& second = Device(extended, 1);
    FUZZ_CHECK(second.LoadSettings(again, false));
    FUZZ_CHECK(ImageSnapshot(second.Image) == ImageSnapshot(device.Image));
    FUZZ_CHECK(second.Report.SerialNumber == device.Report.SerialNumber);
    FUZZ_CHECK(second.Report.Name == device.Report.Name);
    FUZZ_CHECK(second.Report.SensorDistance == device.Report.SensorDistance);
    return true;
}

} // namespace

bool FuzzOne(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file(data, data + size);
    const bool format2 = LoadAs(false, file);
    const bool format3 = LoadAs(true, file);
    // The format number decides; no file is both.
    FUZZ_CHECK(!(format2 && format3));

    // The simulator's gauge takes the file whole or not at all.
    sim::DeviceImage gauge = sim::DeviceImage::Default(1, true, false);
    const sim::DeviceImage before = gauge;
    std::string reason;
    if (!gauge.LoadSettingsFile(file, &reason))
        FUZZ_CHECK(gauge.Copy(0, sim::layout::kImageSize) == before.Copy(0, sim::layout::kImageSize));
    return format2 || format3;
}
