// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogService.h"

#include "FmCompare.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace {

class TQtDialogService final : public IDialogService {
public:
    void Information(QWidget* parent, const QString& text) override {
        QMessageBox::information(parent, caption(), text);
    }
    void Error(QWidget* parent, const QString& text) override {
        QMessageBox::critical(parent, caption(), text);
    }
    void Plain(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, caption(), text, QMessageBox::Ok, parent);
        box.exec();
    }
    bool Question(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Information, caption(), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
        return box.exec() == QMessageBox::Yes;
    }
    bool InputText(QWidget* parent, const QString& caption, const QString& prompt,
                   QString& value) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
        if (ok)
            value = text;
        return ok;
    }
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    }
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter) override {
        // QFileDialog asks before overwriting an existing file.
        return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    }
    bool Differences(QWidget* parent, const TDifferencesBox& box) override {
        TfmCompare dialog(box, parent);
        const bool accepted = dialog.exec() == QDialog::Accepted && !box.AcceptText.isEmpty();
        if (accepted && box.Chosen)
            *box.Chosen = dialog.Chosen();
        if (accepted && box.Reason)
            *box.Reason = dialog.Reason();
        return accepted;
    }

    int Choose(QWidget* parent, const QString& caption, const QString& prompt,
               const QStringList& items) override {
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(parent, caption, prompt, items, 0, false, &ok);
        return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
    }
    TSaveChoice SaveChanges(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Warning, this->caption(), text,
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Save);
        switch (box.exec()) {
        case QMessageBox::Save:
            return TSaveChoice::Save;
        case QMessageBox::Discard:
            return TSaveChoice::Discard;
        default:
            return TSaveChoice::Cancel;
        }
    }

private:
    static QString caption() { return QStringLiteral("T7310 / T8310 Configurator"); }
};

TQtDialogService g_qt_dialogs;
IDialogService* g_service = nullptr;

} // namespace

bool IDialogService::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool IDialogService::OpenDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool IDialogService::Differences(QWidget* parent, const TDifferencesBox& box) {
    QString text = box.Heading + QStringLiteral("\n");
    for (const TSettingDifference& d : box.Differences.Settings)
        text += QStringLiteral("\n") + QString::fromLatin1(DifferenceLine(d).c_str());
    for (const TRowDifference& row : box.Differences.Table)
        text += QStringLiteral("\n") + QString::fromLatin1(DifferenceLine(row).c_str());
    if (box.Differences.Empty())
        text += QStringLiteral("\n") + box.EmptyText;
    if (box.AcceptText.isEmpty()) {
        Information(parent, text);
        return false;
    }
    return Question(parent, text);
}

IDialogService& Dialogs() {
    return g_service ? *g_service : g_qt_dialogs;
}

void SetDialogService(IDialogService* service) {
    g_service = service;
}
