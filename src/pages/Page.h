// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The frame every settings page shares. A page is a borderless child placed in its host (a
// tab sheet), works on the one device object and is enabled while connected. The frame builds
// the left column (heading, help text, rule, "&Read Settings" and "&Write Settings") from the
// page's description, runs the Read and Write Settings flows with their boxes, and binds edit
// boxes to numbers of the device image through one table per page; a page adds its own
// controls to Body and writes only what is irregular.

#include "DeviceImage.h"
#include "Event.h"
#include "ZURSettings.h"

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class T7310;

// How a failed Read Settings is reported.
enum class TReadFailure {
    Silent,   // nothing is shown
    ErrorBox, // the plain box "Error"
};

struct TPageDescription {
    QString Heading = {};        // bold, at the top of the left column
    QString HelpObjectName = {}; // the help label's name ("lbDisplayOptionsText")
    QString HelpText = {};
    QString SuccessText = {}; // information box after a successful Write Settings
    TReadFailure ReadFailure = TReadFailure::Silent;
    bool Buttons = true; // false: a page that reads and writes nothing itself
    // Whether the write error box follows a failed gather (after the check's own message).
    bool ErrorBoxAfterFailedGather = true;
};

// One control bound to one catalogue setting. An edit box shows the value as the catalogue
// scales it and takes an entry through the catalogue's text-to-value operation, checked by
// the catalogue's bounds or, where the page checks differently, by the row's own Check; a
// check box holds an on/off value; a combo box's index and a track bar's position are the
// raw value itself.
struct TFieldBinding {
    QWidget* Control = nullptr;
    const TZURSetting* Item = nullptr;
    std::optional<TEntryCheck> Check = {};
    // Empty: the row always applies; otherwise only while this holds (a family's layout).
    std::function<bool()> Applies = {};
    // Empty: an applying row is always checked and stored; otherwise only while this holds
    // (the values of an alarm that is switched off are kept as they are).
    std::function<bool()> Stores = {};
};

// Number text with the user's decimal separator, fixed notation with `decimals` decimals.
QString FixedText(double value, int decimals);

class TZURPage : public QWidget {
    Q_OBJECT
public:
    // The page becomes a child of host. The main window destroys the device object before
    // its pages, so a page's destructor must not use it.
    TZURPage(QWidget* host, T7310& device, TPageDescription description);
    ~TZURPage() override;

    // Called by the main window on connect (true) and disconnect (false).
    virtual void SetPageEnabled(bool enabled) = 0;
    // Write All Settings gathers the pages that have entries: check them, report a bad one,
    // store good ones in the device image, return success.
    virtual bool HasGather() const { return false; }
    virtual bool Gather() { return true; }

    const TPageDescription& Description() const { return Description_; }

    // Settings prepared without a gauge: the page is enabled as when connected, but nothing
    // on it sends (Read and Write Settings and the page's own gauge commands stay disabled).
    // Set before SetPageEnabled.
    void SetOffline(bool offline) { Offline_ = offline; }
    bool Offline() const { return Offline_; }
    // A blank image holds the catalogue's lowest values; where the page's own check starts
    // higher, the bound value is raised to the lowest the page takes, so blank settings can
    // be saved and written as they are.
    void TakeLowestValidValues();

    // ---- one setting, for the list of all settings ----
    // The binding of a catalogue setting on this page, or null.
    const TFieldBinding* FieldFor(const TZURSetting* setting) const;
    // Shows one bound setting from the image: an edit made elsewhere, marked as one here.
    bool ShowSetting(const TZURSetting* setting);
    // The text of a setting's edit box while it holds an edit not yet stored, or none.
    std::optional<QString> EditedText(const TZURSetting* setting) const;

    // Runs the page's write series for Write Settings; the main window installs one that
    // archives, reads back and journals the write. Without one the series just runs.
    using TWriteGuard = std::function<bool(const std::function<bool()>& series)>;
    void SetWriteGuard(TWriteGuard guard) { WriteGuard_ = std::move(guard); }

    // ---- edited, not yet written ----
    // Every edit, combo and check box, spin box and track bar of the body is compared with
    // what the page last showed; one that differs has its caption in bold (its own text when
    // it has no caption label) and says so in its accessible description. The page is
    // "shown" again when it fills its bound fields, reads or writes its settings, or when
    // the window calls MarkShown after reading, loading or writing everything.
    void MarkShown();
    bool Edited() const { return Edited_; }
    // The controls that differ from what the page last showed.
    QList<QWidget*> EditedControls() const;
    // Controls that are not settings (a test switch) are never marked.
    void IgnoreEdits(QWidget* control);

    static const QString kEditedText;

