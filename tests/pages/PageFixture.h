// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One settings page as a user meets it: the real page in a host window on the offscreen
// platform, the device object connected to a simulated gauge over a pseudo-terminal with the
// protocol's periods shortened, and the scripted dialogs answering. Connect and disconnect
// enable and disable the page as the main window does.

#include "GaugeSimulator.h"
#include "Page.h"
#include "ScriptedDialogService.h"
#include "T7310.h"
#include "TestWait.h"

#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The simulated gauge for page tests: node 1, the given model and PC software ID.
sim::Options PageGaugeOptions(const std::string& model = "T8310", const std::string& pcid = "5");

// A page for the frame's own tests: its binding table holds the display damping, shown in
// `edit`; Write Settings sends the display options.
class TDampingPage : public TZURPage {
public:
    TDampingPage(QWidget* host, T7310& device, TPageDescription description)
        : TZURPage(host, device, std::move(description)) {}
    void SetPageEnabled(bool enabled) override { SetButtonsEnabled(enabled); }
    bool HasGather() const override { return true; }
    bool Gather() override {
        if (!CheckFields())
            return false;
        StoreFields();
        return true;
    }
    void Show() { ShowFields(); }

protected:
    // The catalogue's "Damping" (shown in seconds), checked by the page's own rule.
    void BindDamping(QLineEdit* edit, const TEntryCheck& check) {
        Fields.push_back({.Control = edit, .Item = Setting(35), .Check = check});
    }
    bool WriteSettings() override { return Device.WriteGroup(0xA4); }
};

class TPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulated gauge (node 1, a fixed volume unless options say otherwise).
    void StartGauge(const sim::Options& options = PageGaugeOptions());
    sim::GaugeSimulator& Gauge() { return *gauge_; }

    T7310& Device() { return *device_; }
    QWidget& Host() { return *host_; }

    // Creates the page (its constructor subscribes to the device object's events) in the host.
    template <class TPage> TPage& MakePage() {
        auto* page = new TPage(host_.get(), *device_);
        Place(page);
        return *page;
    }

    // Connects to the gauge's node and enables the page; true when connected.
    bool Connect(uint8_t node = 1);
    // Disconnects and disables the page.
    void Disconnect();

    // Instructions the gauge received since the last ClearLog, without the status polls.
    std::vector<uint8_t> Requests() const;
    // Clicks a button with the mouse, as a user does.
    static void Click(QWidget* button);

    TScriptedDialogService Dialogs;

private:
    void Place(TZURPage* page);

    std::unique_ptr<QWidget> host_;
    std::unique_ptr<sim::GaugeSimulator> gauge_;
    std::unique_ptr<T7310> device_;
    TZURPage* page_ = nullptr;
};
