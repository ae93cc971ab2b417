// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogService.h"

#include <QPrinter>

#include <cstdio>

namespace {
// The service installed before the current one, restored when a scripted one goes.
IDialogService* g_installed = nullptr;
} // namespace

const char* DialogKindName(TDialogKind kind) {
    switch (kind) {
    case TDialogKind::Information:
        return "Information";
    case TDialogKind::Error:
        return "Error";
    case TDialogKind::Plain:
        return "Plain";
    case TDialogKind::Question:
        return "Question";
    case TDialogKind::InputText:
        return "InputText";
    case TDialogKind::OpenFile:
        return "OpenFile";
    case TDialogKind::SaveFile:
        return "SaveFile";
    case TDialogKind::Differences:
        return "Differences";
    case TDialogKind::Choice:
        return "Choice";
    case TDialogKind::Print:
        return "Print";
    case TDialogKind::OpenDocument:
        return "OpenDocument";
    case TDialogKind::SaveChanges:
        return "SaveChanges";
    }
    return "?";
}

TScriptedDialogService::TScriptedDialogService() : previous_(g_installed) {
    g_installed = this;
    SetDialogService(this);
}

TScriptedDialogService::~TScriptedDialogService() {
    g_installed = previous_;
    SetDialogService(previous_);
}

QStringList TScriptedDialogService::Transcript() const {
    QStringList lines;
    for (const TDialogRecord& r : records_) {
        QString line = QString::fromLatin1(DialogKindName(r.Kind));
        if (!r.Caption.isEmpty())
            line += QStringLiteral(" [") + r.Caption + QStringLiteral("]");
        line += QStringLiteral(": ") + r.Text;
        if (r.Unexpected)
            line += QStringLiteral("  <-- UNEXPECTED");
        lines << line;
    }
    return lines;
}

QStringList TScriptedDialogService::Boxes() const {
    QStringList texts;
    for (const TDialogRecord& r : records_)
        if (r.Kind == TDialogKind::Information || r.Kind == TDialogKind::Error ||
            r.Kind == TDialogKind::Plain)
            texts << r.Text;
    return texts;
}

int TScriptedDialogService::UnexpectedCount() const {
    int count = 0;
    for (const TDialogRecord& r : records_)
        count += r.Unexpected ? 1 : 0;
    return count;
}

void TScriptedDialogService::Clear() {
    records_.clear();
    script_.clear();
}

bool TScriptedDialogService::take(TDialogKind kind, TDialogRecord& record, TAnswer& answer) {
    if (script_.empty() || script_.front().Kind != kind) {
        record.Unexpected = true;
        std::fprintf(stderr, "UNEXPECTED DIALOG %s: %s\n", DialogKindName(kind),
                     qPrintable(record.Caption + QStringLiteral(" ") + record.Text));
        this->record(record);
        return false;
    }
    answer = script_.front();
    script_.pop_front();
    this->record(record);
    return true;
}

void TScriptedDialogService::record(const TDialogRecord& record) {
    records_.push_back(record);
    if (OnShow)
        OnShow(records_.back());
}

void TScriptedDialogService::Information(QWidget* parent, const QString& text) {
    record({TDialogKind::Information, text, {}, {}, false, parent});
}

void TScriptedDialogService::Error(QWidget* parent, const QString& text) {
    record({TDialogKind::Error, text, {}, {}, false, parent});
}

void TScriptedDialogService::Plain(QWidget* parent, const QString& text) {
    record({TDialogKind::Plain, text, {}, {}, false, parent});
}

bool TScriptedDialogService::Question(QWidget* parent, const QString& text) {
    TDialogRecord record{TDialogKind::Question, text, {}, {}, false, parent};
    TAnswer answer{};
    return take(TDialogKind::Question, record, answer) && answer.Accept;
}

bool TScriptedDialogService::InputText(QWidget* parent, const QString& caption,
                                       const QString& prompt, QString& value) {
    TDialogRecord record{TDialogKind::InputText, prompt, caption, value, false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::InputText, record, answer) || !answer.Accept)
        return false;
    value = answer.Text;
    return true;
}

QString TScriptedDialogService::OpenFileName(QWidget* parent, const QString& caption,
                                             const QString& filter) {
    TDialogRecord record{TDialogKind::OpenFile, {}, caption, filter, false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::OpenFile, record, answer) || !answer.Accept)
        return {};
    return answer.Text;
}

QString TScriptedDialogService::SaveFileName(QWidget* parent, const QString& caption,
                                             const QString& filter) {
    TDialogRecord record{TDialogKind::SaveFile, {}, caption, filter, false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::SaveFile, record, answer) || !answer.Accept)
        return {};
    return answer.Text;
}

bool TScriptedDialogService::Print(QWidget* parent, QPrinter& printer) {
    TDialogRecord record{TDialogKind::Print, {}, {}, {}, false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::Print, record, answer) || !answer.Accept)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(answer.Text);
    return true;
}

bool TScriptedDialogService::OpenDocument(const QString& path) {
    record({TDialogKind::OpenDocument, path, {}, {}, false, nullptr});
    return true;
}

bool TScriptedDialogService::Differences(QWidget* parent, const TDifferencesBox& box) {
    if (OnDifferences)
        OnDifferences(parent, box);
    QStringList lines;
    for (const TSettingDifference& d : box.Differences.Settings)
        lines << QString::fromLatin1(DifferenceLine(d).c_str());
    for (const TRowDifference& row : box.Differences.Table)
        lines << QString::fromLatin1(DifferenceLine(row).c_str());
    TDialogRecord record{TDialogKind::Differences, box.Heading, box.Caption,
                         lines.join(QLatin1Char('\n')), false};
    if (box.AcceptText.isEmpty()) {
        this->record(record);
        return false;
    }
    TAnswer answer{};
    if (!take(TDialogKind::Differences, record, answer) || !answer.Accept)
        return false;
    if (box.Chosen) {
        const QStringList unticked = answer.Text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        box.Chosen->clear();
        for (const TSettingDifference& d : box.Differences.Settings)
            box.Chosen->push_back(!unticked.contains(QString::fromLatin1(d.Name.c_str())));
    }
    if (box.Reason)
        *box.Reason = answer.Reason.trimmed();
    return true;
}

int TScriptedDialogService::Choose(QWidget* parent, const QString& caption, const QString& prompt,
                                   const QStringList& items) {
    TDialogRecord record{TDialogKind::Choice, prompt, caption, items.join(QLatin1Char('\n')),
                         false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::Choice, record, answer) || !answer.Accept)
        return -1;
    const auto index = static_cast<int>(items.indexOf(answer.Text));
    if (index < 0) {
        // The script named an item the list does not have: a fault of the test or the list.
        records_.back().Unexpected = true;
        std::fprintf(stderr, "CHOICE NOT LISTED: %s\n", qPrintable(answer.Text));
    }
    return index;
}

TSaveChoice TScriptedDialogService::SaveChanges(QWidget* parent, const QString& text) {
    TDialogRecord record{TDialogKind::SaveChanges, text, {}, {}, false, parent};
    TAnswer answer{};
    if (!take(TDialogKind::SaveChanges, record, answer) || !answer.Accept)
        return TSaveChoice::Cancel;
    return answer.Text == QStringLiteral("save") ? TSaveChoice::Save : TSaveChoice::Discard;
}