    // ---- undo ----
    // A tracked control's content as one comparable text (what InputEdited reports).
    static QString InputValue(QWidget* control);
    // Puts a value InputEdited reported back into its control, as the user's own choice would
    // (the page's reactions to the control run), without reporting it as a new edit.
    void RestoreInput(QWidget* control, const QString& value);
    // What the user calls the control: its setting's name, else its caption.
    QString InputName(QWidget* control) const;

Q_SIGNALS:
    void EditedChanged(bool edited);
    // The user changed a tracked control (typed, chose, clicked, dragged), or the list of all
    // settings changed it through ShowSetting; a program's own show is not an edit.
    void InputEdited(QWidget* control, const QString& before, const QString& after);
    // MarkShown ran: the page shows what the gauge or a file holds, as read, loaded or written.
    void ShownAgain();

public:
    // ---- the frame's controls ----
    QFrame* LeftPanel = nullptr;
    QLabel* Heading = nullptr;
    QLabel* HelpLabel = nullptr;
    QPushButton* btReadSettings = nullptr; // null on a page without buttons
    QPushButton* btWriteSettings = nullptr;
    QFrame* Body = nullptr; // the right part: the page's own controls go here

    // The Read and Write Settings flows; a page whose flow is irregular overrides them.
    virtual void btReadSettingsClick();
    virtual void btWriteSettingsClick();

    static const QString kWriteErrorText;

protected:
    // Read Settings: the page's reads; true when all succeeded (the page shows them itself).
    virtual bool ReadSettings() { return false; }
    // Write Settings after a successful gather: the page's write series.
    virtual bool WriteSettings() { return false; }
    // The information box after a successful write.
    virtual QString SuccessText() const { return Description_.SuccessText; }

    void SetButtonsEnabled(bool enabled);

    // ---- the binding table ----
    std::vector<TFieldBinding> Fields;
    // The catalogue's item with that number (and name, where numbers repeat).
    const TZURSetting* Setting(uint32_t id) const;
    const TZURSetting* Setting(uint32_t id, const char* name) const;
    // Fills every applying row's control from the device image.
    void ShowFields();
    // Runs the checks of the applying rows that store, in table order; false at the first
    // failure, which is shown and focused.
    bool CheckFields();
    // Stores every applying row's entry (after CheckFields succeeded).
    void StoreFields();
    // One row's show, check and store, for a page whose order is irregular.
    void ShowField(const TFieldBinding& row);
    bool CheckField(const TFieldBinding& row);
    void StoreField(const TFieldBinding& row);
    bool Applies(const TFieldBinding& row) const { return !row.Applies || row.Applies(); }
    bool Stores(const TFieldBinding& row) const {
        return Applies(row) && (!row.Stores || row.Stores());
    }

    // ---- building controls that can be found by what the user reads ----
    // A caption label, the buddy of control when one is given (so it is the control's
    // accessible name).
    QLabel* Caption(const QString& text, QWidget* buddy = nullptr, const char* name = nullptr);
    // A bold heading inside the body.
    QLabel* BodyHeading(const QString& text);
    // A label that shows a value: its caption is its accessible description.
    QLabel* ValueLabel(const char* name, const QString& caption, const QString& initial = {});
    QLineEdit* Edit(const char* name, const QString& initial);
    QPushButton* Button(const char* name, const QString& caption);
    // A horizontal rule.
    QFrame* Rule();

    T7310& Device;

private:
    // The page's inputs as they stand now: edit boxes, combo and check boxes, spin boxes and
    // track bars of the body that are not ignored.
    QList<QWidget*> Inputs() const;
    void Track(QWidget* control);
    // The user-edit detection: a change and the user's signal arrive in either order.
    void ValueChanged(QWidget* control);
    void UserSignal(QWidget* control);
    void Report(QWidget* control, const QString& before, const QString& after);
    void UpdateMarker(QWidget* control);
    void SetMarked(QWidget* control, bool marked);

    const TPageDescription Description_;
    TWriteGuard WriteGuard_;
    QHash<QWidget*, QString> Shown_;        // each tracked control's value as last shown
    QHash<QWidget*, QFont> MarkedFonts_;    // the font a marked caption had before
    QHash<QWidget*, QString> Descriptions_; // a marked control's own accessible description
    QList<QPointer<QWidget>> Ignored_;
    bool Edited_ = false;
    bool Offline_ = false;
    struct TValues {
        QString Last;   // after the latest change
        QString Before; // before the latest change
    };
    QHash<QWidget*, TValues> Values_;
    // Set within one event's handling: the control that has just changed, and a slider whose
    // user action comes before its value changes.
    QPointer<QWidget> JustChanged_;
    QPointer<QWidget> Armed_;
    bool Restoring_ = false;
};
