// SPDX-License-Identifier: GPL-3.0-or-later
#include "Page.h"

#include <algorithm>
#include <cmath>

#include "DialogService.h"
#include "FieldChecks.h"
#include "T7310.h"
#include "Values.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

const QString TZURPage::kEditedText = tr("edited, not yet written");

const QString TZURPage::kWriteErrorText =
    tr("An error occured whilst writing the settings.\nPlease ensure the device is "
       "connected, powered up and try again.");

// ---------------------------------------------------------------------------------------------
// Values

QString FixedText(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    const char separator = DecimalSeparator();
    if (separator != '.')
        text.replace(QLatin1Char('.'), QLatin1Char(separator));
    return text;
}


// ---------------------------------------------------------------------------------------------
// Frame

TZURPage::TZURPage(QWidget* host, T7310& device, TPageDescription description)
    : QWidget(host), Device(device), Description_(std::move(description)) {
    // A borderless child form: it fills its host and draws no frame of its own.
    setWindowFlags(Qt::Widget);
    setContentsMargins(0, 0, 0, 0);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);

    LeftPanel = new QFrame(this);
    LeftPanel->setObjectName(QStringLiteral("Panel1"));
    LeftPanel->setFrameShape(QFrame::StyledPanel);
    LeftPanel->setFrameShadow(QFrame::Sunken);
    LeftPanel->setFixedWidth(217);
    auto* column = new QVBoxLayout(LeftPanel);
    column->setContentsMargins(12, 10, 12, 10);

    Heading = new QLabel(Description_.Heading, LeftPanel);
    Heading->setObjectName(QStringLiteral("lbHeading"));
    Heading->setTextFormat(Qt::PlainText);
    QFont bold = Heading->font();
    bold.setBold(true);
    Heading->setFont(bold);
    column->addWidget(Heading);

    HelpLabel = new QLabel(Description_.HelpText, LeftPanel);
    HelpLabel->setObjectName(Description_.HelpObjectName);
    HelpLabel->setTextFormat(Qt::PlainText);
    HelpLabel->setWordWrap(true);
    HelpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    HelpLabel->setAccessibleDescription(Description_.Heading);
    column->addWidget(HelpLabel, 1);

    if (Description_.Buttons) {
        auto* rule = new QFrame(LeftPanel);
        rule->setFrameShape(QFrame::HLine);
        rule->setFrameShadow(QFrame::Sunken);
        column->addWidget(rule);
        btReadSettings = new QPushButton(tr("&Read Settings"), LeftPanel);
        btReadSettings->setObjectName(QStringLiteral("btReadSettings"));
        btWriteSettings = new QPushButton(tr("&Write Settings"), LeftPanel);
        btWriteSettings->setObjectName(QStringLiteral("btWriteSettings"));
        column->addWidget(btReadSettings);
        column->addWidget(btWriteSettings);
        connect(btReadSettings, &QPushButton::clicked, this, [this] { btReadSettingsClick(); });
        connect(btWriteSettings, &QPushButton::clicked, this, [this] { btWriteSettingsClick(); });
    }
    row->addWidget(LeftPanel);

    Body = new QFrame(this);
    Body->setObjectName(QStringLiteral("Panel2"));
    Body->setFrameShape(QFrame::StyledPanel);
    Body->setFrameShadow(QFrame::Sunken);
    row->addWidget(Body, 1);
}

TZURPage::~TZURPage() {
    // The controls go after this page's own members: nothing they send may reach the page.
    for (QWidget* control : Shown_.keys())
        disconnect(control, nullptr, this, nullptr);
}

void TZURPage::SetButtonsEnabled(bool enabled) {
    enabled = enabled && !Offline_;
    if (btReadSettings)
        btReadSettings->setEnabled(enabled);
    if (btWriteSettings)
        btWriteSettings->setEnabled(enabled);
}

void TZURPage::btReadSettingsClick() {
    if (ReadSettings())
        MarkShown();
    else if (Description_.ReadFailure == TReadFailure::ErrorBox)
        Dialogs().Plain(this, tr("Error"));
}

void TZURPage::btWriteSettingsClick() {
    if (!Gather()) {
        if (Description_.ErrorBoxAfterFailedGather)
            Dialogs().Error(this, kWriteErrorText);
        return;
    }
    const bool written =
        WriteGuard_ ? WriteGuard_([this] { return WriteSettings(); }) : WriteSettings();
    if (written) {
        MarkShown();
        Dialogs().Information(this, SuccessText());
    } else {
        Dialogs().Error(this, kWriteErrorText);
    }
}

// ---------------------------------------------------------------------------------------------
// Edited, not yet written

namespace {

// A control's content as one comparable text.
QString ValueOf(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return QString::number(combo->currentIndex()) + QLatin1Char('|') + combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* slider = qobject_cast<QAbstractSlider*>(control))
        return QString::number(slider->value());
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(control))
        return spin->text();
    return {};
}

// The label the user reads beside the control, when it has one.
QLabel* CaptionOf(QWidget* page, QWidget* control) {
    for (QLabel* label : page->findChildren<QLabel*>())
        if (label->buddy() == control)
            return label;
    return nullptr;
}

} // namespace

