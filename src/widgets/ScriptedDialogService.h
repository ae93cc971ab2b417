// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A dialog service for tests: records every box and prompt in order and answers from a
// script. A dialog that the script did not expect is recorded as unexpected and answered
// with the safe choice (No, Cancel, no file), so a test never stops at a dialog and still
// fails loudly.

#include "DialogService.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

enum class TDialogKind {
    Information,
    Error,
    Plain,
    Question,
    InputText,
    OpenFile,
    SaveFile,
    Differences,
    Choice,
    SaveChanges,
    Print,
    OpenDocument,
};

const char* DialogKindName(TDialogKind kind);

struct TDialogRecord {
    TDialogKind Kind = TDialogKind::Information;
    QString Text;    // the box's text, or the prompt of an input dialog
    QString Caption; // the caption of an input or file dialog
    QString Value;   // the text an input dialog was pre-filled with; a file dialog's filter;
                     // a differences box's lines ("Group / Setting: from -> to"), one a line;
                     // a list's items, one a line
    bool Unexpected = false;
    QWidget* Parent = nullptr; // the window the dialog was shown over
};

class TScriptedDialogService final : public IDialogService {
public:
    // Installs itself as the program's dialog service for its lifetime.
    TScriptedDialogService();
    ~TScriptedDialogService() override;
    TScriptedDialogService(const TScriptedDialogService&) = delete;
    TScriptedDialogService& operator=(const TScriptedDialogService&) = delete;

    // ---- script: answers are taken in order, one per question, prompt or file dialog ----
    void AnswerYes() { push(TDialogKind::Question, true, {}); }
    void AnswerNo() { push(TDialogKind::Question, false, {}); }
    void AnswerText(const QString& text) { push(TDialogKind::InputText, true, text); }
    void CancelText() { push(TDialogKind::InputText, false, {}); }
    void AnswerOpenFile(const QString& name) { push(TDialogKind::OpenFile, true, name); }
    void AnswerSaveFile(const QString& name) { push(TDialogKind::SaveFile, true, name); }
    void CancelFile(TDialogKind kind) { push(kind, false, {}); }
    // A differences box that asks (Write or Cancel); one without a question needs no answer.
    void AnswerAccept() { push(TDialogKind::Differences, true, {}); }
    void AnswerCancel() { push(TDialogKind::Differences, false, {}); }
    // Accepts with this reason typed in the box's Reason line.
    void AnswerAcceptWithReason(const QString& reason) {
        script_.push_back({TDialogKind::Differences, true, {}, reason});
    }
    // Accepts with the named settings unticked (a box with check boxes).
    void AnswerAcceptExcept(const QStringList& names) {
        push(TDialogKind::Differences, true, names.join(QLatin1Char('\n')));
    }

    // Chooses the item with this text from a list; Cancel when the list has none.
    void AnswerChoice(const QString& item) { push(TDialogKind::Choice, true, item); }
    void CancelChoice() { push(TDialogKind::Choice, false, {}); }
    // The print dialog accepted with the printer printing to this PDF file; or cancelled.
    void AnswerPrintToFile(const QString& pdf) { push(TDialogKind::Print, true, pdf); }
    void CancelPrint() { push(TDialogKind::Print, false, {}); }
    void AnswerSaveChanges(TSaveChoice choice) {
        push(TDialogKind::SaveChanges, choice != TSaveChoice::Cancel,
             choice == TSaveChoice::Save ? QStringLiteral("save") : QStringLiteral("discard"));
    }

    // ---- what was shown ----
    const std::vector<TDialogRecord>& Records() const { return records_; }
    // "Kind: text" lines, for readable test failures.
    QStringList Transcript() const;
    // The texts of the message boxes (information, error, plain) in order.
    QStringList Boxes() const;
    int UnexpectedCount() const;
    bool ScriptDone() const { return script_.empty(); }
    void Clear();

    // Called as each dialog is shown, so a test can look at the window at that moment.
    std::function<void(const TDialogRecord&)> OnShow;
    // Called with a differences box as it would be shown (the screenshot tool renders it).
    std::function<void(QWidget* parent, const TDifferencesBox& box)> OnDifferences;

    // ---- IDialogService ----
    void Information(QWidget* parent, const QString& text) override;
    void Error(QWidget* parent, const QString& text) override;
    void Plain(QWidget* parent, const QString& text) override;
    bool Question(QWidget* parent, const QString& text) override;
    bool InputText(QWidget* parent, const QString& caption, const QString& prompt,
                   QString& value) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    bool Differences(QWidget* parent, const TDifferencesBox& box) override;
    int Choose(QWidget* parent, const QString& caption, const QString& prompt,
               const QStringList& items) override;
    TSaveChoice SaveChanges(QWidget* parent, const QString& text) override;
    bool Print(QWidget* parent, QPrinter& printer) override;
    // Recorded (the file in Text), never opened: a test has no desktop viewer.
    bool OpenDocument(const QString& path) override;

private:
    struct TAnswer {
        TDialogKind Kind;
        bool Accept;
        QString Text;
        QString Reason; // a differences box's Reason line
    };
    void push(TDialogKind kind, bool accept, const QString& text) {
        script_.push_back({kind, accept, text, {}});
    }
    // The next answer when it is of this kind; otherwise the record is marked unexpected
    // (and a mismatching answer stays queued for the dialog it was meant for).
    bool take(TDialogKind kind, TDialogRecord& record, TAnswer& answer);
    void record(const TDialogRecord& record);

    std::deque<TAnswer> script_;
    std::vector<TDialogRecord> records_;
    IDialogService* previous_ = nullptr;
};
