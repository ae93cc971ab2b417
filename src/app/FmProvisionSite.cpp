// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmProvisionSite.h"

#include "DialogService.h"
#include "Templates.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum TColumn { pcLine, pcNode, pcTag, pcBus, pcSettings, pcFamily, pcResult, pcChanges, pcCount };
const char* const kHeaders[pcCount] = {QT_TRANSLATE_NOOP("TfmProvisionSite", "Line"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Node"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Tag"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Bus"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Settings"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Family"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Result"),
                                       QT_TRANSLATE_NOOP("TfmProvisionSite", "Changes")};

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(text);
    return item;
}

} // namespace

TfmProvisionSite::TfmProvisionSite(const TTarget& target, QWidget* parent)
    : QDialog(parent), target_(target) {
    setObjectName(QStringLiteral("fmProvisionSite"));
    setWindowTitle(tr("Provision Site"));
    resize(760, 440);

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edSiteFile = new QLineEdit(this);
    edSiteFile->setObjectName(QStringLiteral("edSiteFile"));
    edSiteFile->setAccessibleDescription(
        tr("The site file: one gauge a line (node, settings, table, device, tag)"));
    btBrowse = new QPushButton(tr("&Browse..."), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));
    btBrowse->setAutoDefault(false);
    btBrowse->setAccessibleName(tr("Browse for the site file"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edSiteFile, 1);
    fileRow->addWidget(btBrowse);
    auto* fileCaption = new QLabel(tr("&Site file:"), this);
    fileCaption->setBuddy(edSiteFile);
    form->addRow(fileCaption, fileRow);

    lbPort = new QLabel(target.DefaultDevice.isEmpty() ? tr("(none)") : target.DefaultDevice, this);
    lbPort->setObjectName(QStringLiteral("lbPort"));
    lbPort->setTextFormat(Qt::PlainText);
    lbPort->setAccessibleDescription(tr("Bus of the lines that name no device"));
    form->addRow(tr("Default bus:"), lbPort);

    cbDryRun = new QCheckBox(tr("&Dry run: read and compare only, write nothing"), this);
    cbDryRun->setObjectName(QStringLiteral("cbDryRun"));
    form->addRow(QString(), cbDryRun);
    column->addLayout(form);

    lbSiteStatus = new QLabel(tr("Choose a site file."), this);
    lbSiteStatus->setObjectName(QStringLiteral("lbSiteStatus"));
    lbSiteStatus->setTextFormat(Qt::PlainText);
    lbSiteStatus->setWordWrap(true);
    lbSiteStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lbSiteStatus->setFocusPolicy(Qt::StrongFocus);
    lbSiteStatus->setAccessibleName(tr("Site status"));
    column->addWidget(lbSiteStatus);

    grGauges = new QTableWidget(0, pcCount, this);
    grGauges->setObjectName(QStringLiteral("grGauges"));
    grGauges->setAccessibleName(tr("Gauges of the site"));
    for (int c = 0; c < pcCount; ++c)
        grGauges->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QCoreApplication::translate("TfmProvisionSite", kHeaders[c])));
    grGauges->verticalHeader()->hide();
    for (int c = 0; c < pcCount; ++c)
        grGauges->setColumnWidth(c, grGauges->horizontalHeader()->sectionSizeHint(c) + 16);
    grGauges->setColumnWidth(pcTag, 110);
    grGauges->setColumnWidth(pcBus, 110);
    grGauges->setColumnWidth(pcSettings, 110);
    grGauges->setColumnWidth(pcFamily, 110);
    grGauges->horizontalHeader()->setStretchLastSection(false);
    grGauges->horizontalHeader()->setSectionResizeMode(pcResult, QHeaderView::Stretch);
    grGauges->setSelectionBehavior(QAbstractItemView::SelectRows);
    grGauges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    column->addWidget(grGauges, 1);

    auto* buttons = new QHBoxLayout;
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btStart = button("btStart", tr("S&tart"));
    btStop = button("btStop", tr("St&op"));
    btSaveReport = button("btSaveReport", tr("Save &Report..."));
    btClose = button("btClose", tr("&Close"));
    buttons->addWidget(btStart);
    buttons->addWidget(btStop);
    buttons->addStretch(1);
    buttons->addWidget(btSaveReport);
    buttons->addWidget(btClose);
    column->addLayout(buttons);

    connect(btBrowse, &QPushButton::clicked, this, [this] { btBrowseClick(); });
    connect(edSiteFile, &QLineEdit::editingFinished, this, [this] {
        if (!run_ || !run_->Running())
            if (edSiteFile->text() != site_.Path)
                LoadSiteFile(edSiteFile->text());
    });
    connect(btStart, &QPushButton::clicked, this, [this] { btStartClick(); });
    connect(btStop, &QPushButton::clicked, this, [this] { btStopClick(); });
    connect(btSaveReport, &QPushButton::clicked, this, [this] { btSaveReportClick(); });
    connect(btClose, &QPushButton::clicked, this, [this] { reject(); });
    UpdateButtons();
}

