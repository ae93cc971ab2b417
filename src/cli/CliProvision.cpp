// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli provision: a site file's gauges, every bus at once, through the provisioner the
// window's Provision Site dialog runs too.

#include "CliCommands.h"
#include "CertificatePdf.h"
#include "CliOutput.h"
#include "ProgramSettings.h"
#include "Provision.h"
#include "Templates.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <set>

namespace {

// Set by Ctrl+C; a timer passes it on to the provisioner (which is not for a signal handler).
std::atomic<bool> g_interrupted = false;

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
    // A second Ctrl+C ends the tool at once.
    std::signal(SIGINT, SIG_DFL);
}

std::string S(const QString& text) {
    return Printable(text.toStdString());
}

std::string GaugeName(const TSiteGauge& gauge) {
    std::string name = "node " + std::to_string(gauge.Node);
    if (!gauge.Tag.isEmpty())
        name += " " + S(gauge.Tag);
    return name + " on " + S(gauge.Device);
}

std::string ChangesText(const TGaugeReport& report) {
    switch (report.Result) {
    case TProvisionResult::Written:
        return std::to_string(report.Changes) + (report.Changes == 1 ? " change" : " changes");
    case TProvisionResult::NotKept:
        return std::to_string(report.Changes) + " not kept";
    case TProvisionResult::Differs:
        return std::to_string(report.Changes) +
               (report.Changes == 1 ? " difference" : " differences");
    default:
        return {};
    }
}

// On a terminal, one line per bus, redrawn in place below the lines of the gauges that ended.
class TBusLines {
public:
    explicit TBusLines(std::vector<QString> buses)
        : buses_(std::move(buses)), lines_(buses_.size()),
          enabled_(isatty(STDERR_FILENO) == 1) {}
    ~TBusLines() { Finish(); }

    // Gone from the terminal, for the table that follows.
    void Finish() {
        Erase();
        enabled_ = false;
    }

    void Set(const QString& bus, const std::string& text) {
        const auto at = std::find(buses_.begin(), buses_.end(), bus);
        if (at == buses_.end())
            return;
        lines_[static_cast<size_t>(at - buses_.begin())] = text;
        Draw();
    }
    // A line that stays, printed above the bus lines.
    void Print(const std::string& line) {
        Erase();
        std::fprintf(stderr, "%s\n", line.c_str());
        Draw();
    }

private:
    void Draw() {
        if (!enabled_)
            return;
        Erase();
        for (size_t i = 0; i < buses_.size(); ++i)
            std::fprintf(stderr, "%-78.78s\n", (S(buses_[i]) + ": " + lines_[i]).c_str());
        drawn_ = buses_.size();
        std::fflush(stderr);
    }
    void Erase() {
        if (!enabled_ || drawn_ == 0)
            return;
        for (size_t i = 0; i < drawn_; ++i)
            std::fputs("\x1b[1A\x1b[2K", stderr);
        drawn_ = 0;
        std::fflush(stderr);
    }

    std::vector<QString> buses_;
    std::vector<std::string> lines_;
    bool enabled_;
    size_t drawn_ = 0;
};

QJsonObject GaugeJson(const TSiteGauge& gauge, const TGaugeReport& report) {
    QJsonObject row{{"line", gauge.Line},
                    {"node", gauge.Node},
                    {"tag", gauge.Tag},
                    {"device", gauge.Device},
                    {"settings", gauge.Settings},
                    {"family", report.Family.isEmpty() ? QJsonValue() : QJsonValue(report.Family)},
                    {"result", QString::fromLatin1(ProvisionResultText(report.Result))},
                    {"reason", report.Reason.isEmpty() ? QJsonValue() : QJsonValue(report.Reason)},
                    {"changes", report.Changes},
                    {"as_found", report.AsFound.isEmpty() ? QJsonValue() : QJsonValue(report.AsFound)},
                    {"as_left", report.AsLeft.isEmpty() ? QJsonValue() : QJsonValue(report.AsLeft)}};
    if (!report.Differences.Empty()) {
        const bool notKept = report.Result == TProvisionResult::NotKept;
        const QJsonObject differences = DifferencesJson(
            report.Differences, QStringLiteral("gauge"),
            notKept ? QStringLiteral("written") : QStringLiteral("file"));
        row["differences"] = differences["differences"];
        row["table"] = differences["table"];
    }
    QJsonArray archiveErrors;
    for (const QString& error : report.ArchiveErrors)
        archiveErrors.append(error);
    row["archive_errors"] = archiveErrors;
    return row;
}

std::string Column(std::string text, size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text + "  ";
}

