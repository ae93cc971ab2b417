// SPDX-License-Identifier: GPL-3.0-or-later
#include "GaugeSimulator.h"

#include "GaugeSimulatorImpl.h"
#include "SimBytes.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {
using namespace layout;
} // namespace

GaugeSimulator::GaugeSimulator(Options options)
    : impl_(std::make_unique<Impl>(std::vector<Options>{std::move(options)})) {}

GaugeSimulator::GaugeSimulator(std::vector<Options> gauges)
    : impl_(std::make_unique<Impl>(gauges.empty() ? std::vector<Options>{Options{}}
                                                  : std::move(gauges))) {}

size_t GaugeSimulator::GaugeCount() const {
    return impl_->gauges.size();
}

GaugeSimulator::~GaugeSimulator() {
    Stop();
}

bool GaugeSimulator::Start(std::string* error) {
    auto fail = [&](std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    };
    std::lock_guard lock(impl_->mutex);
    if (impl_->running)
        return fail("the simulator is already running");
    int master = -1;
    std::string name;
    std::string reason;
    if (!OpenPty(master, name, reason))
        return fail(reason);
    impl_->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (impl_->wake < 0) {
        close(master);
        return fail(LastError("eventfd"));
    }
    impl_->master = master;
    impl_->slavePath = name;
    impl_->unplugged = false;
    impl_->unplugRequest = false;
    impl_->stopping = false;
    impl_->running = true;
    impl_->thread = std::thread([this] { impl_->Run(); });
    return true;
}

void GaugeSimulator::Stop() {
    {
        std::lock_guard lock(impl_->mutex);
        if (!impl_->running)
            return;
        impl_->running = false;
    }
    impl_->stopping = true;
    const uint64_t one = 1;
    [[maybe_unused]] auto n = write(impl_->wake, &one, sizeof one);
    impl_->thread.join();
    std::lock_guard lock(impl_->mutex);
    if (impl_->master >= 0)
        close(impl_->master);
    impl_->master = -1;
    if (impl_->adoptMaster >= 0)
        close(impl_->adoptMaster);
    impl_->adoptMaster = -1;
    close(impl_->wake);
    impl_->wake = -1;
    impl_->changed.notify_all();
    // Take the published link away, but only while it still names this simulator's slave.
    if (!impl_->linkPath.empty()) {
        char target[256] = {};
        const ssize_t len = readlink(impl_->linkPath.c_str(), target, sizeof target - 1);
        if (len > 0 && impl_->slavePath == std::string(target, static_cast<size_t>(len)))
            unlink(impl_->linkPath.c_str());
        impl_->linkPath.clear();
    }
}

bool GaugeSimulator::Feed(const uint8_t* bytes, size_t count) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->running)
            return false;
    }
    impl_->Take(bytes, count, false);
    return true;
}

std::string GaugeSimulator::SlavePath() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->slavePath;
}

bool GaugeSimulator::Link(const std::string& path, std::string* error) {
    std::lock_guard lock(impl_->mutex);
    auto fail = [&](std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    };
    if (!impl_->running)
        return fail("the simulator is not running");
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        // A link left behind by an earlier run is replaced; anything else is not ours.
        if (!S_ISLNK(info.st_mode))
            return fail(path + " exists and is not a symbolic link");
        if (unlink(path.c_str()) != 0)
            return fail(LastError(("cannot replace " + path).c_str()));
    }
    if (symlink(impl_->slavePath.c_str(), path.c_str()) != 0)
        return fail(LastError(("cannot create " + path).c_str()));
    impl_->linkPath = path;
    return true;
}

void GaugeSimulator::SetFault(uint8_t instruction, Fault fault) {
    std::lock_guard lock(impl_->mutex);
    for (Gauge& gauge : impl_->gauges)
        gauge.faults[instruction] = fault;
}

void GaugeSimulator::ClearFaults() {
    std::lock_guard lock(impl_->mutex);
    for (Gauge& gauge : impl_->gauges)
        gauge.faults.clear();
}

void GaugeSimulator::Unplug() {
    std::unique_lock lock(impl_->mutex);
    if (!impl_->running) {
        if (impl_->master >= 0)
            close(impl_->master);
        impl_->master = -1;
        impl_->unplugged = true;
        return;
    }
    // The line thread owns the descriptor while it runs: ask it, and wait until it is closed.
    impl_->unplugRequest = true;
    const uint64_t one = 1;
    [[maybe_unused]] auto n = write(impl_->wake, &one, sizeof one);
    impl_->changed.wait(lock, [&] { return impl_->unplugged || !impl_->running; });
}

