// SPDX-License-Identifier: GPL-3.0-or-later
#include "SiteFile.h"

#include "SettingsFile.h"
#include "T7310.h"
#include "TankTableCsv.h"
#include "Templates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <utility>

namespace {

constexpr const char* kTemplatePrefix = "template:";
constexpr int kHighestNode = 98; // 99 is every gauge's, never one gauge's own

enum TColumn { kNode, kSettings, kTable, kDevice, kTag, kColumns };
constexpr const char* kColumnNames[kColumns] = {"node", "settings", "table", "device", "tag"};

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The header's separator: the one of comma and semicolon it has more of outside quotes.
char SeparatorOf(const std::string& header) {
    size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : header) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

bool OpenQuote(const std::string& line) {
    return std::count(line.begin(), line.end(), '"') % 2 != 0;
}

std::optional<uint8_t> ParseNode(const std::string& text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > kHighestNode)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

QString FamilyNames(const std::vector<TGaugeFamily>& families) {
    QStringList names;
    for (TGaugeFamily family : families)
        names << QString::fromLatin1(FamilyFacts(family).Name);
    return names.join(QStringLiteral(" or "));
}

// Checks one line's settings and table; the problem's text, or empty when both are usable.
class TLineChecker {
public:
    TLineChecker(QString folder, const TTemplateStore& templates)
        : folder_(std::move(folder)), templates_(templates) {}

    QString CheckSettings(TSiteGauge& gauge) const {
        if (gauge.Settings.isEmpty())
            return QStringLiteral("no settings file");
        if (gauge.Settings.startsWith(QLatin1String(kTemplatePrefix))) {
            gauge.TemplateName = gauge.Settings.mid(QLatin1String(kTemplatePrefix).size());
            const std::optional<TTemplate> found = templates_.Find(gauge.TemplateName);
            if (!found)
                return QStringLiteral("no template \"%1\" in %2")
                    .arg(gauge.TemplateName, templates_.Folder());
            gauge.SettingsPath = found->Path;
            gauge.Families = {found->Family};
        } else {
            gauge.SettingsPath = Resolve(gauge.Settings);
        }
        std::optional<uint32_t> format;
        try {
            format = SettingsFileFormat(QFile::encodeName(gauge.SettingsPath).toStdString());
        } catch (const std::exception& error) {
            return QString::fromLocal8Bit(error.what());
        }
        if (!format)
            return QStringLiteral("%1 is not a settings file (a format 2 file of %2 bytes or a "
                                  "format 3 file of %3 bytes)")
                .arg(gauge.Settings)
                .arg(tls::Format2Size)
                .arg(tls::Format3Size);
        const std::vector<TGaugeFamily> byFormat = FamiliesForFormat(*format);
        if (gauge.Families.empty())
            gauge.Families = byFormat;
        else if (std::find(byFormat.begin(), byFormat.end(), gauge.Families.front()) ==
                 byFormat.end())
            return QStringLiteral("template \"%1\" is for a %2, but its file is of format %3")
                .arg(gauge.TemplateName, FamilyNames(gauge.Families))
                .arg(*format);
        return {};
    }

    // A table replaces the settings' own, so their tank must be Non standard.
    QString CheckTable(TSiteGauge& gauge) const {
        if (gauge.TablePath.isEmpty())
            return {};
        const QString named = gauge.TablePath;
        gauge.TablePath = Resolve(named);
        const TCsvImport imported = ImportCsv(QFile::encodeName(gauge.TablePath).toStdString());
        if (!imported.Ok)
            return QStringLiteral("table %1: %2").arg(named, Q(imported.Fault.Message));
        TTankTable scratch{};
        TTableFault fault;
        if (!StoreTable(imported.Rows, scratch, &fault))
            return QStringLiteral("table %1: %2").arg(named, Q(fault.Message));
        T7310 device;
        TakeFamily(device, gauge.Families.front());
        QFile file(gauge.SettingsPath);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read %1: %2").arg(gauge.Settings, file.errorString());
        const QByteArray bytes = file.readAll();
        if (!device.LoadSettings(std::vector<uint8_t>(bytes.begin(), bytes.end()), true))
            return QStringLiteral("%1 is not a settings file").arg(gauge.Settings);
        if (!device.Image.IsNonStandardTank())
            return QStringLiteral("a table is given, but the tank of %1 is not Non standard")
                .arg(gauge.Settings);
        return {};
    }

private:
    QString Resolve(const QString& path) const {
        return QDir::cleanPath(QDir(folder_).absoluteFilePath(path));
    }

    QString folder_;
    const TTemplateStore& templates_;
};

} // namespace

QString TSite::ProblemText() const {
    QStringList lines;
    for (const TSiteProblem& problem : Problems)
        lines << (problem.Line > 0 ? QStringLiteral("line %1: %2").arg(problem.Line).arg(problem.Text)
                                   : problem.Text);
    return lines.join(QLatin1Char('\n'));
}

std::vector<QString> TSite::Buses() const {
    std::vector<QString> buses;
    for (const TSiteGauge& gauge : Gauges)
        if (std::find(buses.begin(), buses.end(), gauge.Device) == buses.end())
            buses.push_back(gauge.Device);
    return buses;
}