std::string TableText(const TProvisioner& run) {
    const TSite& site = run.Site();
    const bool buses = site.Buses().size() > 1;
    size_t tagWidth = 3, busWidth = 3;
    for (const TSiteGauge& gauge : site.Gauges) {
        tagWidth = std::max(tagWidth, S(gauge.Tag).size());
        busWidth = std::max(busWidth, S(gauge.Device).size());
    }
    tagWidth = std::min<size_t>(tagWidth, 24);
    std::string text = (buses ? Column("bus", busWidth) : "") + Column("node", 4) +
                       Column("tag", tagWidth) + Column("family", 23) + Column("result", 9) +
                       "changes\n";
    for (size_t i = 0; i < site.Gauges.size(); ++i) {
        const TSiteGauge& gauge = site.Gauges[i];
        const TGaugeReport& report = run.Reports()[i];
        std::string result = ProvisionResultText(report.Result);
        std::string line = (buses ? Column(S(gauge.Device), busWidth) : "") +
                           Column(std::to_string(gauge.Node), 4) + Column(S(gauge.Tag), tagWidth) +
                           Column(S(report.Family.isEmpty() ? QStringLiteral("-") : report.Family), 23) +
                           Column(result, 9) + ChangesText(report);
        if (!report.Reason.isEmpty())
            line += (ChangesText(report).empty() ? "" : ", ") + S(report.Reason);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + "\n";
    }
    return text;
}

} // namespace

int RunProvision(const TCliOptions& options, const QString& defaultDevice, long baudRate,
                 const QString& user, const QString& paper) {
    const TTemplateStore templates;
    const TSite site = LoadSite(QString::fromStdString(options.File), defaultDevice, templates);
    if (!site.Ok()) {
        for (const TSiteProblem& problem : site.Problems)
            ReportError(options.File + (problem.Line > 0 ? ":" + std::to_string(problem.Line) : "") +
                        ": " + problem.Text.toStdString());
        ReportError("nothing was sent");
        return esFileFailure;
    }
    const QString certificates = QString::fromStdString(options.CertificatesDir);
    if (!certificates.isEmpty() && !QFileInfo(certificates).isDir()) {
        ReportError("provision --certificates " + options.CertificatesDir +
                    ": not a folder; nothing was sent");
        return esFileFailure;
    }

    TProvisionOptions provisionOptions;
    provisionOptions.DryRun = options.DryRun;
    provisionOptions.Fast = options.Fast;
    provisionOptions.BaudRate = baudRate;
    provisionOptions.User = user;
    provisionOptions.Reason = QString::fromStdString(options.Reason);
    provisionOptions.Certificates = !certificates.isEmpty();
    provisionOptions.ProgramVersion = ReadFileVersion();
    TProvisioner run(site, provisionOptions);
    // Laid out here, in the thread that started the run, as each written gauge ends.
    std::set<QString> taken;
    std::map<size_t, QString> certificateFiles;
    bool certificateFailed = false;
    TBusLines busLines(site.Buses());
    run.OnGauge = [&](size_t index, const TGaugeReport& report) {
        const TSiteGauge& gauge = site.Gauges[index];
        if (report.Result == TProvisionResult::Running) {
            busLines.Set(gauge.Device, "node " + std::to_string(gauge.Node) + " " +
                                           S(report.Step));
            return;
        }
        std::string line = GaugeName(gauge) + ": " + S(ReportResultText(report));
        if (const std::string changes = ChangesText(report); !changes.empty())
            line += ", " + changes;
        busLines.Print(line);
        if (report.Certificate) {
            const QString file =
                CertificateFileName(certificates, *report.Certificate, gauge.Tag, taken);
            QString reason;
            if (SaveCertificatePdf(file, *report.Certificate, PaperSizeNamed(paper), &reason)) {
                certificateFiles[index] = file;
            } else {
                certificateFailed = true;
                busLines.Print("t7310-cli: cannot write " + S(file) + ": " + S(reason));
            }
        }
        busLines.Set(gauge.Device, "node " + std::to_string(gauge.Node) + " " +
                                       ProvisionResultText(report.Result));
    };

    g_interrupted = false;
    const auto previous = std::signal(SIGINT, OnInterrupt);
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&run] {
        if (g_interrupted && !run.StopAsked())
            run.Stop();
    });
    watch.start();
    run.Start();
    run.Wait();
    watch.stop();
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    const bool interrupted = g_interrupted.exchange(false);
    busLines.Finish();

    if (options.Json) {
        QJsonArray rows;
        for (size_t i = 0; i < site.Gauges.size(); ++i) {
            QJsonObject row = GaugeJson(site.Gauges[i], run.Reports()[i]);
            const auto file = certificateFiles.find(i);
            row["certificate"] =
                file == certificateFiles.end() ? QJsonValue() : QJsonValue(file->second);
            rows.append(row);
        }
        OutJson({{"site", QString::fromStdString(options.File)},
                 {"dry_run", options.DryRun},
                 {"stopped", interrupted},
                 {"gauges", rows}});
    } else {
        Out(TableText(run));
        for (const auto& [index, file] : certificateFiles)
            Out("certificate of " + GaugeName(site.Gauges[index]) + ": " + S(file) + "\n");
    }
    if (interrupted) {
        ReportError("stopped; the table above says what was done");
        return 130;
    }
    if (run.Count(TProvisionResult::Failed) > 0)
        return esCommsFailure;
    if (certificateFailed)
        return esFileFailure;
    if (run.Count(TProvisionResult::NotKept) > 0 || run.Count(TProvisionResult::Differs) > 0)
        return esDiffers;
    return esSuccess;
}
