// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOutput.h"

#include "CliCommands.h"
#include "StatusText.h"
#include "T7310.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <charconv>

std::string Fold(const std::string& text) {
    std::string folded;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            pendingSpace = !folded.empty();
            continue;
        }
        if (pendingSpace && c != ' ')
            folded += ' ';
        pendingSpace = false;
        folded += c;
    }
    return folded;
}

// Texts from a gauge may hold anything; keep control characters away from a terminal.
std::string Printable(const std::string& text) {
    std::string clean = text;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f')
            c = '?';
    return clean;
}

void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void OutJson(const QJsonObject& object) {
    Out(QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString());
}

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FamilyText(const T7310& device) {
    return ::FamilyText(device.Is8310, device.HasFlowScaling, device.Is7310Extended);
}

QJsonValue RowJson(const std::optional<TTableRowText>& row) {
    if (!row)
        return QJsonValue();
    return QJsonArray{Latin1(row->Height), Latin1(row->Volume)};
}

// The differences as {"differences": [...], "table": [...]}, the two sides under fromKey and
// toKey ("gauge" and "file", or "gauge" and "written").
QJsonObject DifferencesJson(const TDifferences& differences, const QString& fromKey,
                            const QString& toKey) {
    QJsonArray settings;
    for (const TSettingDifference& d : differences.Settings)
        settings.append(QJsonObject{{"id", d.Id >= 0 ? QJsonValue(d.Id) : QJsonValue()},
                                    {"group", Latin1(d.Group)},
                                    {"name", Latin1(d.Name)},
                                    {fromKey, Latin1(d.From)},
                                    {toKey, Latin1(d.To)}});
    QJsonArray table;
    for (const TRowDifference& row : differences.Table)
        table.append(
            QJsonObject{{"row", row.Row}, {fromKey, RowJson(row.From)}, {toKey, RowJson(row.To)}});
    return {{"differences", settings}, {"table", table}};
}

std::string DifferencesText(const TDifferences& differences) {
    std::string text;
    for (const TSettingDifference& d : differences.Settings)
        text += Printable(DifferenceLine(d)) + "\n";
    for (const TRowDifference& row : differences.Table)
        text += DifferenceLine(row) + "\n";
    return text;
}

// Waits for a condition while the event loop runs; false at the deadline.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const qint64 left = milliseconds - clock.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(std::min<qint64>(left, 50)), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void ReportError(const std::string& text) {
    const std::string line = "t7310-cli: " + Fold(text) + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
