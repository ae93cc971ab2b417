// SPDX-License-Identifier: GPL-3.0-or-later
// Every file of the checkout carries the licence line (scripts/spdx --check, whose rule says
// which files and in which comment style), and scripts/spdx puts the line where each kind of
// file keeps its comments without breaking the file.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

struct TRun {
    int exitCode = -1;
    QString err;
};

TRun RunScript(const QString& program, const QStringList& args, const QString& dir = {}) {
    QProcess child;
    if (!dir.isEmpty())
        child.setWorkingDirectory(dir);
    child.start(program, args);
    TRun run;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end";
        return run;
    }
    run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    run.err = QString::fromUtf8(child.readAllStandardError());
    return run;
}

const QString kScript = QStringLiteral(ZUR_SOURCE_DIR "/scripts/spdx");

void Write(const QString& root, const QString& path, const QByteArray& text) {
    const QString full = root + QLatin1Char('/') + path;
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

QByteArray Read(const QString& root, const QString& path) {
    QFile file(root + QLatin1Char('/') + path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

struct TFileCase {
    const char* path;
    const char* before;
    const char* after; // what scripts/spdx leaves; the same as before when no line belongs
};

const TFileCase kFiles[] = {
    {"src/a/Thing.cpp", "#include \"Thing.h\"\n",
     "// SPDX-License-Identifier: GPL-3.0-or-later\n#include \"Thing.h\"\n"},
    {"src/a/Thing.h", "#pragma once\n",
     "// SPDX-License-Identifier: GPL-3.0-or-later\n#pragma once\n"},
    {"CMakeLists.txt", "project(X)\n", "# SPDX-License-Identifier: GPL-3.0-or-later\nproject(X)\n"},
    {"src/a/CMakeLists.txt", "add_library(a)\n",
     "# SPDX-License-Identifier: GPL-3.0-or-later\nadd_library(a)\n"},
    {"cmake/Find.cmake", "set(A 1)\n", "# SPDX-License-Identifier: GPL-3.0-or-later\nset(A 1)\n"},
    // A script's #! line must stay the first line, or the kernel no longer runs it.
    {"scripts/go", "#!/usr/bin/env bash\necho go\n",
     "#!/usr/bin/env bash\n# SPDX-License-Identifier: GPL-3.0-or-later\necho go\n"},
    {"scripts/plain", "echo plain\n", "# SPDX-License-Identifier: GPL-3.0-or-later\necho plain\n"},
    {".ci/run", "#!/bin/sh\ntrue\n", "#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later\ntrue\n"},
    {"packaging/x.desktop", "[Desktop Entry]\n",
     "# SPDX-License-Identifier: GPL-3.0-or-later\n[Desktop Entry]\n"},
    // The XML declaration must stay first, or the file is not well-formed.
    {"packaging/x.metainfo.xml.in", "<?xml version=\"1.0\"?>\n<component/>\n",
     "<?xml version=\"1.0\"?>\n<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n"
     "<component/>\n"},
    {"src/a/a.qrc", "<!DOCTYPE RCC>\n<RCC/>\n",
     "<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n<!DOCTYPE RCC>\n<RCC/>\n"},
    // A file that has the line already is left as it is.
    {"src/a/Done.cpp", "// Why.\n// SPDX-License-Identifier: GPL-3.0-or-later\nint x;\n",
     "// Why.\n// SPDX-License-Identifier: GPL-3.0-or-later\nint x;\n"},
    // Files that carry no line.
    {"docs/a.png", "\x89PNG\r\n", "\x89PNG\r\n"},
    {"LICENSE", "GNU GENERAL PUBLIC LICENSE\n", "GNU GENERAL PUBLIC LICENSE\n"},
    {"translations/x_de.ts", "<?xml version=\"1.0\"?>\n<TS/>\n", "<?xml version=\"1.0\"?>\n<TS/>\n"},
    {"tests/fuzz/corpus/h/seed", "\x01\x02", "\x01\x02"},
    {"packaging/copyright", "Format: x\n", "Format: x\n"},
};

class SpdxScript : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path();
        if (GetParam()) {
            const TRun init = RunScript(QStringLiteral("git"), {QStringLiteral("init")}, root_);
            ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
        }
    }
    QTemporaryDir dir_;
    QString root_;
};

TEST_P(SpdxScript, AddsTheLineInEachFilesCommentStyleAndThenTheCheckPasses) {
    for (const TFileCase& c : kFiles)
        Write(root_, QString::fromLatin1(c.path), c.before);
    QFile::setPermissions(root_ + QStringLiteral("/scripts/go"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const TRun check = RunScript(kScript, {QStringLiteral("--check"), root_});
    EXPECT_NE(check.exitCode, 0);
    for (const TFileCase& c : kFiles) {
        // Listed exactly when the line is still to be added.
        const bool missing = QByteArray(c.before) != QByteArray(c.after);
        EXPECT_EQ(check.err.contains(QStringLiteral("  ") + QString::fromLatin1(c.path) +
                                     QLatin1Char('\n')),
                  missing)
            << c.path << "\n"
            << check.err.toStdString();
    }
    for (const TFileCase& c : kFiles)
        EXPECT_EQ(Read(root_, QString::fromLatin1(c.path)), QByteArray(c.before))
            << "--check changed " << c.path;

    ASSERT_EQ(RunScript(kScript, {root_}).exitCode, 0);
    for (const TFileCase& c : kFiles)
        EXPECT_EQ(Read(root_, QString::fromLatin1(c.path)).toStdString(), std::string(c.after))
            << c.path;
    EXPECT_TRUE(QFileInfo(root_ + QStringLiteral("/scripts/go")).isExecutable());

    const TRun again = RunScript(kScript, {QStringLiteral("--check"), root_});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}

TEST_P(SpdxScript, AKindOfFileWithoutARuleFailsBothModesAndIsLeftAlone) {
    Write(root_, QStringLiteral("src/a/notes.rst"), "Notes\n");
    for (const QStringList& args : {QStringList{QStringLiteral("--check"), root_}, {root_}}) {
        const TRun run = RunScript(kScript, args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.err.contains(QStringLiteral("src/a/notes.rst (no rule")))
            << run.err.toStdString();
    }
    EXPECT_EQ(Read(root_, QStringLiteral("src/a/notes.rst")), QByteArray("Notes\n"));
}

INSTANTIATE_TEST_SUITE_P(GitCheckoutOrPlainFolder, SpdxScript, testing::Bool());

TEST(SourceTree, EveryFileCarriesTheLicenceLine) {
    const TRun check = RunScript(kScript, {QStringLiteral("--check"), QStringLiteral(ZUR_SOURCE_DIR)});
    EXPECT_EQ(check.exitCode, 0) << check.err.toStdString()
                                 << "(scripts/spdx adds the line to these files)";
}

} // namespace
