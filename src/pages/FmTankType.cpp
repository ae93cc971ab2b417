// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmTankType.h"

#include "FieldChecks.h"
#include "T7310.h"
#include "TankDrawing.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

QString kHelpText() {
    return QCoreApplication::translate(
        "TfmTankType",
        "Tank Setup allows you to specify the tank type you wish to linearise.\n\nThere are 4 "
        "built "
        "in tank types: a horizontal cylinder with 2 endcaps, a cuboid, a vertical cyclinder with "
        "2 "
        "endcaps, and a vertical cylinder.\n\nSelect the non standard tank type if you wish to "
        "manually enter your tank parameters.  Select type 'none' if there is no tank information "
        "required.\n\nThe tank name will be displayed when the Scroll screen button is pressed.");
}
QString kNoTankNote() {
    return QCoreApplication::translate(
        "TfmTankType", "No tank type selected.\n\nThe display will always show a reading of 0");
}
QString kNonStandardNote() {
    return QCoreApplication::translate(
        "TfmTankType",
        "Non standard tank selected.\n\nPlease use the settings on the manual linearisation page "
        "to configure this tank.\n\nYou must press 'Write Settings' before this page will appear.");
}

const char* const kTankTypes[] = {QT_TRANSLATE_NOOP("TfmTankType", "none"),
                                  QT_TRANSLATE_NOOP("TfmTankType", "Horz. Cylinder 2 Endcaps"),
                                  QT_TRANSLATE_NOOP("TfmTankType", "Cuboid"),
                                  QT_TRANSLATE_NOOP("TfmTankType", "Vert. Cyclinder 2 Endcaps"),
                                  QT_TRANSLATE_NOOP("TfmTankType", "Vertical Cylinder"),
                                  QT_TRANSLATE_NOOP("TfmTankType", "Non standard")};
const char* const kUnitSuffixes[] = {"(m.)", "(in.)", "(ft.)"};
constexpr int kTankTypeCount = 6;
constexpr int kUnitCount = 3;
constexpr int kTankNameLength = 11;
constexpr float kLargestDimension = 4000000;

// Catalogue numbers of the tank record's dimensions.
constexpr uint32_t kLength = 41;
constexpr uint32_t kHeight = 42;
constexpr uint32_t kWidth = 43;
constexpr uint32_t kRadius = 44;
constexpr uint32_t kExtent = 45;

// One dimension row of a tank type: its caption, the setting it shows, and the setting name
// the field check reports. A diameter is shown for the stored radius.
struct TDimension {
    const char* Caption = nullptr;
    uint32_t Item = 0;
    bool Diameter = false;
    const char* CheckName = nullptr;
};
using TRows = std::array<TDimension, 3>;
const std::array<TRows, kTankTypeCount> kLayout = {{
    {},
    {{{QT_TRANSLATE_NOOP("TfmTankType", "Length"), kLength, false, "Length"},
      {QT_TRANSLATE_NOOP("TfmTankType", "Diameter"), kRadius, true, "Diameter"},
      {QT_TRANSLATE_NOOP("TfmTankType", "One Dish ="), kExtent, false, "Extent"}}},
    {{{QT_TRANSLATE_NOOP("TfmTankType", "Length"), kLength, false, "Length"},
      {QT_TRANSLATE_NOOP("TfmTankType", "Height"), kHeight, false, "Height"},
      {QT_TRANSLATE_NOOP("TfmTankType", "Width"), kWidth, false, "Width"}}},
    {{{QT_TRANSLATE_NOOP("TfmTankType", "Diameter"), kRadius, true, "Diameter"},
      {QT_TRANSLATE_NOOP("TfmTankType", "Height"), kHeight, false, "Height"},
      {QT_TRANSLATE_NOOP("TfmTankType", "One Dish ="), kExtent, false, "Extent"}}},
    {{{QT_TRANSLATE_NOOP("TfmTankType", "Diameter"), kRadius, true, "Diameter"},
      {QT_TRANSLATE_NOOP("TfmTankType", "Height"), kHeight, false, "Height"},
      {}}},
    {},
}};

QString LengthText(uint32_t stored, bool diameter) {
    const float value = static_cast<float>(static_cast<float>(stored) * (diameter ? 0.002 : 0.001));
    return QString::fromStdString(FormatFixed(value, 5, 3, DecimalSeparator()));
}

