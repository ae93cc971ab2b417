// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One comparison between two device images, driven by the catalogue: each setting's text as
// the catalogue writes it (the texts `t7310-cli read` prints), with its group and name, plus
// the tank table row by row. Confirm-before-write, verify-after-write, Compare with Gauge, the
// journal and `t7310-cli diff` all use it. Widget-free.

#include "DeviceImage.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

class T7310;

struct TSettingDifference {
    int Id = -1; // the catalogue number; -1 for a value the catalogue does not list
    std::string Group;
    std::string Name;
    std::string From;
    std::string To;
};

// One table row (grid row 1..100); a side that lacks the row holds nothing.
struct TTableRowText {
    std::string Height;
    std::string Volume;
};
struct TRowDifference {
    int Row = 0;
    std::optional<TTableRowText> From;
    std::optional<TTableRowText> To;
};

struct TDifferences {
    std::vector<TSettingDifference> Settings;
    std::vector<TRowDifference> Table;

    size_t Count() const { return Settings.size() + Table.size(); }
    bool Empty() const { return Count() == 0; }
};

// Which write instructions a comparison covers, and whether the table is compared.
struct TCompareScope {
    // Only the settings these instructions write; none: every writable setting.
    std::optional<std::set<uint8_t>> Writes;
    bool Table = false;
};

// Differences from `from` to `to`, in catalogue order. Settings the gauge cannot be sent
// (identity texts, read-only values) are never compared.
TDifferences CompareImages(const TDeviceImage& from, const TDeviceImage& to,
                           const TCompareScope& scope);

// Whether either image describes a Non standard tank (whose table then matters).
bool TableMatters(const TDeviceImage& a, const TDeviceImage& b);

// The write instructions Write All Settings sends for the device's image as it stands (the
// table's two when its tank is Non standard).
std::set<uint8_t> WriteAllInstructions(const T7310& device);

// "H, V" (three decimals each), or "-" for a row a side lacks.
std::string RowText(const std::optional<TTableRowText>& row);
// "GROUP / NAME: FROM -> TO" and "Tank Table / row R: H, V -> H, V".
std::string DifferenceLine(const TSettingDifference& difference);
std::string DifferenceLine(const TRowDifference& difference);

// The group and name a table row difference carries in the journal.
inline constexpr const char* kTableGroup = "Tank Table";
inline constexpr int kTableItem = 83;