TSite ParseSite(const std::string& text, const QString& folder, const QString& defaultDevice,
                const TTemplateStore& templates) {
    TSite site;
    auto problem = [&site](int line, QString what) {
        site.Problems.push_back({line, std::move(what)});
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<std::string> lines =
        SplitLines(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);

    // The header: the first line that is not blank.
    size_t first = 0;
    while (first < lines.size() && TrimBlanks(lines[first]).empty())
        ++first;
    if (first == lines.size()) {
        problem(0, QStringLiteral("the site file has no header line (node,settings,...)"));
        return site;
    }
    const char separator = SeparatorOf(lines[first]);
    int columnOf[kColumns];
    std::fill(std::begin(columnOf), std::end(columnOf), -1);
    const std::vector<std::string> header = SplitFields(lines[first], separator);
    const int headerLine = static_cast<int>(first) + 1;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string name = Lower(header[i]);
        const auto known = std::find_if(std::begin(kColumnNames), std::end(kColumnNames),
                                        [&name](const char* column) { return name == column; });
        if (known == std::end(kColumnNames)) {
            problem(headerLine, QStringLiteral("unknown column \"%1\" (the columns are node, "
                                               "settings, table, device and tag)")
                                    .arg(Q(header[i])));
        } else if (columnOf[known - std::begin(kColumnNames)] >= 0) {
            problem(headerLine, QStringLiteral("column \"%1\" is named twice").arg(Q(header[i])));
        } else {
            columnOf[known - std::begin(kColumnNames)] = static_cast<int>(i);
        }
    }
    for (TColumn required : {kNode, kSettings})
        if (columnOf[required] < 0)
            problem(headerLine, QStringLiteral("the header has no \"%1\" column")
                                    .arg(QLatin1String(kColumnNames[required])));
    if (!site.Problems.empty())
        return site;

    const TLineChecker checker(folder, templates);
    // The first line of each node on each bus, for the duplicate check.
    std::map<std::pair<QString, int>, int> seen;
    for (size_t i = first + 1; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        if (TrimBlanks(lines[i]).empty())
            continue;
        if (OpenQuote(lines[i])) {
            problem(lineNumber, QStringLiteral("a double quote is not closed"));
            continue;
        }
        const std::vector<std::string> fields = SplitFields(lines[i], separator);
        if (fields.size() > header.size()) {
            problem(lineNumber, QStringLiteral("%1 fields, but the header names %2")
                                    .arg(fields.size())
                                    .arg(header.size()));
            continue;
        }
        auto field = [&](TColumn column) {
            const int at = columnOf[column];
            return at >= 0 && static_cast<size_t>(at) < fields.size() ? Q(fields[at]) : QString();
        };
        TSiteGauge gauge;
        gauge.Line = lineNumber;
        const std::optional<uint8_t> node = ParseNode(field(kNode).toStdString());
        if (!node) {
            problem(lineNumber, QStringLiteral("node \"%1\" is not a node ID from 0 to %2")
                                    .arg(field(kNode))
                                    .arg(kHighestNode));
            continue;
        }
        gauge.Node = *node;
        gauge.Settings = field(kSettings);
        gauge.TablePath = field(kTable);
        gauge.Device = field(kDevice).isEmpty() ? defaultDevice : field(kDevice);
        gauge.Tag = field(kTag);
        if (gauge.Device.isEmpty()) {
            problem(lineNumber,
                    QStringLiteral("no device for node %1 (give a device column or --device)")
                        .arg(gauge.Node));
            continue;
        }
        const auto [at, added] = seen.emplace(std::pair(gauge.Device, int(gauge.Node)), lineNumber);
        if (!added) {
            problem(lineNumber, QStringLiteral("node %1 on %2 is already on line %3")
                                    .arg(gauge.Node)
                                    .arg(gauge.Device)
                                    .arg(at->second));
            continue;
        }
        QString fault = checker.CheckSettings(gauge);
        if (fault.isEmpty())
            fault = checker.CheckTable(gauge);
        if (!fault.isEmpty()) {
            problem(lineNumber, fault);
            continue;
        }
        site.Gauges.push_back(std::move(gauge));
    }
    if (site.Problems.empty() && site.Gauges.empty())
        problem(0, QStringLiteral("the site file lists no gauge"));
    return site;
}

TSite LoadSite(const QString& path, const QString& defaultDevice,
               const TTemplateStore& templates) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSite site;
        site.Path = path;
        site.Problems.push_back(
            {0, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())});
        return site;
    }
    // A site of 99 gauges on each of many buses is far below this; anything larger is not one.
    constexpr qint64 kLargestSite = 1 << 20;
    const QByteArray bytes = file.read(kLargestSite + 1);
    if (bytes.size() > kLargestSite) {
        TSite site;
        site.Path = path;
        site.Problems.push_back({0, QStringLiteral("%1 is too large to be a site file").arg(path)});
        return site;
    }
    TSite site = ParseSite(bytes.toStdString(), QFileInfo(path).absolutePath(), defaultDevice,
                           templates);
    site.Path = path;
    return site;
}
