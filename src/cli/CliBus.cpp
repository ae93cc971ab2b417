// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include "BusScan.h"
#include "SerialPacket.h"
#include "StatusText.h"

#include <QJsonArray>

int TCliSession::Scan() {
    TBusScan scan;
    if (target_.DevicePath)
        scan.DevicePath = *target_.DevicePath;
    if (options_.Trace)
        trace_.Attach(scan.Link());
    scan.OnProbe = [this](int node, int asked, int total) {
        progress_.Show("Scanning node " + std::to_string(node) + " (" +
                       std::to_string(asked + 1) + " of " + std::to_string(total) + ")");
    };
    const bool ran =
        scan.Run(target_.CommPort, target_.BaudRate, options_.ScanFrom, options_.ScanTo);
    trace_.Detach();
    progress_.Clear();
    if (!ran) {
        const std::string& opened = scan.Link().OpenedPath();
        const std::string path = !opened.empty() ? opened : Path();
        TSerialPacket& link = scan.Link();
        Fail("cannot open " + path + ": " +
             PortOpenErrorText(link.ErrorCode(), link.LastSystemError(), target_.BaudRate));
        return esCommsFailure;
    }
    const int found = scan.GaugesFound();
    if (options_.Json) {
        QJsonArray gauges;
        QJsonArray errors;
        for (const TScanEntry& entry : scan.Entries()) {
            if (entry.Ok)
                gauges.append(QJsonObject{{"node", entry.Node},
                                          {"name", Latin1(entry.Identity.DeviceName)},
                                          {"version", Latin1(entry.Identity.SoftwareVersion)},
                                          {"pcid", Latin1(entry.Identity.PcSoftwareId)},
                                          {"family", Latin1(entry.Family)}});
            else
                errors.append(
                    QJsonObject{{"node", entry.Node}, {"error", Latin1(entry.Error)}});
        }
        OutJson({{"gauges", gauges}, {"errors", errors}});
    } else {
        std::string text;
        for (const TScanEntry& entry : scan.Entries()) {
            text += "Node " + std::to_string(entry.Node) + ": ";
            if (entry.Ok)
                text += Printable(entry.Identity.DeviceName) + " version " +
                        Printable(entry.Identity.SoftwareVersion) + ", PC software ID " +
                        Printable(entry.Identity.PcSoftwareId) + " (" + entry.Family + ")\n";
            else
                text += entry.Error + "\n";
        }
        text += std::to_string(found) + (found == 1 ? " gauge\n" : " gauges\n");
        Out(text);
    }
    return found > 0 ? esSuccess : esCommsFailure;
}
