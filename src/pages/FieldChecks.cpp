// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldChecks.h"

#include "DialogService.h"
#include "Values.h"
#include "ZURSettings.h"

#include <QLineEdit>

namespace {

bool Report(QLineEdit* edit, bool ok, const std::string& message) {
    if (ok)
        return true;
    Dialogs().Information(edit->window(), QString::fromStdString(message));
    // Focus can fail (hidden or disabled box); the user has seen the message either way.
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace

bool CheckWholeNumberField(const QString& name, QLineEdit* edit, int lo, int hi) {
    if (!edit)
        return false;
    const TFieldCheckResult result =
        CheckWholeNumberText(name.toStdString(), edit->text().toStdString(), lo, hi);
    return Report(edit, result.Ok, result.Message);
}

bool CheckRealNumberField(const QString& name, QLineEdit* edit, float lo, float hi) {
    if (!edit)
        return false;
    const TFieldCheckResult result =
        CheckRealNumberText(name.toStdString(), edit->text().toStdString(), lo, hi);
    return Report(edit, result.Ok, result.Message);
}

bool ReportEntry(QLineEdit* edit, const TEntryResult& result) {
    return edit && Report(edit, result.Ok, result.Message);
}
