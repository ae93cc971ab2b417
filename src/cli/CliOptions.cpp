// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOptions.h"

#include <charconv>
#include <map>

const char* const kUsageLine = "usage: t7310-cli [--device PATH | --port N] [--baud RATE] "
                               "[--node ID] [--json] [--trace] [--fast] [--user NAME] "
                               "[--reason TEXT] COMMAND [ARGS]";

const char* const kUsageText =
    "usage: t7310-cli [--device PATH | --port N] [--baud RATE] [--node ID] [--json] [--trace] "
    "[--fast]\n"
    "                 [--user NAME] [--reason TEXT] COMMAND [ARGS]\n"
    "\n"
    "  --device PATH   the serial device to open (for example /dev/ttyUSB0)\n"
    "  --port N        a COM number, resolved as the configurator resolves it\n"
    "                  (default: the stored \"Comm Port\")\n"
    "  --baud RATE     default: the stored \"Baud Rate\"\n"
    "  --node ID       0 to 99 (99 is the broadcast address); default: the stored \"Last "
    "Connect ID\"\n"
    "  --json          machine-readable output on stdout\n"
    "  --trace         every frame sent and received, decoded and timed, on stderr\n"
    "  --fast          fast transfers: frame replies by length and send without the dispatch\n"
    "                  tick (try with your gauges first)\n"
    "  --user NAME     who writes, for the journal (default: the stored \"Technician\",\n"
    "                  else the login's full name)\n"
    "  --reason TEXT   why, for the journal line of each write\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "  identify                 connect and print the identity and the device family\n"
    "  read [--save FILE]       read all settings (and a Non standard tank's table) and print\n"
    "                           them; with --save, also save them as a .TLS file\n"
    "  write [--no-verify] FILE load a .TLS file and write all of its settings to the gauge,\n"
    "                           then read them back and compare\n"
    "  write [--no-verify] --template NAME\n"
    "                           the same with a template saved by the configurator (File >\n"
    "                           Save as Template), refused for a gauge of another family\n"
    "  diff FILE                print what writing a .TLS file would change on the gauge\n"
    "  status                   print the device state, volume and alarm outputs\n"
    "  table-read FILE          read the tank table and export it as CSV\n"
    "  table-write FILE         import a CSV file and write it as the tank table\n"
    "  set-node NEW             write a new RS-485 node ID (0 to 98)\n"
    "  set-protocol modbus|standard   write the default protocol flag\n"
    "  report [--fields FILE.TLS] [FILE]\n"
    "                           write the summary report of an extended gauge (default FILE:\n"
    "                           \"T8310 Settings\"; - for stdout); --fields takes the report\n"
    "                           fields from a format-3 settings file\n"
    "  scan [--from N] [--to M] list the gauges that answer on node IDs N to M (0 to 98;\n"
    "                           defaults 0 and 98); needs no --node\n"
    "  history                  print the journal of writes (opens no port)\n"
    "  provision SITE.csv [--dry-run] [--fast] [--json] [--certificates DIR]\n"
    "                           bring every gauge of a site file to its settings, every bus\n"
    "                           at once: write only those that differ, read back, archive;\n"
    "                           --dry-run prints the differences and writes nothing;\n"
    "                           --certificates writes a certificate of each gauge written\n"
    "  certificate OUT.pdf      connect, read and write the commissioning certificate (the\n"
    "                           journal's last write of the gauge gives as found and as left)\n"
    "  certificate --file FILE.TLS [--family NAME] OUT.pdf\n"
    "                           the certificate of settings prepared without a gauge (opens\n"
    "                           no port)\n"
    "  table-make --shape horizontal|vertical|sphere --diameter D [--length L]\n"
    "             [--heads TYPE | --bottom TYPE --top TYPE] [--head-depth A] [--points N]\n"
    "             [--spacing even|best] [--length-unit mm|cm|m|in|ft]\n"
    "             [--volume-unit l|m3|usgal|impgal] OUT.csv\n"
    "                           work out the tank table of a tank's shape (opens no port);\n"
    "                           heads flat, hemispherical, ellipsoidal, torispherical or\n"
    "                           conical (default flat); sizes and heights in the length unit\n"
    "                           (default m), volumes in the volume unit (default m3); 2 to 100\n"
    "                           points (default 100), spacing best by default\n"
    "  table-fit CHART.csv [--points N] [--height-unit U] [--volume-unit U]\n"
    "             [--to-length-unit U] [--to-volume-unit U] OUT.csv\n"
    "                           choose at most N rows (default 100) of a strapping chart that\n"
    "                           keep the gauge's interpolation closest to it (opens no port);\n"
    "                           the chart in mm and l unless told, the table in the chart's\n"
    "                           units unless told\n"
    "\n"
    "table-make and table-fit write OUT.csv as Export CSV does (- for stdout) and the worst\n"
    "interpolation error to stderr; with --json the rows and the worst error go to stdout.\n"
    "\n"
    "Every write is read back and compared (--no-verify after the command skips that), and\n"
    "the gauge's settings as found and as left are archived under ~/.local/share/ZUR/\n"
    "Configurator with a line in its journal.jsonl.\n"
    "\n"
    "Exit status: 0 success (scan: at least one gauge answered well), 1 the gauge did not\n"
    "answer or answered wrongly (scan: none did), 2 usage error,\n"
    "3 the gauge refused this tool, 4 a file could not be read or written or failed its "
    "checks,\n5 the gauge did not keep what was written (diff: the gauge and the file "
    "differ; provision: a gauge did not keep them, or --dry-run found differences),\n"
    "130 provision stopped by Ctrl+C (at the end of each bus's exchange in flight).\n"
    "provision exits 1 when any gauge failed.\n";

