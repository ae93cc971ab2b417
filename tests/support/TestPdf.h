// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A PDF's text and page count as poppler-utils read them (pdftotext -layout, pdfinfo): what a
// reader of the document finds in it. Empty text or 0 pages when the tools cannot read it.

#include <QProcess>
#include <QRegularExpression>
#include <QString>

inline QString PdfText(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline int PdfPageCount(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return 0;
    const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(QString::fromUtf8(process.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : 0;
}
