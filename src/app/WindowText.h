// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts from the gauge and the device layer as the window shows them.

#include <QString>

#include <string>

inline QString Text(const std::string& s) {
    return QString::fromLocal8Bit(s);
}
