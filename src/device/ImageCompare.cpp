// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageCompare.h"

#include "ByteOrder.h"
#include "Instructions.h"
#include "T7310.h"
#include "TankTableCsv.h"
#include "ZURSettings.h"

#include <algorithm>

namespace {

bool InScope(const TCompareScope& scope, uint8_t write) {
    return !scope.Writes || scope.Writes->count(write) > 0;
}

std::string ProtocolText(uint8_t flag) {
    return flag ? "Modbus" : "Standard";
}

std::vector<std::optional<TTableRowText>> Rows(const TTankTable& table) {
    std::vector<std::optional<TTableRowText>> rows;
    const size_t size = std::min<size_t>(table[img::TableSizeOffset], img::TableRows);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t* row = table.data() + img::TableRowsOffset + i * img::TableRowSize;
        rows.push_back(TTableRowText{FormatThousandths(GetBE32(row + img::TableRowHeight)),
                                     FormatThousandths(GetBE32(row + img::TableRowVolume))});
    }
    return rows;
}

bool SameRow(const std::optional<TTableRowText>& a, const std::optional<TTableRowText>& b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->Height == b->Height && a->Volume == b->Volume);
}

} // namespace

TDifferences CompareImages(const TDeviceImage& from, const TDeviceImage& to,
                           const TCompareScope& scope) {
    const TZURSettings& items = Catalogue();
    TDifferences differences;
    for (size_t i = 0; i < items.Count(); ++i) {
        const TZURSetting& a = items.Item(i);
        if (a.DataType == stGroup)
            continue;
        const std::string& group = a.Group;
        if (a.DataType != stTable && a.WriteInstruction != 0 &&
            InScope(scope, a.WriteInstruction)) {
            const std::string before = a.AsText(from, true, true);
            const std::string after = a.AsText(to, true, true);
            if (before != after)
                differences.Settings.push_back(
                    {static_cast<int>(a.Id), group, a.Name, before, after});
        }
        if (a.Id == item::Rs485Id && InScope(scope, instr::DefaultProtocolWrite) &&
            (from.DefaultProtocol != 0) != (to.DefaultProtocol != 0))
            differences.Settings.push_back(
                {-1, group, instr::GroupName(instr::DefaultProtocolWrite),
                 ProtocolText(from.DefaultProtocol), ProtocolText(to.DefaultProtocol)});
    }

    if (scope.Table) {
        const auto a = Rows(from.TankTable);
        const auto b = Rows(to.TankTable);
        for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
            std::optional<TTableRowText> before = i < a.size() ? a[i] : std::nullopt;
            std::optional<TTableRowText> after = i < b.size() ? b[i] : std::nullopt;
            if (!SameRow(before, after))
                differences.Table.push_back({static_cast<int>(i + 1), before, after});
        }
    }
    return differences;
}

bool TableMatters(const TDeviceImage& a, const TDeviceImage& b) {
    return a.IsNonStandardTank() || b.IsNonStandardTank();
}

std::set<uint8_t> WriteAllInstructions(const T7310& device) {
    std::set<uint8_t> codes(instr::WriteAllOrder().begin(), instr::WriteAllOrder().end());
    if (device.Image.IsNonStandardTank()) {
        codes.insert(instr::TableSizeWrite);
        codes.insert(instr::TableDataWrite);
    }
    return codes;
}

std::string RowText(const std::optional<TTableRowText>& row) {
    return row ? row->Height + ", " + row->Volume : "-";
}

std::string DifferenceLine(const TSettingDifference& difference) {
    return difference.Group + " / " + difference.Name + ": " + difference.From + " -> " +
           difference.To;
}

std::string DifferenceLine(const TRowDifference& difference) {
    return std::string(kTableGroup) + " / row " + std::to_string(difference.Row) + ": " +
           RowText(difference.From) + " -> " + RowText(difference.To);
}