QString TZURPage::InputValue(QWidget* control) {
    return ValueOf(control);
}

QList<QWidget*> TZURPage::Inputs() const {
    QList<QWidget*> inputs;
    for (QWidget* child : Body->findChildren<QWidget*>()) {
        bool input = false;
        if (auto* edit = qobject_cast<QLineEdit*>(child))
            // A combo box's own line edit is the combo box's content.
            input = !edit->isReadOnly() && !qobject_cast<QComboBox*>(edit->parentWidget());
        else if (auto* button = qobject_cast<QAbstractButton*>(child))
            input = button->isCheckable();
        else
            input = qobject_cast<QComboBox*>(child) || qobject_cast<QAbstractSlider*>(child) ||
                    (qobject_cast<QAbstractSpinBox*>(child) &&
                     !qobject_cast<QAbstractSpinBox*>(child)->isReadOnly());
        if (input && !Ignored_.contains(QPointer<QWidget>(child)))
            inputs << child;
    }
    return inputs;
}

void TZURPage::Track(QWidget* control) {
    if (Shown_.contains(control))
        return;
    Shown_.insert(control, ValueOf(control));
    Values_.insert(control, {ValueOf(control), ValueOf(control)});
    auto changed = [this, control] {
        ValueChanged(control);
        UpdateMarker(control);
    };
    // Signals only the user's own input sends.
    auto user = [this, control] { UserSignal(control); };
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        connect(edit, &QLineEdit::textChanged, this, changed);
        connect(edit, &QLineEdit::textEdited, this, user);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, &QComboBox::currentIndexChanged, this, changed);
        connect(combo, &QComboBox::editTextChanged, this, changed);
        connect(combo, &QComboBox::activated, this, user);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::toggled, this, changed);
        connect(button, &QAbstractButton::clicked, this, user);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        connect(slider, &QAbstractSlider::valueChanged, this, changed);
        connect(slider, &QAbstractSlider::actionTriggered, this, user);
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
        // No page has a spin box to undo: its typing is compared, not kept as steps.
        connect(spin, &QAbstractSpinBox::editingFinished, this, changed);
    }
    connect(control, &QObject::destroyed, this, [this, control] {
        Shown_.remove(control);
        Values_.remove(control);
        MarkedFonts_.remove(control);
        Descriptions_.remove(control);
    });
}

void TZURPage::MarkShown() {
    for (QWidget* control : Inputs()) {
        Track(control);
        Shown_[control] = ValueOf(control);
        SetMarked(control, false);
    }
    if (Edited_) {
        Edited_ = false;
        Q_EMIT EditedChanged(false);
    }
    Q_EMIT ShownAgain();
}

QList<QWidget*> TZURPage::EditedControls() const {
    QList<QWidget*> edited;
    for (QWidget* control : Inputs())
        if (Shown_.contains(control) && Shown_.value(control) != ValueOf(control))
            edited << control;
    return edited;
}

void TZURPage::IgnoreEdits(QWidget* control) {
    SetMarked(control, false);
    Shown_.remove(control);
    Ignored_ << QPointer<QWidget>(control);
}

void TZURPage::UpdateMarker(QWidget* control) {
    if (Ignored_.contains(QPointer<QWidget>(control)) || !Shown_.contains(control))
        return;
    SetMarked(control, Shown_.value(control) != ValueOf(control));
    const bool edited = !EditedControls().isEmpty();
    if (edited != Edited_) {
        Edited_ = edited;
        Q_EMIT EditedChanged(edited);
    }
}

void TZURPage::SetMarked(QWidget* control, bool marked) {
    QWidget* caption = CaptionOf(this, control);
    if (!caption)
        caption = control;
    if (marked == MarkedFonts_.contains(control))
        return;
    if (marked) {
        MarkedFonts_.insert(control, caption->font());
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        Descriptions_.insert(control, control->accessibleDescription());
        const QString own = control->accessibleDescription();
        control->setAccessibleDescription(own.isEmpty() ? kEditedText
                                                        : own + QStringLiteral(", ") + kEditedText);
    } else {
        caption->setFont(MarkedFonts_.take(control));
        control->setAccessibleDescription(Descriptions_.take(control));
    }
}

// ---------------------------------------------------------------------------------------------
// Binding table

const TZURSetting* TZURPage::Setting(uint32_t id) const {
    return Device.Settings().Find(id);
}

const TZURSetting* TZURPage::Setting(uint32_t id, const char* name) const {
    return Device.Settings().Find(id, name);
}

void TZURPage::ShowField(const TFieldBinding& row) {
    const TDeviceImage& image = Device.Image;
    const uint32_t raw = row.Item->Value(image);
    if (auto* edit = qobject_cast<QLineEdit*>(row.Control)) {
        // The gauge keeps texts in single bytes.
        edit->setText(QString::fromLatin1(row.Item->EntryText(image)));
    } else if (auto* check = qobject_cast<QAbstractButton*>(row.Control)) {
        check->setChecked(raw != 0);
    } else if (auto* combo = qobject_cast<QComboBox*>(row.Control)) {
        combo->setCurrentIndex(static_cast<int>(raw));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(row.Control)) {
        slider->setValue(static_cast<int>(raw));
    }
}

