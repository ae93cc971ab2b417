// SPDX-License-Identifier: GPL-3.0-or-later
#include "FmMain.h"

#include "WindowText.h"

#include "DialogService.h"
#include "FmHistory.h"
#include "GaugeFamily.h"
#include "Page.h"
#include "SerialPacket.h"
#include "SettingsFile.h"
#include "T7310.h"
#include "Templates.h"
#include "WriteSafety.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace {

const char* const kCaption = "T7310 / T8310 Configurator";
const char* const kUntitled = QT_TRANSLATE_NOOP("TfmMain", "Untitled");
const char* const kOpenFailed =
    QT_TRANSLATE_NOOP("TfmMain", "An error occured whilst opening the file");
const char* const kSaveFailed =
    QT_TRANSLATE_NOOP("TfmMain", "An error occured whilst save the file");
const char* const kFamilyPrompt =
    QT_TRANSLATE_NOOP("TfmMain", "Which gauge are these settings for?");
const char* const kBlankStart = QT_TRANSLATE_NOOP("TfmMain", "Blank settings");
const char* const kArchiveStart =
    QT_TRANSLATE_NOOP("TfmMain", "An archived file (File > History)...");
const char* const kWritePrepared =
    QT_TRANSLATE_NOOP("TfmMain", "Write the prepared settings to this gauge?");

QString FamilyName(TGaugeFamily family) {
    return QString::fromLatin1(FamilyFacts(family).Name);
}

