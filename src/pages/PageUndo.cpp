// SPDX-License-Identifier: GPL-3.0-or-later
// The page frame's part in the window's undo history: telling the user's edits of the tracked
// controls from the program's own shows, and putting a value back.

#include "Page.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

// A control's value changes before the user's signal (a combo box's choice, a check box's
// click) or after it (a line edit's typing, a slider's action): whichever comes second sees
// what the first left. What is left is forgotten once the event's handling is over, so a later
// show is not taken for the user's.

void TZURPage::ValueChanged(QWidget* control) {
    auto values = Values_.find(control);
    if (values == Values_.end())
        return;
    const QString now = InputValue(control);
    if (now == values->Last)
        return;
    values->Before = values->Last;
    values->Last = now;
    if (Armed_ == control) {
        Armed_ = nullptr;
        Report(control, values->Before, now);
        return;
    }
    JustChanged_ = control;
    QTimer::singleShot(0, this, [this] { JustChanged_ = nullptr; });
}

void TZURPage::UserSignal(QWidget* control) {
    auto values = Values_.find(control);
    if (values == Values_.end())
        return;
    const QString now = InputValue(control);
    if (JustChanged_ == control && values->Last == now) {
        JustChanged_ = nullptr;
        Report(control, values->Before, now);
    } else if (now != values->Last) {
        values->Before = values->Last;
        values->Last = now;
        Report(control, values->Before, now);
    } else if (qobject_cast<QAbstractSlider*>(control)) {
        // The slider's value follows its action.
        Armed_ = control;
        QTimer::singleShot(0, this, [this] { Armed_ = nullptr; });
    }
}

void TZURPage::Report(QWidget* control, const QString& before, const QString& after) {
    if (Restoring_ || before == after || Ignored_.contains(QPointer<QWidget>(control)))
        return;
    Q_EMIT InputEdited(control, before, after);
}

void TZURPage::RestoreInput(QWidget* control, const QString& value) {
    if (!Values_.contains(control))
        return;
    Restoring_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        // The box held this text before; a length limit set since must not cut it.
        if (edit->maxLength() < value.size())
            edit->setMaxLength(static_cast<int>(value.size()));
        edit->setText(value);
        Q_EMIT edit->textEdited(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // "index|text", as InputValue gives it.
        const qsizetype bar = value.indexOf(QLatin1Char('|'));
        const int index = value.left(bar).toInt();
        combo->setCurrentIndex(index);
        if (combo->isEditable())
            combo->setEditText(value.mid(bar + 1));
        // The page reacts to a choice (a tank type shows its picture and dimensions).
        Q_EMIT combo->activated(index);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setChecked(value == QStringLiteral("1"));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        slider->setValue(value.toInt());
    }
    Restoring_ = false;
    JustChanged_ = nullptr;
    Armed_ = nullptr;
    UpdateMarker(control);
}

QString TZURPage::InputName(QWidget* control) const {
    for (const TFieldBinding& row : Fields)
        if (row.Control == control && row.Item)
            return QString::fromStdString(row.Item->Name);
    QString name = control->accessibleName();
    if (name.isEmpty())
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            name = button->text().remove(QLatin1Char('&'));
    // A caption "Tank type:" names the step "Tank type".
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char('=')))
        name.chop(1);
    name = name.trimmed();
    return name.isEmpty() ? control->objectName() : name;
}
