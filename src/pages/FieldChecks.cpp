#include "FieldChecks.h"

#include "DialogService.h"
#include "Values.h"

#include <QLineEdit>

namespace {

bool Report(QLineEdit* edit, const TFieldCheckResult& result) {
    if (result.Ok)
        return true;
    Dialogs().Information(edit->window(), QString::fromStdString(result.Message));
    // Focus can fail (hidden or disabled box); the user has seen the message either way.
    edit->setFocus();
    edit->selectAll();
    return false;
}

} // namespace

bool CheckWholeNumberField(const QString& name, QLineEdit* edit, int lo, int hi) {
    if (!edit)
        return false;
    return Report(edit,
                  CheckWholeNumberText(name.toStdString(), edit->text().toStdString(), lo, hi));
}

bool CheckRealNumberField(const QString& name, QLineEdit* edit, float lo, float hi) {
    if (!edit)
        return false;
    return Report(edit,
                  CheckRealNumberText(name.toStdString(), edit->text().toStdString(), lo, hi));
}