// A "&" in a name is shown, not taken for a mnemonic.
QString MenuText(QString name) {
    return name.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString TemplateItem(const TTemplate& found) {
    return QCoreApplication::translate("TfmMain", "Template: %1 (%2)")
        .arg(found.Name, FamilyName(found.Family));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Offline state

bool TfmMain::OfflineEdited() const {
    return Offline_.Active && (Offline_.Unsaved || PagesEdited());
}

void TfmMain::UpdateTitle() {
    if (!Offline_.Active) {
        setWindowTitle(QString::fromLatin1(kCaption));
        setWindowModified(false);
        return;
    }
    const QString name = Offline_.FileName.isEmpty()
                             ? QCoreApplication::translate("TfmMain", kUntitled)
                             : QFileInfo(Offline_.FileName).fileName();
    setWindowTitle(name + QStringLiteral("[*] - ") + QString::fromLatin1(kCaption));
    setWindowModified(OfflineEdited());
}

void TfmMain::EnterOffline(const QString& fileName, bool unsaved) {
    Offline_ = {true, fileName, unsaved};
    SetSheetVisible(tsSummary, Device_->IsExtended());
    SetConnectedCommandsEnabled(false);
    SetPagesEnabled(true, true);
    Panels[1]->setText(tr("OFFLINE"));
    MarkPagesShown();
    if (Safety_)
        Safety_->SetPending(false);
    UpdateTitle();
}

void TfmMain::LeaveOffline() {
    Offline_ = {};
    for (TZURPage* page : Pages)
        if (page)
            page->SetOffline(false);
    UpdateTitle();
}

bool TfmMain::TakeOfflineSettings(TGaugeFamily family, const std::vector<uint8_t>* bytes) {
    const TGaugeFamily before = FamilyOf(*Device_);
    TakeFamily(*Device_, family);
    if (!bytes) {
        BlankImage(*Device_);
        // Whether the gauge has a display is its own and never taken from settings; prepared
        // display options must stay editable.
        Device_->Image.DisplayOptions[img::DisplayEnabled] = 1;
        for (TZURPage* page : Pages)
            if (page)
                page->TakeLowestValidValues();
        Device_->NotifyAll();
        return true;
    }
    if (Device_->LoadSettings(*bytes, true))
        return true;
    TakeFamily(*Device_, before);
    return false;
}

bool TfmMain::OfflineEditsSettled() {
    if (!OfflineEdited())
        return true;
    const QString name = Offline_.FileName.isEmpty()
                             ? QCoreApplication::translate("TfmMain", kUntitled)
                             : QFileInfo(Offline_.FileName).fileName();
    switch (Dialogs().SaveChanges(
        this, tr("The settings in %1 have changes that are not saved.\nSave them "
                 "first?")
                  .arg(name))) {
    case TSaveChoice::Save:
        if (Offline_.FileName.isEmpty()) {
            miSaveAsClick();
            return !OfflineEdited();
        }
        return SaveOfflineTo(Offline_.FileName);
    case TSaveChoice::Discard:
        return true;
    case TSaveChoice::Cancel:
        break;
    }
    return false;
}

bool TfmMain::GatherForFile() {
    if (!GatherPages())
        return false;
    // The summary's values are part of an extended gauge's file.
    TZURPage* summary = Pages[psSummary];
    if (summary && SheetVisible(tsSummary) && !summary->Gather()) {
        SetActiveSheet(tsSummary);
        return false;
    }
    return true;
}

bool TfmMain::SaveOfflineTo(const QString& name) {
    if (!GatherForFile())
        return false;
    if (!Device_->SaveToFile(QFile::encodeName(name).toStdString())) {
        Dialogs().Error(this, QCoreApplication::translate("TfmMain", kSaveFailed));
        return false;
    }
    Offline_.FileName = name;
    Offline_.Unsaved = false;
    MarkPagesShown();
    UpdateTitle();
    ShowStatusText(tr("Saved ") + QFileInfo(name).fileName(), kStatusSeconds);
    return true;
}

// ---------------------------------------------------------------------------------------------
// File commands without a gauge

void TfmMain::miNewSettingsClick() {
    if (!Device_ || Device_->Connected() || !OfflineEditsSettled())
        return;
    const TTemplateStore store(TemplateFolder);
    const QList<TTemplate> templates = store.List();
    QStringList starts{QCoreApplication::translate("TfmMain", kBlankStart)};
    if (Safety_)
        starts << QCoreApplication::translate("TfmMain", kArchiveStart);
    for (const TTemplate& found : templates)
        starts << TemplateItem(found);
    const int start = Dialogs().Choose(this, tr("New Settings"), tr("Start from:"), starts);
    if (start < 0)
        return;
    const QString chosen = starts[start];
    if (chosen == QCoreApplication::translate("TfmMain", kArchiveStart)) {
        TfmHistory dialog(Safety_->Archive(), true, this);
        if (dialog.exec() == QDialog::Accepted && !dialog.ChosenFile().isEmpty())
            OpenOfflineFile(dialog.ChosenFile(), std::nullopt);
        return;
    }
    for (const TTemplate& found : templates)
        if (chosen == TemplateItem(found)) {
            // A template is a start, not the file being edited: saving asks for a name.
            if (OpenOfflineFile(found.Path, found.Family)) {
                Offline_.FileName.clear();
                Offline_.Unsaved = true;
                UpdateTitle();
            }
            return;
        }
    QStringList families;
    for (const TFamilyFacts& facts : Families())
        families << QString::fromLatin1(facts.Name);
    const int family = Dialogs().Choose(
        this, tr("New Settings"), QCoreApplication::translate("TfmMain", kFamilyPrompt), families);
    if (family < 0)
        return;
    TakeOfflineSettings(Families()[static_cast<size_t>(family)].Family, nullptr);
    EnterOffline(QString(), true);
}

bool TfmMain::OpenOfflineFile(const QString& name, std::optional<TGaugeFamily> family) {
    std::optional<uint32_t> format;
    std::vector<uint8_t> bytes;
    try {
        format = SettingsFileFormat(QFile::encodeName(name).toStdString());
    } catch (const TSettingsFileError& error) {
        Dialogs().Error(this, Text(error.what()));
        return false;
    }
    QFile file(name);
    if (format && file.open(QIODevice::ReadOnly)) {
        const QByteArray data = file.readAll();
        bytes.assign(data.begin(), data.end());
    }
    if (!format || bytes.empty()) {
        Dialogs().Error(this, QCoreApplication::translate("TfmMain", kOpenFailed));
        return false;
    }
    if (family && FamilyFacts(*family).FileFormat != *format)
        family.reset();
    if (!family)
        family = FamilyOfArchiveFolder(QFileInfo(name).dir().dirName(), *format);
    if (!family) {
        const std::vector<TGaugeFamily> candidates = FamiliesForFormat(*format);
        if (candidates.size() == 1) {
            family = candidates.front();
        } else {
            QStringList names;
            for (TGaugeFamily candidate : candidates)
                names << FamilyName(candidate);
            const int chosen =
                Dialogs().Choose(this, tr("Open"),
                                 tr("The file %1 holds the settings of an extended "
                                    "gauge.\n%2")
                                     .arg(QFileInfo(name).fileName(),
                                          QCoreApplication::translate("TfmMain", kFamilyPrompt)),
                                 names);
            if (chosen < 0)
                return false;
            family = candidates[static_cast<size_t>(chosen)];
        }
    }
    if (!TakeOfflineSettings(*family, &bytes)) {
        Dialogs().Error(this, QCoreApplication::translate("TfmMain", kOpenFailed));
        return false;
    }
    EnterOffline(name, false);
    return true;
}

void TfmMain::miSaveClick() {
    if (!Device_ || !Offline_.Active)
        return;
    if (Offline_.FileName.isEmpty())
        miSaveAsClick();
    else
        SaveOfflineTo(Offline_.FileName);
}

// ---------------------------------------------------------------------------------------------
// Templates

void TfmMain::miSaveAsTemplateClick() {
    if (!Device_ || !(Offline_.Active || Device_->Connected()))
        return;
    if (!GatherForFile())
        return;
    TTemplateStore store(TemplateFolder);
    QString name;
    for (;;) {
        if (!Dialogs().InputText(this, tr("Save as Template"), tr("Template name"), name))
            return;
        if (const QString problem = TTemplateStore::NameProblem(name); !problem.isEmpty()) {
            Dialogs().Information(this, problem);
            continue;
        }
        if (store.Find(name) && !Dialogs().Question(this, tr("There is a template \"%1\" already.\n"
                                                             "Replace it?")
                                                              .arg(name)))
            return;
        break;
    }
    QString error;
    const std::vector<uint8_t> bytes =
        EncodeSettingsFile(Device_->Image, Device_->Report, Device_->IsExtended());
    if (!store.Save(name, FamilyOf(*Device_), bytes, &error)) {
        Dialogs().Error(this, error);
        return;
    }
    FillTemplatesMenu();
    ShowStatusText(tr("Saved template ") + name, kStatusSeconds);
}

bool TfmMain::OpenTemplate(const QString& name) {
    const std::optional<TTemplate> found = TTemplateStore(TemplateFolder).Find(name);
    if (!found || !Device_)
        return false;
    if (Device_->Connected()) {
        // Into the gauge's pages as a file is, but never for another family.
        const std::string refusal = Safety_
                                        ? Safety_->Session().PreparedFamilyRefusal(found->Family)
                                        : std::string();
        if (!refusal.empty()) {
            Dialogs().Error(this, Text(refusal));
            return false;
        }
        OpenSettingsFile(found->Path);
        return true;
    }
    if (!OfflineEditsSettled() || !OpenOfflineFile(found->Path, found->Family))
        return false;
    Offline_.FileName.clear();
    Offline_.Unsaved = true;
    UpdateTitle();
    return true;
}

bool TfmMain::DeleteTemplate(const QString& name) {
    if (!Dialogs().Question(this, tr("Delete the template \"%1\"?").arg(name)))
        return false;
    QString error;
    if (!TTemplateStore(TemplateFolder).Remove(name, &error)) {
        Dialogs().Error(this, error);
        return false;
    }
    FillTemplatesMenu();
    return true;
}

void TfmMain::FillTemplatesMenu() {
    if (!mnTemplates)
        return;
    mnTemplates->clear();
    mnDeleteTemplate = nullptr;
    const QList<TTemplate> templates = TTemplateStore(TemplateFolder).List();
    if (templates.isEmpty()) {
        mnTemplates->addAction(tr("(no templates)"))->setEnabled(false);
        return;
    }
    for (const TTemplate& found : templates) {
        QAction* open = mnTemplates->addAction(
            QStringLiteral("%1 (%2)").arg(MenuText(found.Name), FamilyName(found.Family)));
        open->setObjectName(QStringLiteral("miTemplate:") + found.Name);
        const QString name = found.Name;
        connect(open, &QAction::triggered, this, [this, name] { OpenTemplate(name); });
    }
    mnTemplates->addSeparator();
    mnDeleteTemplate = mnTemplates->addMenu(tr("&Delete Template"));
    mnDeleteTemplate->setObjectName(QStringLiteral("mnDeleteTemplate"));
    for (const TTemplate& found : templates) {
        QAction* remove = mnDeleteTemplate->addAction(MenuText(found.Name));
        remove->setObjectName(QStringLiteral("miDeleteTemplate:") + found.Name);
        const QString name = found.Name;
        // Queued: the menu that holds this action is rebuilt by the deletion.
        connect(remove, &QAction::triggered, this, [this, name] {
            QMetaObject::invokeMethod(this, [this, name] { DeleteTemplate(name); },
                                      Qt::QueuedConnection);
        });
    }
}

// ---------------------------------------------------------------------------------------------
// Prepared settings meet a gauge

QString TfmMain::KeepPreparedInArchive(const TPrepared& prepared) {
    if (!prepared.Unsaved || !Safety_)
        return {};
    // Filed under the family the settings are for, so File > History opens them as that.
    const QString folder =
        TArchive::GaugeFolderName(FamilyFacts(prepared.Family).DeviceName, Device_->NodeId);
    QString error;
    const QString path = Safety_->Archive().SaveImage(folder, QStringLiteral("prepared"),
                                                      prepared.Bytes,
                                                      QDateTime::currentDateTimeUtc(), &error);
    if (path.isEmpty())
        return tr("\n\nThe prepared settings could not be kept: ") + error;
    return tr("\n\nThe prepared settings, not saved before, were kept in\n") + path +
           tr("\nFile > History opens them again.");
}

void TfmMain::OfferPreparedSettings(const TPrepared& prepared) {
    // The connect may have asked for the gauge's table; it is read before anything else, so
    // it cannot land over the prepared table later.
    if (ReadTableTimer->Enabled())
        ReadTableTimerTimer();
    const std::string refusal =
        Safety_ ? Safety_->Session().PreparedFamilyRefusal(prepared.Family) : std::string();
    if (!refusal.empty()) {
        Dialogs().Error(this, Text(refusal) + KeepPreparedInArchive(prepared));
        return;
    }
    if (!Dialogs().Question(this, QCoreApplication::translate("TfmMain", kWritePrepared))) {
        const QString kept = KeepPreparedInArchive(prepared);
        if (!kept.isEmpty())
            Dialogs().Information(this, kept.trimmed());
        return;
    }
    if (!Device_->LoadSettings(prepared.Bytes, false)) {
        Dialogs().Error(this, QCoreApplication::translate("TfmMain", kOpenFailed));
        return;
    }
    if (Safety_)
        Safety_->SetPending(true);
    miWriteAllSettingsClick();
}