uint32_t StoredLength(const QString& text, bool diameter) {
    const float entry = static_cast<float>(StrToFloat(text));
    return ScaledRound(diameter ? entry * 0.5f : entry, 1000);
}

// The gauge keeps the name in single bytes: anything else is refused as it is typed.
class TSingleByteValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar c : input)
            if (c.unicode() > 0xFF || c.unicode() < 0x20)
                return Invalid;
        return Acceptable;
    }
};

} // namespace

TfmTankType::TfmTankType(QWidget* host, T7310& device)
    : TZURPage(host, device,
               {.Heading = tr("Tank Setup:"),
                .HelpObjectName = QStringLiteral("lbSensorParamText"),
                .HelpText = kHelpText(),
                .SuccessText = tr("Tank settings written successfully."),
                .ReadFailure = TReadFailure::ErrorBox}) {
    // Static libraries keep their resources only when asked for them.
    Q_INIT_RESOURCE(tanks);
    BuildBody();
    TankShapeHeard_ =
        Device.OnTankShape.Subscribe([this](T7310*, const TTankDescription&) { TankShape(); });
    OutputOptionsHeard_ = Device.OnOutputOptions.Subscribe(
        [this](T7310*, const TOutputOptions&) { OutputOptions(); });
    Fields.push_back({.Control = cbEnable420Output, .Item = Setting(27)});
    Fields.push_back({.Control = cbMirror420Output, .Item = Setting(28)});
    for (int i = 0; i < kUnitCount; ++i)
        cbUOM->addItem(QString::fromStdString(LengthUnitText(static_cast<uint8_t>(i))));
    ShowTankUnits(0);
    for (const char* text : kTankTypes)
        cbTankType->addItem(tr(text));
    ShowTankType(0);
    SetPageEnabled(false);
}

void TfmTankType::BuildBody() {
    auto* outer = new QGridLayout(Body);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setHorizontalSpacing(12);

    pnImage = new QFrame(Body);
    pnImage->setObjectName(QStringLiteral("pnImage"));
    pnImage->setFrameShape(QFrame::Box);
    pnImage->setMinimumSize(190, 250);
    auto* picture = new QGridLayout(pnImage);
    iTank = new QLabel(pnImage);
    iTank->setObjectName(QStringLiteral("iTank"));
    iTank->setAlignment(Qt::AlignCenter);
    iTank->setMinimumSize(1, 1);
    iTank->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    lbNotes = new QLabel(pnImage);
    lbNotes->setObjectName(QStringLiteral("lbNotes"));
    lbNotes->setTextFormat(Qt::PlainText);
    lbNotes->setWordWrap(true);
    lbNotes->setAlignment(Qt::AlignCenter);
    picture->addWidget(iTank, 0, 0);
    picture->addWidget(lbNotes, 0, 0);
    QSvgRenderer** drawings[] = {&iTank1, &iTank2, &iTank3, &iTank4};
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("iTank%1").arg(i + 1);
        *drawings[i] = new QSvgRenderer(TankDrawingPath(i + 1), pnImage);
        (*drawings[i])->setObjectName(name);
    }
    pnImage->installEventFilter(this);
    outer->addWidget(pnImage, 0, 0, 2, 1);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(4);
    int row = 0;
    auto wide = [&](QWidget* w) { fields->addWidget(w, row++, 0, 1, 3); };

    cbTankType = new QComboBox(Body);
    cbTankType->setObjectName(QStringLiteral("cbTankType"));
    wide(Caption(tr("Tank type:"), cbTankType));
    wide(cbTankType);

    eTankName = Edit("eTankName", QString());
    eTankName->setMaxLength(kTankNameLength);
    eTankName->setValidator(new TSingleByteValidator(eTankName));
    // A 12-character name shown whole (below) does not let typing go past 11 again.
    connect(eTankName, &QLineEdit::textEdited, this, [this](const QString& text) {
        eTankName->setMaxLength(std::max(kTankNameLength, static_cast<int>(text.size())));
    });
    wide(Caption(tr("Tank name:"), eTankName));
    wide(eTankName);

    cbUOM = new QComboBox(Body);
    cbUOM->setObjectName(QStringLiteral("cbUOM"));
    lbUOM = Caption(tr("Tank units of measure:"), cbUOM, "lbUOM");
    wide(lbUOM);
    wide(cbUOM);

    lbTankParams = BodyHeading(tr("Tank parameters:"));
    lbTankParams->setObjectName(QStringLiteral("lbTankParams"));
    wide(lbTankParams);
    QLabel** captions[] = {&lb1, &lb2, &lb3};
    QLineEdit** edits[] = {&e1, &e2, &e3};
    QLabel** units[] = {&lbUnits1, &lbUnits2, &lbUnits3};
    for (int i = 0; i < 3; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        *edits[i] = Edit(("e" + n).constData(), QStringLiteral("2.34"));
        *captions[i] = Caption(QString(), *edits[i], ("lb" + n).constData());
        *units[i] = Caption(QString(), nullptr, ("lbUnits" + n).constData());
        fields->addWidget(*captions[i], row, 0);
        fields->addWidget(*edits[i], row, 1);
        fields->addWidget(*units[i], row, 2);
        ++row;
    }

    wide(BodyHeading(tr("4-20mA Output Options:")));
    cbEnable420Output = new QCheckBox(tr("Enable 4-20mA Output"), Body);
    cbEnable420Output->setObjectName(QStringLiteral("cbEnable420Output"));
    cbMirror420Output = new QCheckBox(tr("Mirror 4-20mA Sensor Input"), Body);
    cbMirror420Output->setObjectName(QStringLiteral("cbMirror420Output"));
    wide(cbEnable420Output);
    wide(cbMirror420Output);
    fields->setRowStretch(row, 1);
    fields->setColumnStretch(1, 1);
    outer->addLayout(fields, 0, 1, 2, 1);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(1, 1);

    connect(cbTankType, &QComboBox::activated, this, [this](int index) { ShowTankType(index); });
    connect(cbUOM, &QComboBox::activated, this, [this](int index) { ShowTankUnits(index); });
}

