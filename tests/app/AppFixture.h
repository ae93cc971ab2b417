// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window as a user meets it: the real TfmMain on the offscreen platform, a
// simulated gauge on a pseudo-terminal behind COM 1 in a settings folder of the test's own,
// and the scripted dialogs answering. Protocol periods are shortened through the device
// object's and the link's own properties.

#include "FmMain.h"
#include "GaugeSimulator.h"
#include "ScriptedDialogService.h"
#include "TestWait.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QDialog;

// Gives the gauge a Non standard tank with a table of four points, so that a connect reads the
// table and Write All Settings ends with it.
void MakeNonStandard(sim::GaugeSimulator& gauge);

// The visible top-level dialog of that class, or null.
QDialog* OpenDialogOf(const QMetaObject& type);

// Runs script once a modal dialog of class Dialog is open (the window may first close its
// connection, which takes a moment, longer on a loaded machine); gives up after a minute so a
// dialog that never opens fails the test. However the script ends (a failed assertion returns
// early), the dialog does not stay open, or the test would wait for it forever.
void WhenDialogOpen(const QMetaObject& type, const std::function<void(QDialog&)>& script);
template <class Dialog>
void WhenOpen(const std::function<void(Dialog&)>& script) {
    WhenDialogOpen(Dialog::staticMetaObject,
                   [script](QDialog& dialog) { script(static_cast<Dialog&>(dialog)); });
}

class TAppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulated gauge and points COM 1 at it.
    void StartGauge(const sim::Options& options = {});
    // A bus of several gauges on one line behind COM 1.
    void StartBus(const std::vector<sim::Options>& gauges);
    // Destroys the window (the next Window() makes a new one with the same settings).
    void DropWindow();
    sim::GaugeSimulator& Gauge() { return *gauge_; }

    // The window, created on first use with shortened periods.
    TfmMain& Window();
    T7310& Device();

    // Chooses a menu item the way a user does: a click on its menu's title in the menu bar,
    // then a click on the item. Returns false when the item could not be chosen (disabled).
    bool Choose(QAction* item);
    // Device > Connect, answering the node ID prompt with text. True when connected.
    bool ConnectAs(const QString& text);
    // Device > Disconnect. True when disconnected.
    bool DisconnectWindow();

    QString PanelText(int index) const;
    // Clicks the tab of sheet on the page control's tab bar.
    void ClickTab(QWidget* sheet);
    bool TabShown(QWidget* sheet) const;

    // The program's value as stored in the per-user settings (not the window's copy).
    QString StoredValue(const QString& name) const;
    // Instructions the gauge received since the last ClearLog, without the status polls.
    std::vector<uint8_t> Requests() const;

    TScriptedDialogService Dialogs;

private:
    std::unique_ptr<QTemporaryDir> settings_;
    std::unique_ptr<sim::GaugeSimulator> gauge_;
    std::unique_ptr<TfmMain> window_;
};
