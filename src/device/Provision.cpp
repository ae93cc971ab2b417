// SPDX-License-Identifier: GPL-3.0-or-later
#include "Provision.h"

#include "GaugeSession.h"
#include "Instructions.h"
#include "SerialPacket.h"
#include "StatusText.h"
#include "TankTableCsv.h"

#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <exception>

namespace {

// Only connect's first read is wanted; a status poll would queue behind every exchange.
constexpr int kNoPoll = 24 * 60 * 60 * 1000;

QString GroupOf(uint8_t instruction) {
    if (instruction == instr::Identity)
        return QStringLiteral("the identity");
    return QString::fromStdString(instr::GroupName(instruction));
}

// "no answer to Tank Settings", "refused at Table Data row 12" ...
QString OutcomeText(const TOutcome& outcome) {
    QString what;
    switch (outcome.Failure) {
    case TFailure::Refused:
        what = QStringLiteral("refused");
        break;
    case TFailure::BadChecksum:
        what = QStringLiteral("bad checksum");
        break;
    case TFailure::WrongReply:
        what = QStringLiteral("wrong reply");
        break;
    case TFailure::NotSent:
        what = QStringLiteral("not sent");
        break;
    case TFailure::Stopped:
        what = QStringLiteral("stopped");
        break;
    case TFailure::None:
    case TFailure::NoReply:
    case TFailure::Interrupted:
        what = QStringLiteral("no answer");
        break;
    }
    QString text = what + QStringLiteral(" at ") + GroupOf(outcome.Instruction);
    if (outcome.Row > 0)
        text += QStringLiteral(" row %1 of %2").arg(outcome.Row).arg(outcome.Rows);
    return text;
}

// One gauge, on the bus thread: what it holds, compared with what the site wants, and the
// checked write when they differ.
class TGaugeProvision {
public:
    TGaugeProvision(TGaugeSession& session, const TSiteGauge& gauge,
                    const TProvisionOptions& options, std::function<void(const QString&)> step)
        : session_(session), device_(session.Device()), gauge_(gauge), options_(options),
          step_(std::move(step)) {}

    TGaugeReport Run() {
        step_(QStringLiteral("reading"));
        if (!Connect() || !Load())
            return report_;
        step_(QStringLiteral("comparing"));
        TDifferences differences;
        if (!session_.FileDifferences(differences))
            return Failed(OutcomeText(device_.LastOutcome()));
        report_.Changes = static_cast<int>(differences.Count());
        if (differences.Empty())
            return Ended(TProvisionResult::Unchanged);
        if (options_.DryRun) {
            report_.Differences = std::move(differences);
            return Ended(TProvisionResult::Differs);
        }
        return Write();
    }

private:
    bool Connect() {
        const TConnectResult connected = session_.ConnectOnLine(0, gauge_.Node, options_.BaudRate);
        report_.Family = QString::fromLatin1(FamilyFacts(FamilyOf(device_)).Name);
        switch (connected.Failure) {
        case TConnectFailure::None:
            break;
        case TConnectFailure::PortNotOpened: {
            TSerialPacket& link = device_.Link();
            QString text = QStringLiteral("port: cannot open %1: %2")
                               .arg(gauge_.Device,
                                    QString::fromStdString(PortOpenErrorText(
                                        link.ErrorCode(), link.LastSystemError(),
                                        options_.BaudRate)));
            if (!connected.Advice.empty())
                text += QStringLiteral(" - ") + QString::fromStdString(connected.Advice);
            Failed(text);
            return false;
        }
        case TConnectFailure::NoIdentity:
            report_.Family.clear();
            if (connected.Outcome.Failure == TFailure::Stopped)
                Ended(TProvisionResult::Stopped);
            else
                Failed(QStringLiteral("no answer: the gauge did not identify itself"));
            return false;
        case TConnectFailure::Incompatible:
            Failed(QStringLiteral("refused: ") + QString::fromStdString(connected.IncompatibleText));
            return false;
        case TConnectFailure::ReadFailed:
            if (connected.Outcome.Failure == TFailure::Stopped)
                Ended(TProvisionResult::Stopped);
            else
                Failed(OutcomeText(connected.Outcome));
            return false;
        }
        const TGaugeFamily family = FamilyOf(device_);
        if (std::find(gauge_.Families.begin(), gauge_.Families.end(), family) ==
            gauge_.Families.end()) {
            const std::string refusal = session_.PreparedFamilyRefusal(gauge_.Families.front());
            QString text = QString::fromStdString(refusal);
            if (gauge_.Families.size() > 1)
                text = QStringLiteral("%1 is a settings file of another format than a %2 holds")
                           .arg(gauge_.Settings, report_.Family);
            Failed(QStringLiteral("wrong family: ") + text.section(QLatin1Char('\n'), 0, 0));
            return false;
        }
        return true;
    }