void TfmTankType::SetPageEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{cbTankType, eTankName, cbUOM, e1, e2, e3,
                                                      cbEnable420Output, cbMirror420Output})
        w->setEnabled(enabled);
    SetButtonsEnabled(enabled);
}

// ---------------------------------------------------------------------------------------------
// Showing

void TfmTankType::ShowTankUnits(int index) {
    if (index < 0 || index >= kUnitCount)
        throw std::out_of_range("Invalid UOM Index");
    cbUOM->setCurrentIndex(index);
    const QString suffix = QString::fromLatin1(kUnitSuffixes[index]);
    for (QLabel* label : {lbUnits1, lbUnits2, lbUnits3})
        label->setText(suffix);
    for (QLineEdit* edit : {e1, e2, e3})
        edit->setAccessibleDescription(suffix);
}

void TfmTankType::ShowDimensionRow(int row, bool visible, const QString& caption) {
    if (visible) {
        lbTankParams->setVisible(true);
        lbUOM->setVisible(true);
        cbUOM->setVisible(true);
    }
    QLabel* captions[] = {lb1, lb2, lb3};
    QLineEdit* edits[] = {e1, e2, e3};
    QLabel* units[] = {lbUnits1, lbUnits2, lbUnits3};
    captions[row]->setVisible(visible);
    captions[row]->setText(caption);
    // "One Dish =" names its box as "One Dish".
    QString name = caption;
    name.remove(QLatin1Char('='));
    edits[row]->setAccessibleName(name.trimmed());
    edits[row]->setVisible(visible);
    units[row]->setVisible(visible);
}

