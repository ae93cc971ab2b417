// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Provisioning a site: every gauge of a checked site file brought to its settings, one bus per
// thread so a slow or broken bus never holds up another, each bus strictly one request at a
// time. Per gauge: identify (its family must be one the settings can be for), read all,
// compare with the file, and only when they differ the checked write of Write All Settings
// (archived as found, read back, archived as left, journalled). The window and t7310-cli run
// the same provisioner; it reports to the thread that started it.

#include "ImageCompare.h"
#include "SiteFile.h"

#include "Certificate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class T7310;
class QThread;

enum class TProvisionResult : uint8_t {
    Waiting,   // not reached yet
    Running,   // on the bus now
    Unchanged, // the gauge held the settings already; nothing written
    Written,   // written and read back as written
    NotKept,   // written, but the read-back found differences
    Failed,    // Reason says why
    Differs,   // a dry run found differences; nothing written
    Stopped,   // not provisioned: the run was stopped first
};
// "waiting", "running", "unchanged", "written", "not-kept", "failed", "differs", "stopped".
const char* ProvisionResultText(TProvisionResult result);
bool IsFinal(TProvisionResult result);

struct TGaugeReport {
    TProvisionResult Result = TProvisionResult::Waiting;
    QString Reason;  // failed: why, in a few words and then the detail
    QString Step;    // running: what the bus is doing for the gauge now
    QString Family;  // the family the gauge identified as
    int Changes = 0; // settings (and table rows) changed, not kept, or differing
    TDifferences Differences; // dry run: gauge -> file; not kept: gauge -> written
    QString AsFound;
    QString AsLeft;
    QStringList ArchiveErrors;
    // Written or not kept, when certificates were asked for: the gauge's certificate as data,
    // laid out by the thread that started the run.
    std::shared_ptr<const TCertificate> Certificate;
};

struct TProvisionOptions {
    bool DryRun = false;
    bool Fast = false;
    long BaudRate = 9600;
    QString ArchiveFolder; // empty: the per-user archive
    // The journal's user and reason for every write of the run (either may be empty).
    QString User;
    QString Reason;
    // Runs on each bus's thread for its device object, before the first gauge: its timing, a
    // traffic tap. Leave the device's events alone; the provisioner uses them.
    std::function<void(T7310& device)> PrepareDevice;
    // Make each written gauge's commissioning certificate (TGaugeReport::Certificate), naming
    // this program version.
    bool Certificates = false;
    QString ProgramVersion;
};

class TProvisioner {
public:
    TProvisioner(TSite site, TProvisionOptions options);
    // Stops a run still going and waits for its buses to end their exchange in flight.
    ~TProvisioner();
    TProvisioner(const TProvisioner&) = delete;
    TProvisioner& operator=(const TProvisioner&) = delete;

    const TSite& Site() const { return site_; }
    // One report per gauge of the site, in the site's order; updated as the buses go on.
    const std::vector<TGaugeReport>& Reports() const { return reports_; }

    // Starts every bus; needs a running Qt event loop in this thread to report.
    void Start();
    // The run ends at the end of each bus's exchange in flight; a write series and its
    // read-back are never cut. Safe from any thread.
    void Stop() { stop_ = true; }
    bool StopAsked() const { return stop_; }
    bool Running() const { return running_ > 0; }
    // Runs this thread's events until every bus has ended.
    void Wait();

    // ---- reports, in the thread that started the run ----
    std::function<void(size_t gauge, const TGaugeReport& report)> OnGauge;
    std::function<void()> OnFinished;

    // How many gauges ended each way.
    int Count(TProvisionResult result) const;

private:
    void RunBus(const QString& bus);
    void Post(size_t gauge, const TGaugeReport& report);

    TSite site_;
    TProvisionOptions options_;
    std::vector<TGaugeReport> reports_;
    std::atomic<bool> stop_ = false;
    int running_ = 0; // buses not yet ended (this thread's count)
    std::unique_ptr<QObject> context_; // lives in the starting thread; reports arrive through it
    std::vector<std::unique_ptr<QThread>> threads_;
};

// What the tool's and the dialog's tables say of a gauge: the result's word, with the reason
// of a failure.
QString ReportResultText(const TGaugeReport& report);

// The run as a CSV file (Save Report...): a header, then one line per gauge with its line in
// the site file, node, tag, bus, family, result, reason, changes and archive files. Fields are
// quoted where they hold a comma, a quote or a line break; lines end with CR LF.
QByteArray ProvisionReportCsv(const TSite& site, const std::vector<TGaugeReport>& reports);
