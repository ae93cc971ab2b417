// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The field checks every page runs on an edit box before it stores the entry: a failure is
// shown in an information box, then the box gets the focus with its whole text selected.

#include <QString>

class QLineEdit;
struct TEntryResult;

// The text must be a 32-bit integer within lo..hi (both inclusive).
bool CheckWholeNumberField(const QString& name, QLineEdit* edit, int lo, int hi);
// The text must be a real number in the user's locale within lo..hi (both inclusive).
bool CheckRealNumberField(const QString& name, QLineEdit* edit, float lo, float hi);
// Shows what is wrong with an entry the catalogue refused, and focuses its box; true when
// the entry was taken.
bool ReportEntry(QLineEdit* edit, const TEntryResult& result);