bool TZURPage::CheckField(const TFieldBinding& row) {
    auto* edit = qobject_cast<QLineEdit*>(row.Control);
    if (!edit)
        return true; // the other controls cannot hold a value out of range
    return ReportEntry(edit, row.Item->FromText(edit->text().toStdString(),
                                                row.Check ? &*row.Check : nullptr));
}

void TZURPage::StoreField(const TFieldBinding& row) {
    TDeviceImage& image = Device.Image;
    if (auto* edit = qobject_cast<QLineEdit*>(row.Control)) {
        const TEntryResult entry =
            row.Item->FromText(edit->text().toStdString(), row.Check ? &*row.Check : nullptr);
        if (entry.Ok)
            row.Item->SetValue(image, entry.Raw);
    } else if (auto* check = qobject_cast<QAbstractButton*>(row.Control)) {
        row.Item->SetValue(image, check->isChecked() ? 1 : 0);
    } else if (auto* combo = qobject_cast<QComboBox*>(row.Control)) {
        row.Item->SetValue(image, static_cast<uint32_t>(std::max(0, combo->currentIndex())));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(row.Control)) {
        row.Item->SetValue(image, static_cast<uint32_t>(slider->value()));
    }
}

const TFieldBinding* TZURPage::FieldFor(const TZURSetting* setting) const {
    for (const TFieldBinding& row : Fields)
        if (row.Item == setting && Applies(row))
            return &row;
    return nullptr;
}

bool TZURPage::ShowSetting(const TZURSetting* setting) {
    const TFieldBinding* row = FieldFor(setting);
    if (!row)
        return false;
    // Not taken as shown: the control now differs from what the page last showed, and the
    // change is the user's edit, made in the list.
    QWidget* control = row->Control;
    const bool tracked = Values_.contains(control);
    const QString before = tracked ? Values_.value(control).Last : ValueOf(control);
    ShowField(*row);
    if (tracked && !Restoring_) {
        JustChanged_ = nullptr;
        Report(control, before, ValueOf(control));
    }
    return true;
}

std::optional<QString> TZURPage::EditedText(const TZURSetting* setting) const {
    const TFieldBinding* row = FieldFor(setting);
    auto* edit = row ? qobject_cast<QLineEdit*>(row->Control) : nullptr;
    if (!edit || !Shown_.contains(edit) || Shown_.value(edit) == edit->text())
        return std::nullopt;
    return edit->text();
}

void TZURPage::ShowFields() {
    for (const TFieldBinding& row : Fields)
        if (Applies(row))
            ShowField(row);
    // What the page shows now is what it last showed; the rest of the page's show (combo and
    // check boxes set after the fields) is taken once the show has run.
    MarkShown();
    QTimer::singleShot(0, this, [this] { MarkShown(); });
}

bool TZURPage::CheckFields() {
    for (const TFieldBinding& row : Fields)
        if (Stores(row) && !CheckField(row))
            return false;
    return true;
}

void TZURPage::StoreFields() {
    for (const TFieldBinding& row : Fields)
        if (Stores(row))
            StoreField(row);
}

// ---------------------------------------------------------------------------------------------
// Controls

QLabel* TZURPage::Caption(const QString& text, QWidget* buddy, const char* name) {
    auto* label = new QLabel(text, Body);
    label->setTextFormat(Qt::PlainText);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    if (buddy) {
        label->setBuddy(buddy);
        // The caption without its mnemonic mark names the control for assistive tools.
        QString plain = text;
        plain.remove(QLatin1Char('&'));
        buddy->setAccessibleName(plain.trimmed());
    }
    return label;
}

QLabel* TZURPage::BodyHeading(const QString& text) {
    QLabel* label = Caption(text);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* TZURPage::ValueLabel(const char* name, const QString& caption, const QString& initial) {
    auto* label = new QLabel(initial, Body);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleDescription(caption);
    return label;
}

QLineEdit* TZURPage::Edit(const char* name, const QString& initial) {
    auto* edit = new QLineEdit(initial, Body);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton* TZURPage::Button(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, Body);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QFrame* TZURPage::Rule() {
    auto* rule = new QFrame(Body);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

void TZURPage::TakeLowestValidValues() {
    for (const TFieldBinding& row : Fields) {
        if (!row.Item || !row.Check || !Stores(row) || !row.Item->Raw())
            continue;
        const TZURSetting& item = *row.Item;
        const double shown = item.Value(Device.Image) * item.Scale;
        if (shown >= row.Check->Lo)
            continue;
        // The smallest raw value at or above the bound, within what the item holds.
        const auto raw = static_cast<int64_t>(std::ceil(row.Check->Lo / item.Scale - 1e-9));
        item.SetValue(Device.Image, static_cast<uint32_t>(std::clamp(raw, item.Min, item.Max)));
    }
}