    // The site's settings over what the gauge holds (the settings a load keeps keep the
    // gauge's values), then the site's table over the file's.
    bool Load() {
        try {
            if (!device_.LoadFromFile(QFile::encodeName(gauge_.SettingsPath).toStdString())) {
                Failed(QStringLiteral("file fault: %1 is not a settings file for a %2")
                           .arg(gauge_.Settings, report_.Family));
                return false;
            }
        } catch (const std::exception& error) {
            Failed(QStringLiteral("file fault: ") + QString::fromLocal8Bit(error.what()));
            return false;
        }
        if (gauge_.TablePath.isEmpty())
            return true;
        const TCsvImport imported = ImportCsv(QFile::encodeName(gauge_.TablePath).toStdString());
        TTableFault fault = imported.Fault;
        if (!imported.Ok || !StoreTable(imported.Rows, device_.Image.TankTable, &fault)) {
            Failed(QStringLiteral("file fault: %1: %2")
                       .arg(gauge_.TablePath, QString::fromStdString(fault.Message)));
            return false;
        }
        return true;
    }

    TGaugeReport Write() {
        step_(QStringLiteral("writing"));
        // A write series and its read-back always run to their end.
        const std::atomic<bool>* stop = device_.StopReads;
        device_.StopReads = nullptr;
        TWriteHooks hooks;
        hooks.Verify = [this] {
            step_(QStringLiteral("reading back"));
            return true;
        };
        hooks.ArchiveError = [this](const QString& text) { report_.ArchiveErrors << text; };
        hooks.User = options_.User;
        hooks.Reason = [this] { return options_.Reason; };
        const TCheckedWriteOutcome written = session_.CheckedWrite(
            "write-all", [this] { return session_.WriteFileSeries(); }, hooks);
        device_.StopReads = stop;
        report_.AsFound = written.AsFound;
        report_.AsLeft = written.AsLeft;
        if (options_.Certificates && (written.Result == TCheckedWrite::Written ||
                                      written.Result == TCheckedWrite::NotKept)) {
            TCertificateSources sources;
            sources.Device = &device_;
            sources.Port = gauge_.Device;
            sources.Archive = &session_.Archive();
            sources.Technician = options_.User;
            sources.Program = QString::fromLatin1(kConfiguratorName);
            sources.Version = options_.ProgramVersion;
            report_.Certificate = std::make_shared<const TCertificate>(BuildCertificate(sources));
        }
        switch (written.Result) {
        case TCheckedWrite::Written:
            return Ended(TProvisionResult::Written);
        case TCheckedWrite::NotKept:
            report_.Changes = static_cast<int>(written.NotKept.Count());
            report_.Differences = written.NotKept;
            return Ended(TProvisionResult::NotKept);
        case TCheckedWrite::Cancelled: // nothing here asks
        case TCheckedWrite::NotRead:
            return Failed(OutcomeText(written.Outcome));
        case TCheckedWrite::Failed:
            return Failed(QStringLiteral("write: ") + OutcomeText(written.Outcome));
        case TCheckedWrite::ReadBackFailed:
            return Failed(QStringLiteral("read-back: ") + OutcomeText(written.Outcome));
        }
        return Failed(QStringLiteral("write: unknown result"));
    }

    TGaugeReport Failed(const QString& reason) {
        report_.Reason = reason;
        return Ended(TProvisionResult::Failed);
    }

    TGaugeReport Ended(TProvisionResult result) {
        report_.Result = result;
        report_.Step.clear();
        return report_;
    }

    TGaugeSession& session_;
    T7310& device_;
    const TSiteGauge& gauge_;
    const TProvisionOptions& options_;
    std::function<void(const QString&)> step_;
    TGaugeReport report_;
};

} // namespace

const char* ProvisionResultText(TProvisionResult result) {
    switch (result) {
    case TProvisionResult::Waiting:
        return "waiting";
    case TProvisionResult::Running:
        return "running";
    case TProvisionResult::Unchanged:
        return "unchanged";
    case TProvisionResult::Written:
        return "written";
    case TProvisionResult::NotKept:
        return "not-kept";
    case TProvisionResult::Failed:
        return "failed";
    case TProvisionResult::Differs:
        return "differs";
    case TProvisionResult::Stopped:
        return "stopped";
    }
    return "unknown";
}

bool IsFinal(TProvisionResult result) {
    return result != TProvisionResult::Waiting && result != TProvisionResult::Running;
}