void TfmTankType::ShowTankType(int type) {
    if (type < 0 || type >= kTankTypeCount)
        throw std::out_of_range("Invalid TankType Index");
    for (QWidget* w : std::initializer_list<QWidget*>{lbNotes, lbTankParams, lbUOM, cbUOM})
        w->setVisible(false);
    for (int row = 0; row < 3; ++row)
        ShowDimensionRow(row, false, QString());
    cbTankType->setCurrentIndex(type);
    if (type == 0 || type == img::TankTypeNonStandard) {
        ShowPicture(nullptr);
        if (type == img::TankTypeNonStandard) {
            lbUOM->setVisible(true);
            cbUOM->setVisible(true);
        }
        lbNotes->setText(type == 0 ? kNoTankNote() : kNonStandardNote());
        lbNotes->setVisible(true);
    } else {
        QSvgRenderer* pictures[] = {iTank1, iTank2, iTank3, iTank4};
        ShowPicture(pictures[type - 1]);
        const TRows& rows = kLayout[static_cast<size_t>(type)];
        for (int row = 0; row < 3; ++row)
            if (rows[static_cast<size_t>(row)].Caption)
                ShowDimensionRow(row, true, tr(rows[static_cast<size_t>(row)].Caption));
    }
    ShowDimensions(type);
}

void TfmTankType::ShowDimensions(int type) {
    if (!Loaded_)
        return;
    QLineEdit* edits[] = {e1, e2, e3};
    const TRows& rows = kLayout[static_cast<size_t>(type)];
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row].Caption)
            edits[row]->setText(LengthText(Setting(rows[row].Item)->Value(Device.Image),
                                           rows[row].Diameter));
}

void TfmTankType::ShowPicture(QSvgRenderer* picture) {
    Shown = picture;
    Picture_ = picture ? picture->objectName() : QString();
    if (!picture) {
        iTank->clear();
        iTank->setAccessibleName(QString());
        return;
    }
    // The drawing keeps its proportions, as large as the picture area allows.
    const QSize area = pnImage->contentsRect().size() - QSize(8, 8);
    QSize size = picture->defaultSize();
    size.scale(area.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    picture->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    iTank->setPixmap(pixmap);
    iTank->setAccessibleName(cbTankType->currentText());
}

bool TfmTankType::eventFilter(QObject* watched, QEvent* event) {
    // The drawing is redrawn to the size of its area.
    if (watched == pnImage && event->type() == QEvent::Resize)
        ShowPicture(Shown);
    return TZURPage::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The device's records

void TfmTankType::RaiseNonStandardTank() {
    Q_EMIT NonStandardTank(Device.Image.IsNonStandardTank());
}

void TfmTankType::TankShape() {
    Loaded_ = true;
    const std::string& name = Device.Image.TankName;
    // Typing stops at 11 characters, but a name the gauge or a file already holds may have
    // 12: shown whole, so that writing the page back does not cut its last character off.
    eTankName->setMaxLength(std::max(kTankNameLength, static_cast<int>(name.size())));
    eTankName->setText(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    ShowTankType(Device.Image.TankType());
    ShowTankUnits(Device.Image.TankUom());
    RaiseNonStandardTank();
}

void TfmTankType::OutputOptions() {
    OutputsLoaded_ = true;
    for (const TFieldBinding& row : Fields)
        ShowField(row);
}

bool TfmTankType::GatherTankSettings() {
    if (!Loaded_ || !OutputsLoaded_)
        return false;
    const int type = cbTankType->currentIndex();
    if (type < 0 || type >= kTankTypeCount)
        return false;
    // The output options are taken even when a dimension is refused, as the page always has.
    StoreFields();
    const TRows& rows = kLayout[static_cast<size_t>(type)];
    QLineEdit* edits[] = {e1, e2, e3};
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row].Caption && !CheckRealNumberField(QString::fromLatin1(rows[row].CheckName),
                                                       edits[row], 0, kLargestDimension))
            return false;
    TDeviceImage& image = Device.Image;
    for (size_t row = 0; row < rows.size(); ++row)
        if (rows[row].Caption)
            Setting(rows[row].Item)
                ->SetValue(image, StoredLength(edits[row]->text(), rows[row].Diameter));
    Setting(38)->SetValue(image, static_cast<uint32_t>(type));
    Setting(39)->SetValue(image, static_cast<uint32_t>(cbUOM->currentIndex()));
    image.TankName = eTankName->text().toLatin1().toStdString();
    return true;
}

bool TfmTankType::ReadSettings() {
    if (!Device.ReadGroup(instr::TankDescriptionRead) || !Device.ReadGroup(instr::CalibrationRead))
        return false;
    TankShape();
    OutputOptions();
    return true;
}

bool TfmTankType::WriteSettings() {
    if (!Device.WriteTankSettings())
        return false;
    RaiseNonStandardTank();
    return true;
}
