// SPDX-License-Identifier: GPL-3.0-or-later
// The device object's reply handling: a reply to any read instruction or to the identity
// request, received through the link, stored into the device image and then shown the way
// the pages show it (catalogue texts, the table grid's texts), and the compatibility check
// applied to whatever identity arrived.
//
// Input: node ID, alarm index, first table row, table row count, then the received chunks.

#include "FuzzHarness.h"
#include "ImageSnapshot.h"

#include "ByteOrder.h"
#include "SerialPacket.h"
#include "T7310.h"
#include "TankTableCsv.h"
#include "ZURSettings.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace {

// What the pages and the status page do with the image after a reply.
// The shared facts over this image give the texts the device's own catalogue would, without
// building that catalogue for every input.
void ShowImage(T7310& device) {
    const TZURSettings& facts = Catalogue();
    for (size_t i = 0; i < facts.Count(); ++i) {
        const TZURSetting& item = facts.Item(i);
        item.AsText(device.Image, true, true);
        item.AsText(device.Image, false, false);
    }
    const TTableRows rows = LoadTable(device.Image.TankTable);
    FUZZ_CHECK(rows.size() <= img::TableRows);
    [[maybe_unused]] const float volume =
        static_cast<float>(GetBEDouble(device.Image.Volume.data()));
}

// The compatibility rule, written out again: a whole number (blanks around it allowed) not
// below the tool's own ID; anything else counts as -1.
bool ExpectedAcceptance(const std::string& id, int32_t programId) {
    size_t first = 0, last = id.size();
    while (first < last && (id[first] == ' ' || id[first] == '\t'))
        ++first;
    while (last > first && (id[last - 1] == ' ' || id[last - 1] == '\t' || id[last - 1] == '\r' ||
                            id[last - 1] == '\n'))
        --last;
    if (first < last && id[first] == '+')
        ++first;
    int32_t value = -1;
    const auto [end, error] = std::from_chars(id.data() + first, id.data() + last, value);
    if (first == last || error != std::errc() || end != id.data() + last)
        value = -1;
    return value >= programId;
}

} // namespace

bool FuzzOne(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    T7310 device;
    device.ProgramSoftwareId = 3;
    device.NodeId = static_cast<uint8_t>(input.Byte() % 100);
    // No event loop runs here, so these only record which alarm and rows were asked for.
    device.ReadAlarm(input.Byte() % img::AlarmCount);
    const uint8_t start = input.Byte() % img::TableRows;
    device.ReadTableRows(start, static_cast<uint8_t>(1 + input.Byte() % 31));

    // Around the device object's own handler: a frame that carries nothing for it, or that
    // comes from another node, must leave the image as it was.
    bool changed = false;
    bool identityArrived = false;
    const auto handler = device.Link().OnPacketRx;
    FUZZ_CHECK(handler != nullptr);
    device.Link().OnPacketRx = [&](TSerialPacket* sender, const TPacket& packet) {
        const std::string before = ImageSnapshot(device.Image);
        handler(sender, packet);
        const bool same = ImageSnapshot(device.Image) == before;
        const bool forUs =
            (packet.Flags & pk_CHECKSUM) && packet.Length >= 1 &&
            (packet.Data[0] == device.NodeId || device.NodeId == T7310::kBroadcastNode);
        if (!forUs)
            FUZZ_CHECK(same);
        changed = changed || !same;
        identityArrived = identityArrived || (forUs && packet.Instruction == 0xDF);
    };

    for (const std::vector<uint8_t>& chunk : SplitChunks(input)) {
        const auto copy = std::make_unique<char[]>(chunk.size() + 1);
        std::copy(chunk.begin(), chunk.end(), copy.get());
        device.Link().DeliverChunk(copy.get(), static_cast<int>(chunk.size()));
    }
    // Once, not after every chunk: the texts depend on the image alone, and an image the
    // chunks pass through on the way is some shorter input's last. Every setting shown after
    // every chunk cost most of each run.
    ShowImage(device);
    const bool accepted = device.AcceptsIdentity();
    FUZZ_CHECK(accepted == ExpectedAcceptance(device.Image.DevicePcSoftwareId, 3));
    // Taken: some reply was stored, and an identity among them passed the check.
    return changed && (!identityArrived || accepted);
}