QString ReportResultText(const TGaugeReport& report) {
    QString text = QString::fromLatin1(ProvisionResultText(report.Result));
    if (report.Result == TProvisionResult::Failed && !report.Reason.isEmpty())
        text += QStringLiteral(" (") + report.Reason + QLatin1Char(')');
    if (report.Result == TProvisionResult::Running && !report.Step.isEmpty())
        text += QStringLiteral(": ") + report.Step;
    return text;
}

namespace {

QString CsvField(QString text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) &&
        !text.contains(QLatin1Char(';')))
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray ProvisionReportCsv(const TSite& site, const std::vector<TGaugeReport>& reports) {
    QByteArray csv = "line,node,tag,device,family,result,reason,changes,as_found,as_left\r\n";
    for (size_t i = 0; i < site.Gauges.size() && i < reports.size(); ++i) {
        const TSiteGauge& gauge = site.Gauges[i];
        const TGaugeReport& report = reports[i];
        const QStringList fields = {QString::number(gauge.Line),
                                    QString::number(gauge.Node),
                                    CsvField(gauge.Tag),
                                    CsvField(gauge.Device),
                                    CsvField(report.Family),
                                    QString::fromLatin1(ProvisionResultText(report.Result)),
                                    CsvField(report.Reason),
                                    QString::number(report.Changes),
                                    CsvField(report.AsFound),
                                    CsvField(report.AsLeft)};
        csv += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return csv;
}

TProvisioner::TProvisioner(TSite site, TProvisionOptions options)
    : site_(std::move(site)), options_(std::move(options)), reports_(site_.Gauges.size()) {}

TProvisioner::~TProvisioner() {
    stop_ = true;
    for (const std::unique_ptr<QThread>& thread : threads_)
        thread->wait();
    threads_.clear();
    // Reports still queued go with their receiver.
    context_.reset();
}

void TProvisioner::Start() {
    if (running_ > 0 || !site_.Ok())
        return;
    // The last run's threads have ended (they post to the old receiver until they do).
    for (const std::unique_ptr<QThread>& thread : threads_)
        thread->wait();
    threads_.clear();
    stop_ = false;
    context_ = std::make_unique<QObject>();
    std::fill(reports_.begin(), reports_.end(), TGaugeReport{});
    for (const QString& bus : site_.Buses()) {
        ++running_;
        threads_.push_back(std::unique_ptr<QThread>(QThread::create([this, bus] {
            RunBus(bus);
            QMetaObject::invokeMethod(
                context_.get(),
                [this] {
                    if (--running_ == 0 && OnFinished)
                        OnFinished();
                },
                Qt::QueuedConnection);
        })));
        threads_.back()->start();
    }
}

void TProvisioner::Wait() {
    if (running_ == 0)
        return;
    QEventLoop loop;
    const std::function<void()> finished = OnFinished;
    OnFinished = [&loop, &finished] {
        if (finished)
            finished();
        loop.quit();
    };
    loop.exec();
    OnFinished = finished;
}

int TProvisioner::Count(TProvisionResult result) const {
    return static_cast<int>(std::count_if(reports_.begin(), reports_.end(),
                                          [result](const TGaugeReport& r) { return r.Result == result; }));
}

void TProvisioner::Post(size_t gauge, const TGaugeReport& report) {
    QMetaObject::invokeMethod(
        context_.get(),
        [this, gauge, report] {
            reports_[gauge] = report;
            if (OnGauge)
                OnGauge(gauge, report);
        },
        Qt::QueuedConnection);
}

// On the bus's own thread, with a device object of its own: the gauges of this bus in the
// site's order, one at a time.
void TProvisioner::RunBus(const QString& bus) {
    T7310 device;
    TArchive archive(options_.ArchiveFolder.isEmpty() ? TArchive::DefaultFolder()
                                                      : options_.ArchiveFolder);
    TGaugeSession session(device, archive);
    device.SetDevicePath(QFile::encodeName(bus).toStdString());
    device.Link().FastTransfers = options_.Fast;
    device.PollInterval = kNoPoll;
    device.StopReads = &stop_;
    if (options_.PrepareDevice)
        options_.PrepareDevice(device);
    for (size_t i = 0; i < site_.Gauges.size(); ++i) {
        const TSiteGauge& gauge = site_.Gauges[i];
        if (gauge.Device != bus)
            continue;
        TGaugeReport report;
        if (stop_) {
            report.Result = TProvisionResult::Stopped;
            Post(i, report);
            continue;
        }
        TGaugeProvision provision(session, gauge, options_, [this, i, &report](const QString& step) {
            report.Result = TProvisionResult::Running;
            report.Step = step;
            Post(i, report);
        });
        report = provision.Run();
        Post(i, report);
    }
    if (device.Connected())
        device.Disconnect();
}
