// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A site: one CSV line per gauge, with the settings each is to hold and the bus it is on. Every
// line is checked (node, files, table, family, duplicates) before any port is opened, so a bad
// line never leaves half a site written. The window and t7310-cli share the file and its checks.
//
//   node,settings,table,device,tag
//   1,tank1.TLS,,/dev/ttyUSB0,North tank
//   2,template:diesel,tables/t2.csv,/dev/ttyUSB1,"Day tank, east"
//
// A header names the columns (any order, letter case ignored; node and settings required).
// Comma or semicolon (the header's), double quotes around a field ("" is one quote), a UTF-8
// byte-order mark and blank lines allowed. Paths are relative to the site file's folder.

#include "GaugeFamily.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class TTemplateStore;

struct TSiteGauge {
    int Line = 0; // the file's line number (the header is line 1)
    uint8_t Node = 0;
    QString Settings;     // as the file names it: a path or "template:NAME"
    QString SettingsPath; // the settings file to load (a template's own file)
    QString TemplateName; // for "template:NAME"
    QString TablePath;    // a CSV table replacing the settings' table; empty: none
    QString Device;       // the serial device of the gauge's bus
    QString Tag;
    // The families the settings can be for: the template's, or those of the file's format.
    std::vector<TGaugeFamily> Families;
};

struct TSiteProblem {
    int Line = 0; // 0: the file as a whole
    QString Text;
};

struct TSite {
    QString Path;
    std::vector<TSiteGauge> Gauges; // in file order
    // Every fault found, in line order; a site with any is not provisioned.
    std::vector<TSiteProblem> Problems;

    bool Ok() const { return Problems.empty() && !Gauges.empty(); }
    // "line 4: ..." for each problem, one a line.
    QString ProblemText() const;
    // The buses in the order their first gauge appears.
    std::vector<QString> Buses() const;
};

// The site file's text, checked; folder is where relative paths start, defaultDevice the bus
// of lines that name none (empty: such a line is a fault).
TSite ParseSite(const std::string& text, const QString& folder, const QString& defaultDevice,
                const TTemplateStore& templates);
// Reads the file and parses it; a file that cannot be read is one problem.
TSite LoadSite(const QString& path, const QString& defaultDevice,
               const TTemplateStore& templates);