TfmProvisionSite::~TfmProvisionSite() = default;

void TfmProvisionSite::UpdateButtons() {
    const bool running = run_ && run_->Running();
    btStart->setEnabled(!running && site_.Ok());
    btStop->setEnabled(running && !run_->StopAsked());
    btSaveReport->setEnabled(!running && run_ != nullptr);
    edSiteFile->setEnabled(!running);
    btBrowse->setEnabled(!running);
    cbDryRun->setEnabled(!running);
}

bool TfmProvisionSite::LoadSiteFile(const QString& path) {
    run_.reset();
    edSiteFile->setText(path);
    site_ = LoadSite(path, target_.DefaultDevice,
                     target_.TemplateFolder.isEmpty() ? TTemplateStore()
                                                      : TTemplateStore(target_.TemplateFolder));
    grGauges->setRowCount(0);
    for (size_t i = 0; i < site_.Gauges.size(); ++i) {
        const TSiteGauge& gauge = site_.Gauges[i];
        const int row = grGauges->rowCount();
        grGauges->insertRow(row);
        grGauges->setItem(row, pcLine, Cell(QString::number(gauge.Line)));
        grGauges->setItem(row, pcNode, Cell(QString::number(gauge.Node)));
        grGauges->setItem(row, pcTag, Cell(gauge.Tag));
        grGauges->setItem(row, pcBus, Cell(gauge.Device));
        grGauges->setItem(row, pcSettings, Cell(gauge.Settings));
        grGauges->setItem(row, pcFamily, Cell(QString()));
        grGauges->setItem(row, pcResult, Cell(QStringLiteral("ready")));
        grGauges->setItem(row, pcChanges, Cell(QString()));
    }
    if (site_.Ok()) {
        const size_t buses = site_.Buses().size();
        lbSiteStatus->setText(
            tr("%1 gauges on %2 %3, every line checked. Press Start.")
                .arg(site_.Gauges.size())
                .arg(buses)
                .arg(buses == 1 ? QStringLiteral("bus") : QStringLiteral("buses")));
    } else {
        lbSiteStatus->setText(tr("The site file cannot be used; nothing will be sent:\n") +
                              site_.ProblemText());
    }
    UpdateButtons();
    return site_.Ok();
}

void TfmProvisionSite::btBrowseClick() {
    const QString name =
        Dialogs().OpenFileName(this, tr("Open Site File"), tr("Site files (*.csv);;All files (*)"));
    if (!name.isEmpty())
        LoadSiteFile(name);
}

