// The .TLS settings file as the window's Open loads it, in both formats (the device object's
// family decides which), and as the simulator loads it with --image. A file that loads must
// save and load again to the same image.

#include "FuzzHarness.h"
#include "ImageSnapshot.h"

#include "GaugeSimulator.h"
#include "SettingsFile.h"
#include "T7310.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

// One pair of scratch files per process (libFuzzer may run several processes side by side).
const std::string& ScratchPath(const char* what) {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp");
    }();
    static std::string paths[2];
    std::string& path = paths[what[0] == 'i' ? 0 : 1];
    if (path.empty())
        path = folder + "/zur-tls-fuzz-" + std::to_string(getpid()) + "-" + what + ".TLS";
    return path;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(file.good());
}

bool LoadAs(bool extended, const std::string& path) {
    T7310 device;
    device.Is8310 = extended;
    const std::string untouched = ImageSnapshot(device.Image);
    if (!device.LoadFromFile(path)) {
        // Refused: nothing changed.
        FUZZ_CHECK(ImageSnapshot(device.Image) == untouched);
        return false;
    }
    const std::string& again = ScratchPath("out");
    FUZZ_CHECK(device.SaveToFile(again));
    T7310 second;
    second.Is8310 = extended;
    FUZZ_CHECK(second.LoadFromFile(again));
    FUZZ_CHECK(ImageSnapshot(second.Image) == ImageSnapshot(device.Image));
    FUZZ_CHECK(second.Report.SerialNumber == device.Report.SerialNumber);
    FUZZ_CHECK(second.Report.Name == device.Report.Name);
    FUZZ_CHECK(second.Report.SensorDistance == device.Report.SensorDistance);
    return true;
}

} // namespace

bool FuzzOne(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath("in");
    WriteFile(path, data, size);
    const bool format2 = LoadAs(false, path);
    const bool format3 = LoadAs(true, path);
    // The format number decides; no file is both.
    FUZZ_CHECK(!(format2 && format3));

    sim::GaugeSimulator gauge;
    gauge.LoadImage(path);
    std::remove(path.c_str());
    std::remove(ScratchPath("out").c_str());
    return format2 || format3;
}
