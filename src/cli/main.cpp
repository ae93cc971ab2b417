// SPDX-License-Identifier: GPL-3.0-or-later
// t7310-cli: scripted provisioning of T7310/T8310 gauges over the configurator's own device
// object, program settings and settings file.

#include "CliCommands.h"
#include "CliOptions.h"
#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A closed stdout (a pipe into head) must end in an error status, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    // Taken before QCoreApplication, which may remove arguments it recognises.
    const std::vector<std::string> args(argv + 1, argv + argc);

    const TCliParse parse = ParseCliOptions(args);
    if (!parse.Ok) {
        ReportError(parse.Error);
        std::fprintf(stderr, "%s\nTry 't7310-cli --help'.\n", kUsageLine);
        return esUsage;
    }
    if (parse.Help) {
        std::fputs(kUsageText, stdout);
        return esSuccess;
    }
    if (parse.Version) {
        std::printf("t7310-cli %s\n", qPrintable(ReadFileVersion()));
        return esSuccess;
    }

    // A certificate is laid out with fonts, which need a GUI application: one without any
    // window system, so the tool runs the same over SSH.
    const bool pdf = parse.Options.Command == ccCertificate ||
                     (parse.Options.Command == ccProvision && !parse.Options.CertificatesDir.empty());
    if (pdf)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = pdf ? std::make_unique<QGuiApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    TProgramSettings settings;
    DeclareConfiguratorSettings(settings);
    int status = esUsage;
    QTimer::singleShot(0, app.get(), [&] {
        status = RunCliCommand(parse.Options, settings);
        QCoreApplication::exit(status);
    });
    QCoreApplication::exec();
    return status;
}