void TfmProvisionSite::btStartClick() {
    if ((run_ && run_->Running()) || !site_.Ok())
        return;
    // The file again: it may have changed since it was checked.
    if (!LoadSiteFile(site_.Path))
        return;
    TProvisionOptions options;
    options.DryRun = cbDryRun->isChecked();
    options.Fast = target_.Fast;
    options.BaudRate = target_.BaudRate;
    options.ArchiveFolder = target_.ArchiveFolder;
    options.PrepareDevice = target_.PrepareDevice;
    run_ = std::make_unique<TProvisioner>(site_, options);
    run_->OnGauge = [this](size_t index, const TGaugeReport& report) { ShowGauge(index, report); };
    run_->OnFinished = [this] { Finished(); };
    close_after_run_ = false;
    for (int row = 0; row < grGauges->rowCount(); ++row)
        grGauges->item(row, pcResult)->setText(QStringLiteral("waiting"));
    run_->Start();
    lbSiteStatus->setText(tr("Provisioning %1 gauges...").arg(site_.Gauges.size()));
    UpdateButtons();
}

void TfmProvisionSite::btStopClick() {
    if (!run_ || !run_->Running())
        return;
    run_->Stop();
    lbSiteStatus->setText(tr("Stopping at the end of each bus's exchange in flight (a write series "
                             "goes to its end)..."));
    UpdateButtons();
}

void TfmProvisionSite::ShowGauge(size_t index, const TGaugeReport& report) {
    const int row = static_cast<int>(index);
    if (row >= grGauges->rowCount())
        return;
    grGauges->item(row, pcFamily)->setText(report.Family);
    grGauges->item(row, pcResult)->setText(ReportResultText(report));
    grGauges->item(row, pcResult)->setToolTip(ReportResultText(report));
    const bool counted = report.Result == TProvisionResult::Written ||
                         report.Result == TProvisionResult::NotKept ||
                         report.Result == TProvisionResult::Differs;
    grGauges->item(row, pcChanges)->setText(counted ? QString::number(report.Changes) : QString());
    // Not colour alone: a failure or a setting not kept is also bold.
    QFont font = grGauges->item(row, pcResult)->font();
    font.setBold(report.Result == TProvisionResult::Failed ||
                 report.Result == TProvisionResult::NotKept);
    grGauges->item(row, pcResult)->setFont(font);
    if (IsFinal(report.Result))
        lbSiteStatus->setText(Summary());
}

QString TfmProvisionSite::Summary() const {
    if (!run_)
        return {};
    QStringList parts;
    for (TProvisionResult result :
         {TProvisionResult::Unchanged, TProvisionResult::Written, TProvisionResult::NotKept,
          TProvisionResult::Differs, TProvisionResult::Failed, TProvisionResult::Stopped}) {
        const int count = run_->Count(result);
        if (count > 0)
            parts << QStringLiteral("%1 %2").arg(count).arg(QLatin1String(ProvisionResultText(result)));
    }
    return tr("%1 of %2 gauges: %3")
        .arg(site_.Gauges.size() - static_cast<size_t>(run_->Count(TProvisionResult::Waiting) +
                                                       run_->Count(TProvisionResult::Running)))
        .arg(site_.Gauges.size())
        .arg(parts.isEmpty() ? tr("none yet") : parts.join(QStringLiteral(", ")));
}

void TfmProvisionSite::Finished() {
    lbSiteStatus->setText((run_->StopAsked() ? tr("Stopped. ") : tr("Done. ")) + Summary());
    UpdateButtons();
    // Start and Stop are disabled now; the results are where the user looks next.
    grGauges->setFocus();
    if (close_after_run_)
        QDialog::reject();
}

void TfmProvisionSite::btSaveReportClick() {
    if (!run_ || run_->Running())
        return;
    const QString name =
        Dialogs().SaveFileName(this, tr("Save Report"), tr("CSV files (*.csv);;All files (*)"));
    if (name.isEmpty())
        return;
    QSaveFile file(name);
    const QByteArray csv = ProvisionReportCsv(site_, run_->Reports());
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        Dialogs().Error(
            this, tr("The report could not be saved to %1: %2").arg(name, file.errorString()));
        return;
    }
    lbSiteStatus->setText(lbSiteStatus->text() + tr("\nReport saved to ") + name);
}

void TfmProvisionSite::reject() {
    // Escape or Close while the buses run: stop them, and close once they have ended.
    if (run_ && run_->Running()) {
        btStopClick();
        close_after_run_ = true;
        return;
    }
    QDialog::reject();
}
