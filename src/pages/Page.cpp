#include "Page.h"

#include "ByteOrder.h"
#include "DialogService.h"
#include "FieldChecks.h"
#include "T7310.h"
#include "Values.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

const QString TZURPage::kWriteErrorText =
    QStringLiteral("An error occured whilst writing the settings.\nPlease ensure the device is "
                   "connected, powered up and try again.");

// ---------------------------------------------------------------------------------------------
// Values

uint32_t TImageField::Get(TDeviceImage& image) const {
    const uint8_t* p = Bytes(image);
    switch (Width) {
    case 1:
        return *p;
    case 2:
        return GetBE16(p);
    case 4:
        return GetBE32(p);
    }
    throw std::logic_error("image field of an unsupported width");
}

void TImageField::Set(TDeviceImage& image, uint32_t value) const {
    uint8_t* p = Bytes(image);
    switch (Width) {
    case 1:
        *p = static_cast<uint8_t>(value);
        return;
    case 2:
        PutBE16(p, static_cast<uint16_t>(value));
        return;
    case 4:
        PutBE32(p, value);
        return;
    }
    throw std::logic_error("image field of an unsupported width");
}

QString FixedText(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    const char separator = DecimalSeparator();
    if (separator != '.')
        text.replace(QLatin1Char('.'), QLatin1Char(separator));
    return text;
}

uint32_t ScaledRound(double entry, double factor) {
    const float scaled = static_cast<float>(entry) * static_cast<float>(factor) + 0.5f;
    // Field checks keep entries within their bounds; anything else is clamped, not wrapped.
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 4294967295.0f)
        return UINT32_MAX;
    return static_cast<uint32_t>(std::floor(scaled));
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
        btReadSettings = new QPushButton(QStringLiteral("&Read Settings"), LeftPanel);
        btReadSettings->setObjectName(QStringLiteral("btReadSettings"));
        btWriteSettings = new QPushButton(QStringLiteral("&Write Settings"), LeftPanel);
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

TZURPage::~TZURPage() = default;

void TZURPage::SetButtonsEnabled(bool enabled) {
    if (btReadSettings)
        btReadSettings->setEnabled(enabled);
    if (btWriteSettings)
        btWriteSettings->setEnabled(enabled);
}

void TZURPage::btReadSettingsClick() {
    if (!ReadSettings() && Description_.ReadFailure == TReadFailure::ErrorBox)
        Dialogs().Plain(this, QStringLiteral("Error"));
}

void TZURPage::btWriteSettingsClick() {
    if (!Gather()) {
        if (Description_.ErrorBoxAfterFailedGather)
            Dialogs().Error(this, kWriteErrorText);
        return;
    }
    if (WriteSettings())
        Dialogs().Information(this, SuccessText());
    else
        Dialogs().Error(this, kWriteErrorText);
}

// ---------------------------------------------------------------------------------------------
// Binding table

void TZURPage::ShowFields() {
    for (const TFieldBinding& row : Fields)
        if (Applies(row))
            row.Edit->setText(FixedText(row.Field.Get(Device.Image) * row.Scale, row.Decimals));
}

bool TZURPage::CheckFields() {
    for (const TFieldBinding& row : Fields) {
        if (!Applies(row))
            continue;
        const bool ok =
            row.Check == TFieldCheck::Whole
                ? CheckWholeNumberField(row.CheckName, row.Edit, static_cast<int>(row.Lo),
                                        static_cast<int>(row.Hi))
                : CheckRealNumberField(row.CheckName, row.Edit, static_cast<float>(row.Lo),
                                       static_cast<float>(row.Hi));
        if (!ok)
            return false;
    }
    return true;
}

void TZURPage::StoreFields() {
    for (const TFieldBinding& row : Fields) {
        if (!Applies(row))
            continue;
        if (row.Check == TFieldCheck::Whole)
            row.Field.Set(Device.Image, static_cast<uint32_t>(StrToInt(row.Edit->text())));
        else
            row.Field.Set(Device.Image, ScaledRound(StrToFloat(row.Edit->text()), 1.0 / row.Scale));
    }
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