bool ParseDecimal(const std::string& text, int& value) {
    size_t digits = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        digits = 1;
    if (digits == text.size())
        return false;
    for (size_t k = digits; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return false;
    // from_chars takes a minus sign but not a plus sign.
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end;
}

namespace {

struct TCommandShape {
    TCliCommand Command;
    int Arguments; // positional arguments after the command name
};

const std::map<std::string, TCommandShape>& Commands() {
    static const std::map<std::string, TCommandShape> commands = {
        {"identify", {ccIdentify, 0}},
        {"read", {ccRead, 0}},
        {"write", {ccWrite, 1}},
        {"status", {ccStatus, 0}},
        {"table-read", {ccTableRead, 1}},
        {"table-write", {ccTableWrite, 1}},
        {"set-node", {ccSetNode, 1}},
        {"set-protocol", {ccSetProtocol, 1}},
        {"report", {ccReport, -1}},
        {"scan", {ccScan, 0}},
        {"diff", {ccDiff, 1}},
        {"history", {ccHistory, 0}},
        {"table-make", {ccTableMake, -1}},
        {"table-fit", {ccTableFit, -1}},
        {"provision", {ccProvision, -1}},
        {"certificate", {ccCertificate, -1}},
    };
    return commands;
}

// scan's own options: --from N and --to M, each at most once, 0 to 98, N <= M.
bool ParseScanRange(const std::vector<std::string>& rest, int& from, int& to, std::string& error) {
    bool fromGiven = false;
    bool toGiven = false;
    for (size_t k = 0; k < rest.size(); ++k) {
        const std::string& option = rest[k];
        const bool isFrom = option == "--from";
        if (!isFrom && option != "--to") {
            error = "unexpected argument " + option + " after scan";
            return false;
        }
        bool& given = isFrom ? fromGiven : toGiven;
        if (given) {
            error = "scan: " + option + " given twice";
            return false;
        }
        given = true;
        int value = 0;
        if (k + 1 >= rest.size()) {
            error = "scan: " + option + " needs a node ID";
            return false;
        }
        const std::string& text = rest[++k];
        if (!ParseDecimal(text, value) || value < 0 || value > kMaxAssignableNodeId) {
            error = "scan: " + option + " " + text + ": not a node ID from 0 to " +
                    std::to_string(kMaxAssignableNodeId);
            return false;
        }
        (isFrom ? from : to) = value;
    }
    if (from > to) {
        error = "scan: --from " + std::to_string(from) + " is above --to " + std::to_string(to);
        return false;
    }
    return true;
}

TCliParse Fail(std::string error) {
    TCliParse parse;
    parse.Error = std::move(error);
    return parse;
}

} // namespace

TCliParse ParseCliOptions(const std::vector<std::string>& args) {
    TCliParse parse;
    TCliOptions& options = parse.Options;
    size_t i = 0;

    // Global options come before the command.
    auto value = [&](std::string& out) {
        if (i + 1 >= args.size())
            return false;
        out = args[++i];
        return true;
    };
    auto number = [&](const std::string& option, int lo, int hi, std::optional<int>& out,
                      std::string& error) {
        std::string text;
        int parsed = 0;
        if (!value(text)) {
            error = option + " needs a value";
            return false;
        }
        if (!ParseDecimal(text, parsed) || parsed < lo || parsed > hi) {
            error = option + " " + text + ": not a number from " + std::to_string(lo) + " to " +
                    std::to_string(hi);
            return false;
        }
        out = parsed;
        return true;
    };

    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (arg == "--help" || arg == "-h") {
            parse.Ok = true;
            parse.Help = true;
            return parse;
        } else if (arg == "--version") {
            parse.Ok = true;
            parse.Version = true;
            return parse;
        } else if (arg == "--json") {
            options.Json = true;
        } else if (arg == "--trace") {
            options.Trace = true;
        } else if (arg == "--fast") {
            options.Fast = true;
        } else if (arg == "--user" || arg == "--reason") {
            std::string text;
            if (!value(text))
                return Fail(arg + " needs a value");
            if (arg == "--user")
                options.User = text;
            else
                options.Reason = text;
        } else if (arg == "--device") {
            std::string path;
            if (!value(path) || path.empty())
                return Fail("--device needs a path");
            options.DevicePath = path;
        } else if (arg == "--port") {
            if (!number(arg, 1, 255, options.CommPort, error))
                return Fail(error);
        } else if (arg == "--baud") {
            if (!number(arg, 1, 4000000, options.BaudRate, error))
                return Fail(error);
        } else if (arg == "--node") {
            if (!number(arg, 0, kMaxNodeId, options.NodeId, error))
                return Fail(error);
        } else if (arg.rfind("--", 0) == 0) {
            return Fail("unknown option " + arg);
        } else {
            break;
        }
    }
    if (options.DevicePath && options.CommPort)
        return Fail("--device and --port cannot be used together");
    if (i >= args.size())
        return Fail("no command given");

    const std::string name = args[i++];
    const auto found = Commands().find(name);
    if (found == Commands().end())
        return Fail("unknown command " + name);
    options.Command = found->second.Command;

    std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
    const bool writes = options.Command == ccWrite || options.Command == ccSetNode ||
                        options.Command == ccSetProtocol || options.Command == ccTableWrite;
    if (writes && !rest.empty() && rest[0] == "--no-verify") {
        options.Verify = false;
        rest.erase(rest.begin());
    }
    if (options.Command == ccWrite && !rest.empty() && rest[0] == "--template") {
        if (rest.size() < 2 || rest[1].empty())
            return Fail("write --template needs a template name");
        if (rest.size() > 2)
            return Fail("unexpected argument " + rest[2] + " after write");
        options.Template = rest[1];
        parse.Ok = true;
        return parse;
    }
    if (options.Command == ccRead) {
        if (rest.size() == 2 && rest[0] == "--save" && !rest[1].empty()) {
            options.File = rest[1];
            rest.clear();
        } else if (!rest.empty() && rest[0] == "--save") {
            return Fail("read --save needs a file name");
        }
    }
    if (options.Command == ccReport) {
        if (rest.size() >= 2 && rest[0] == "--fields" && !rest[1].empty()) {
            options.Fields = rest[1];
            rest.erase(rest.begin(), rest.begin() + 2);
        } else if (!rest.empty() && rest[0] == "--fields") {
            return Fail("report --fields needs a settings file");
        }
        if (rest.size() > 1)
            return Fail("unexpected argument " + rest[1] + " after report");
        options.File = rest.empty() ? std::string("T8310 Settings") : rest[0];
        if (options.File.empty())
            return Fail("report needs a file name");
        parse.Ok = true;
        return parse;
    }
    if (options.Command == ccCertificate) {
        for (size_t k = 0; k < rest.size(); ++k) {
            const std::string& argument = rest[k];
            if (argument == "--file" || argument == "--family") {
                if (k + 1 >= rest.size() || rest[k + 1].empty())
                    return Fail("certificate " + argument + " needs a value");
                (argument == "--file" ? options.SettingsSource : options.Family) = rest[++k];
            } else if (argument.rfind("--", 0) == 0) {
                return Fail("unknown option " + argument + " after certificate");
            } else if (options.File.empty() && !argument.empty()) {
                options.File = argument;
            } else {
                return Fail("unexpected argument " + argument + " after certificate");
            }
        }
        if (options.File.empty())
            return Fail("certificate needs the PDF file to write");
        if (!options.Family.empty() && options.SettingsSource.empty())
            return Fail("certificate --family goes with --file");
        parse.Ok = true;
        return parse;
    }
    if (options.Command == ccProvision) {
        // Its flags may follow the site file too.
        for (size_t k = 0; k < rest.size(); ++k) {
            const std::string& argument = rest[k];
            if (argument == "--certificates") {
                if (k + 1 >= rest.size() || rest[k + 1].empty())
                    return Fail("provision --certificates needs a folder");
                options.CertificatesDir = rest[++k];
            } else if (argument == "--dry-run") {
                options.DryRun = true;
            } else if (argument == "--fast") {
                options.Fast = true;
            } else if (argument == "--json") {
                options.Json = true;
            } else if (argument.rfind("--", 0) == 0) {
                return Fail("unknown option " + argument + " after provision");
            } else if (options.File.empty() && !argument.empty()) {
                options.File = argument;
            } else {
                return Fail("unexpected argument " + argument + " after provision");
            }
        }
        if (options.File.empty())
            return Fail("provision needs a site file");
        if (options.Trace)
            return Fail("--trace cannot follow several buses at once; trace one gauge instead");
        parse.Ok = true;
        return parse;
    }
    if (options.Command == ccTableMake || options.Command == ccTableFit) {
        std::string error;
        if (!ParseTableOptions(options.Command, rest, options, error))
            return Fail(name + ": " + error);
        parse.Ok = true;
        return parse;
    }
    if (options.Command == ccScan) {
        std::string error;
        if (!ParseScanRange(rest, options.ScanFrom, options.ScanTo, error))
            return Fail(error);
        rest.clear();
    }
    const size_t wanted = static_cast<size_t>(found->second.Arguments);
    if (rest.size() != wanted) {
        if (rest.size() < wanted)
            return Fail(name + " needs " +
                        (options.Command == ccSetNode       ? "the new node ID"
                         : options.Command == ccSetProtocol ? "modbus or standard"
                                                            : "a file name"));
        return Fail("unexpected argument " + rest[wanted] + " after " + name);
    }

    switch (options.Command) {
    case ccWrite:
    case ccDiff:
    case ccTableRead:
    case ccTableWrite:
        if (rest[0].empty())
            return Fail(name + " needs a file name");
        options.File = rest[0];
        break;
    case ccSetNode:
        if (!ParseDecimal(rest[0], options.NewNodeId) || options.NewNodeId < 0 ||
            options.NewNodeId > kMaxAssignableNodeId)
            return Fail("set-node " + rest[0] + ": The RS-485 node ID must be between 0 and 98");
        break;
    case ccSetProtocol:
        if (rest[0] == "modbus")
            options.Modbus = true;
        else if (rest[0] == "standard")
            options.Modbus = false;
        else
            return Fail("set-protocol " + rest[0] + ": expected modbus or standard");
        break;
    default:
        break;
    }
    parse.Ok = true;
    return parse;
}
