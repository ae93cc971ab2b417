// SPDX-License-Identifier: GPL-3.0-or-later
// The installed programs answer --help and --version without a display or a gauge, and the
// manual pages and the bash completion list every option and command the programs know.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <string>

namespace {

struct TRun {
    int exitCode = -1;
    QString out;
    QString err;
};

TRun RunProgram(const QString& program, const QStringList& args) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(program, args);
    TRun run;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end";
        return run;
    }
    run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    run.out = QString::fromLocal8Bit(child.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(child.readAllStandardError());
    return run;
}

QString ReadText(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

struct TProgram {
    const char* name;
    const char* path;
};

const TProgram kPrograms[] = {
    {"t7310-configurator", T7310_CONFIGURATOR_PATH},
    {"t7310-cli", T7310_CLI_PATH},
    {"t7310-sim", T7310_SIM_PATH},
};

} // namespace

TEST(InstalledPrograms, HelpAndVersionSucceedWithoutADisplay) {
    const QString version =
        QString::asprintf("%d.%d.%d.%d", ZUR_VERSION_MAJOR + 0, ZUR_VERSION_MINOR + 0,
                          ZUR_VERSION_PATCH + 0, ZUR_VERSION_TWEAK + 0);
    for (const TProgram& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const QString name = QString::fromLatin1(program.name);
        const TRun help = RunProgram(QString::fromLatin1(program.path), {QStringLiteral("--help")});
        EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: ") + name))
            << help.out.toStdString();
        EXPECT_EQ(help.err, QString());

        const TRun shown =
            RunProgram(QString::fromLatin1(program.path), {QStringLiteral("--version")});
        EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
        EXPECT_EQ(shown.out, name + QLatin1Char(' ') + version + QLatin1Char('\n'));
        EXPECT_EQ(shown.err, QString());
    }
}

TEST(InstalledPrograms, ManualPagesAndCompletionListEveryOptionAndCommand) {
    const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    const QRegularExpression command(QStringLiteral("^  ([a-z][a-z-]+)(?= |$)"),
                                     QRegularExpression::MultilineOption);
    const QString completion = ReadText(QStringLiteral(ZUR_PACKAGING_DIR "/completion/t7310-cli"));
    for (const TProgram& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const QString name = QString::fromLatin1(program.name);
        const QString help =
            RunProgram(QString::fromLatin1(program.path), {QStringLiteral("--help")}).out;
        const QString page =
            ReadText(QStringLiteral(ZUR_PACKAGING_DIR "/man/") + name + QStringLiteral(".1.txt"));
        // An entry of the page is one "TERM :: text" line; the word must be one of TERM's.
        auto documented = [&](const QString& word) {
            for (const QString& line : page.split(QLatin1Char('\n'))) {
                const QString term = line.section(QStringLiteral(" :: "), 0, 0);
                if (term != line &&
                    term.split(QRegularExpression(QStringLiteral("[][ |]+"))).contains(word))
                    return true;
            }
            return false;
        };
        auto completed = [&](const QString& word) {
            return completion.contains(QRegularExpression(QStringLiteral("(^|[ (\\[\"])") +
                                                              QRegularExpression::escape(word) +
                                                              QStringLiteral("([\\] )\"]|$)"),
                                                          QRegularExpression::MultilineOption));
        };
        for (const auto& match : option.globalMatch(help)) {
            EXPECT_TRUE(documented(match.captured()))
                << "man page: " << match.captured().toStdString();
            if (name == QStringLiteral("t7310-cli")) {
                EXPECT_TRUE(completed(match.captured()))
                    << "completion: " << match.captured().toStdString();
            }
        }
        if (name != QStringLiteral("t7310-cli"))
            continue;
        int commands = 0;
        for (const auto& match : command.globalMatch(help)) {
            ++commands;
            EXPECT_TRUE(documented(match.captured(1)))
                << "man page: " << match.captured(1).toStdString();
            EXPECT_TRUE(completion.contains(QLatin1Char('[') + match.captured(1) + "]="))
                << "completion: " << match.captured(1).toStdString();
        }
        EXPECT_GE(commands, 8);
    }
}

TEST(InstalledPrograms, ManualPagesRenderWithoutWarningsAndCarryTheirSections) {
    for (const TProgram& program : kPrograms) {
        SCOPED_TRACE(program.name);
        QProcess man;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        man.setProcessEnvironment(environment);
        man.start(QStringLiteral("man"),
                  {QStringLiteral("--warnings"), QStringLiteral("-l"),
                   QStringLiteral(ZUR_MAN_DIR "/") + QString::fromLatin1(program.name) +
                       QStringLiteral(".1")});
        ASSERT_TRUE(man.waitForFinished(30000));
        EXPECT_EQ(man.exitCode(), 0);
        EXPECT_EQ(QString::fromLocal8Bit(man.readAllStandardError()), QString());
        const QString text = QString::fromLocal8Bit(man.readAllStandardOutput());
        for (const char* section : {"SYNOPSIS", "OPTIONS", "EXIT STATUS", "FILES", "EXAMPLE"})
            EXPECT_TRUE(text.contains(QStringLiteral("\n") + QLatin1String(section) + "\n"))
                << section;
    }
}
