// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The drawings of the four tank shapes (types 1..4), which the Tank Settings page shows and
// the certificate prints with the dimensions written beside their captions.

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

// ":/tanks/iTank1.svg" ... for types 1..4; empty for any other type.
QString TankDrawingPath(int type);
// The drawing's SVG with each caption ("Length") followed by its value ("Length = 5.000 m");
// empty for a type without a drawing. values: caption -> value.
QByteArray TankDrawingWithValues(int type, const std::vector<std::pair<QString, QString>>& values);
