// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every message box, text prompt and file dialog of the program goes through one service, so
// tests can install a scripted one that records each text and answers from a script.

#include "ImageCompare.h"

#include <QString>
#include <QStringList>

#include <vector>

class QPrinter;
class QWidget;

// A table of setting differences (group, setting, the two sides) and the table rows that
// differ: what a write will change, what the gauge did not keep, gauge against configurator.
struct TDifferencesBox {
    QString Caption;    // the window's title
    QString Heading;    // above the table
    QString FromColumn; // "On the gauge"
    QString ToColumn;   // "To be written"
    QString EmptyText;  // instead of the table when there are no differences
    QString AcceptText; // "Write": a question answered with it or Cancel; empty: Close only
    TDifferences Differences;
    // When set, a box that asks gives each setting difference a check box (all ticked) and
    // leaves here which ones were still ticked when the user accepted, one per setting.
    std::vector<bool>* Chosen = nullptr;
    // When set, a box that asks has an optional "Reason" line (why the write is made, for the
    // journal); what the user typed there is left here when they accept.
    QString* Reason = nullptr;
};

// What to do with edits not saved yet.
enum class TSaveChoice { Save, Discard, Cancel };

class IDialogService {
public:
    virtual ~IDialogService() = default;
    virtual void Information(QWidget* parent, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& text) = 0;
    virtual void Plain(QWidget* parent, const QString& text) = 0;
    // A question shown as an information box with Yes and No; true for Yes.
    virtual bool Question(QWidget* parent, const QString& text) = 0;
    // Text prompt pre-filled with value; false on Cancel (value then unchanged).
    virtual bool InputText(QWidget* parent, const QString& caption, const QString& prompt,
                           QString& value) = 0;
    // File dialogs; an empty result means the user cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    // Shows the differences; true when a question's accept button was chosen (always false
    // for a box without one). A service without a table of its own shows them as text.
    virtual bool Differences(QWidget* parent, const TDifferencesBox& box);
    // One of a list (not editable); the index chosen, or -1 on Cancel.
    virtual int Choose(QWidget* parent, const QString& caption, const QString& prompt,
                       const QStringList& items) = 0;
    // Save, Discard or Cancel for edits not saved yet.
    virtual TSaveChoice SaveChanges(QWidget* parent, const QString& text) = 0;
    // The print dialog for printer; false on Cancel.
    virtual bool Print(QWidget* parent, QPrinter& printer);
    // Opens a file in the desktop's viewer for its type; false when none took it.
    virtual bool OpenDocument(const QString& path);
};

// The service in use: the real Qt dialogs unless another was installed.
IDialogService& Dialogs();
// Installs a service (not owned); null restores the real one.
void SetDialogService(IDialogService* service);
