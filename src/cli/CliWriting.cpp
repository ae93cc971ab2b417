// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliSession.h"

#include "SettingsFile.h"
#include "StatusText.h"
#include "Templates.h"

#include <QFile>

// Loads the file into the device object as a write does: the settings a load keeps
// keep the gauge's values. Returns an exit status (success when loaded).
int TCliSession::LoadSettingsFile(const std::string& fileName) {
    try {
        if (!device_.LoadFromFile(fileName)) {
            const bool extended = device_.IsExtended();
            Fail(fileName + ": not a settings file for a " + FamilyText(device_) +
                 " (a format " + std::to_string(extended ? tls::Format3 : tls::Format2) +
                 " file of " + std::to_string(extended ? tls::Format3Size : tls::Format2Size) +
                 " bytes)");
            return esFileFailure;
        }
    } catch (const std::exception& error) {
        Fail(error.what());
        return esFileFailure;
    }
    return esSuccess;
}

// The file first (a missing one opens no port), then the gauge, then the file loaded
// over what the gauge holds.
int TCliSession::ConnectAndLoad() {
    if (!CheckReadableFile(options_.File))
        return esFileFailure;
    if (const int status = Connect(false))
        return status;
    return LoadSettingsFile(options_.File);
}

// A template: its settings file, then the gauge, whose family must be the template's.
int TCliSession::ConnectAndLoadTemplate() {
    const std::optional<TTemplate> found =
        TTemplateStore().Find(QString::fromStdString(options_.Template));
    if (!found) {
        Fail("no template \"" + options_.Template + "\" in " +
             TTemplateStore::DefaultFolder().toStdString());
        return esFileFailure;
    }
    if (const int status = Connect(false))
        return status;
    if (const std::string refusal = session_.PreparedFamilyRefusal(found->Family);
        !refusal.empty()) {
        Fail("template \"" + options_.Template + "\": " + refusal);
        return esFileFailure;
    }
    return LoadSettingsFile(QFile::encodeName(found->Path).toStdString());
}

int TCliSession::Write() {
    if (const int status =
            options_.Template.empty() ? ConnectAndLoad() : ConnectAndLoadTemplate())
        return status;
    const int status = GuardedWrite("write-all", [this] { return session_.WriteFileSeries(); });
    if (status != esSuccess)
        return status;
    progress_.Clear();
    const std::string what =
        options_.Template.empty() ? options_.File : "template \"" + options_.Template + "\"";
    PrintDone("Settings of " + what + " written to " + Where() +
                  (options_.Verify ? " and read back" : ""),
              {{"file", QString::fromStdString(options_.File)},
               {"template", QString::fromStdString(options_.Template)},
               {"written", true},
               {"verified", options_.Verify}});
    return esSuccess;
}

int TCliSession::SetNode() {
    if (const int status = Connect(false))
        return status;
    TZURSetting* id = device_.Settings().Find(item::Rs485Id);
    if (!id || !id->Raw()) {
        Fail("the catalogue has no RS 485 ID");
        return esCommsFailure;
    }
    const uint8_t wanted = static_cast<uint8_t>(options_.NewNodeId);
    const bool unchanged = id->Value(device_.Image) == wanted;
    // As in the window, the ID the gauge already has is not written again.
    if (!unchanged) {
        const uint8_t previous = static_cast<uint8_t>(id->Value(device_.Image));
        const uint8_t addressed = device_.NodeId;
        id->SetValue(device_.Image, wanted);
        // The gauge answers at its new ID from the next request on; a gauge that did not
        // take it still answers at the old one, which tells the two apart.
        const bool broadcast = TNodeId::IsBroadcast(addressed);
        const int status = GuardedWrite(
            "node-id", [this] { return device_.WriteNodeId(); },
            [this, broadcast, wanted] {
                if (!broadcast)
                    device_.NodeId = wanted;
            },
            [this, broadcast, previous](TSafeWrite& write) {
                if (broadcast)
                    return false;
                device_.NodeId = previous;
                BeginOperation();
                return write.Verify();
            });
        if (status != esSuccess)
            return status;
    }
    PrintDone(id->Name + ": " + std::to_string(wanted) + (unchanged ? " (unchanged)" : ""),
              {{"rs485_id", wanted}, {"written", !unchanged}});
    return esSuccess;
}

int TCliSession::SetProtocol() {
    if (const int status = Connect(false))
        return status;
    device_.Image.DefaultProtocol = options_.Modbus ? 1 : 0;
    if (const int status =
            GuardedWrite("protocol", [this] { return device_.WriteDefaultProtocol(); }))
        return status;
    const char* name = options_.Modbus ? "modbus" : "standard";
    PrintDone(std::string("Default Protocol: ") + (options_.Modbus ? "Modbus" : "Standard"),
              {{"default_protocol", name}});
    return esSuccess;
}