bool GaugeSimulator::Replug(std::string* error) {
    auto fail = [&](std::string reason) {
        if (error)
            *error = std::move(reason);
        return false;
    };
    std::unique_lock lock(impl_->mutex);
    if (!impl_->running || !impl_->unplugged)
        return fail("the adapter is not unplugged");
    int master = -1;
    std::string name;
    std::string reason;
    if (!OpenPty(master, name, reason))
        return fail(reason);
    // The line thread owns the descriptor: it takes the new one over at its next turn.
    if (impl_->adoptMaster >= 0)
        close(impl_->adoptMaster);
    impl_->adoptMaster = master;
    impl_->slavePath = name;
    impl_->unplugged = false;
    if (!impl_->linkPath.empty()) {
        unlink(impl_->linkPath.c_str());
        if (symlink(name.c_str(), impl_->linkPath.c_str()) != 0)
            return fail(LastError(("cannot create " + impl_->linkPath).c_str()));
    }
    const uint64_t one = 1;
    [[maybe_unused]] auto n = write(impl_->wake, &one, sizeof one);
    return true;
}

std::vector<uint8_t> GaugeSimulator::Instructions() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->instructions;
}

std::vector<std::vector<uint8_t>> GaugeSimulator::Frames() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->frames;
}

std::vector<std::vector<uint8_t>> GaugeSimulator::Replies() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->replies;
}

size_t GaugeSimulator::DiscardedBytes() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->assembler.DiscardedBytes();
}

void GaugeSimulator::ClearLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->instructions.clear();
    impl_->frames.clear();
    impl_->replies.clear();
}

std::vector<uint8_t> GaugeSimulator::Block(uint8_t readInstruction, uint8_t argument) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().ReadBlock(readInstruction, argument);
}

void GaugeSimulator::SetBlock(uint8_t readInstruction, const std::vector<uint8_t>& bytes,
                              uint8_t argument) {
    std::lock_guard lock(impl_->mutex);
    Gauge& gauge = impl_->First();
    DeviceImage& image = gauge.image;
    if (const BlockSpan* block = FindBlockByRead(readInstruction)) {
        image.Put(block->offset, block->size, bytes);
        return;
    }
    switch (readInstruction) {
    case kReadAlarm:
        if (argument < kAlarmCount)
            image.Put(kAlarms + argument * kAlarmSize, kAlarmSize, bytes);
        break;
    case kReadTableRows:
        if (argument < kTableRowCount)
            image.Put(kTableRows + argument * kTableRowSize, kTableRowSize, bytes);
        break;
    case kReadTankName:
        image.SetTankName(bytes.data(), bytes.size());
        break;
    case kReadIdentity:
        gauge.identity.assign(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
        break;
    case kReadState:
        if (!bytes.empty())
            gauge.fixedState = bytes[0];
        break;
    case kReadAlarmOutputs:
        if (!bytes.empty())
            gauge.fixedOutputs = bytes[0];
        break;
    case kReadVolume:
        if (bytes.size() >= 8)
            gauge.fixedVolume = GetBEDouble(bytes.data());
        break;
    default:
        break;
    }
}

double GaugeSimulator::Volume() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().CurrentVolume();
}

void GaugeSimulator::SetVolume(double volume) {
    std::lock_guard lock(impl_->mutex);
    impl_->First().fixedVolume = volume;
}

uint8_t GaugeSimulator::Node() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().Node();
}

bool GaugeSimulator::IsExtended() const {
    return impl_->First().extended;
}

bool GaugeSimulator::AlarmTestMode() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().testMode;
}

uint8_t GaugeSimulator::AlarmTestOutputs() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().testOutputs;
}

int GaugeSimulator::C6Count() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().c6Count;
}

int GaugeSimulator::ContrastPreview() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->First().contrastPreview;
}

bool GaugeSimulator::Unplugged() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->unplugged;
}

bool GaugeSimulator::LoadImage(const std::string& fileName, std::string* error) {
    std::vector<uint8_t> file;
    const int fd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = LastError(("cannot open " + fileName).c_str());
        return false;
    }
    // A settings file is small; anything past the largest format is ignored.
    constexpr size_t kLargestFile = 1236;
    file.resize(kLargestFile);
    size_t got = 0;
    while (got < file.size()) {
        const ssize_t n = read(fd, file.data() + got, file.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    file.resize(got);
    std::lock_guard lock(impl_->mutex);
    std::string reason;
    // Every gauge on the line takes the file (each keeps its own node), or none does.
    std::vector<DeviceImage> loaded;
    for (const Gauge& gauge : impl_->gauges) {
        loaded.push_back(gauge.image);
        if (!loaded.back().LoadSettingsFile(file, &reason)) {
            if (error)
                *error = fileName + ": " + reason;
            return false;
        }
    }
    for (size_t i = 0; i < loaded.size(); ++i)
        impl_->gauges[i].image = std::move(loaded[i]);
    return true;
}

} // namespace sim
