// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window: menus, the page control with one tab per group of settings, the status
// bar, and the connection workflow around the one device object.

#include "GaugeFamily.h"
#include "WriteSafety.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QWidget;
class T7310;
class TMEKTimer;
class TProgramSettings;
class TEditHistory;
class TZURPage;
struct TCertificate;
struct TZURSetting;
class TfmAllSettings;
class TfmTrafficMonitor;

class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(QWidget* parent = nullptr);
    ~TfmMain() override;

    // The window's own status message: panel 0 shows "   " + text until the next tick of the
    // free-running StatusBarTextTimer (seconds x 1000 ms).
    void ShowStatusText(const QString& text, int seconds);

    // Null only when the device object could not be created.
    T7310* Device() const { return Device_.get(); }
    TProgramSettings* ProgramSettings() const { return ProgramSettings_.get(); }
    QLabel* Panel(int index) const;
    bool SummaryKeyDown() const { return SummaryKey; }

    // The pages in the order the window creates them; a page slots into its tab sheet here.
    enum TPageSlot {
        psSensorParams,
        psTankTypes,
        psManualLin,
        psAlarmSetpoints,
        psDisplayOptions,
        psDeviceStatus,
        psSummary,
        psCount
    };
    // Places page in the host of its tab sheet (the window's child from then on); Write All
    // Settings gathers it when it has a gather operation.
    void AttachPage(TPageSlot slot, TZURPage* page);
    TZURPage* Page(TPageSlot slot) const { return Pages[slot]; }
    QWidget* PageHost(TPageSlot slot) const;
    QWidget* TabSheet(TPageSlot slot) const;
    // Edit > Undo and Redo: the pages' edits since the last read, load or write.
    TEditHistory* History() const { return History_.get(); }
    // Archive, verification and the dropped-line save; null without a device object.
    TWriteSafety* Safety() const { return Safety_.get(); }

    // ---- controls (named as in the window's layout) ----
    QTabWidget* pcMain = nullptr;
    QStatusBar* sb = nullptr;
    QWidget* tsDeviceStatus = nullptr;
    QWidget* tsDisplayOptions = nullptr;
    QWidget* tsSensorParams = nullptr;
    QWidget* tsTankTypes = nullptr;
    QWidget* tsManualLin = nullptr;
    QWidget* tsAlarmSetpoints = nullptr;
    QWidget* tsSummary = nullptr;
    QLabel* pnTitle = nullptr;
    QLabel* lbSoftwareVersion = nullptr;
    QWidget* pnDeviceStatus = nullptr;
    // "FAST" beside the connection state while the connection runs fast transfers.
    QLabel* lbFastTransfers = nullptr;

    QAction* miNewSettings = nullptr;
    QAction* miOpen = nullptr;
    QAction* miSave = nullptr;
    QAction* miSaveAs = nullptr;
    QAction* miSaveAsTemplate = nullptr;
    // File > Templates: each template opens; its Delete submenu deletes one.
    QMenu* mnTemplates = nullptr;
    QMenu* mnDeleteTemplate = nullptr;
    QAction* miProgramSettings = nullptr;
    QAction* miExit = nullptr;
    QAction* miUndo = nullptr;
    QAction* miRedo = nullptr;
    QAction* miConnect = nullptr;
    QAction* miReadAllSettings = nullptr;
    QAction* miWriteAllSettings = nullptr;
    QAction* miChangeNodeID = nullptr;
    QAction* miDefaultProtocol = nullptr;
    QAction* miAbout = nullptr;
    // Bus tools: Device > Scan Bus..., View > Traffic Monitor and its dock.
    QAction* miScanBus = nullptr;
    // Device > Provision Site...: a site file's gauges, every bus at once.
    QAction* miProvisionSite = nullptr;
    QAction* miTrafficMonitor = nullptr;
    TfmTrafficMonitor* TrafficMonitor = nullptr;
    QAction* miHistory = nullptr; // File > History...: the journal of writes, the archive
    QAction* miCertificate = nullptr;
    QAction* miPrint = nullptr;
    QAction* miCompare = nullptr; // Device > Compare with Gauge... (while connected)
    // View > All Settings and its dock; Ctrl+F puts the cursor in its filter.
    QAction* miAllSettings = nullptr;
    TfmAllSettings* AllSettings = nullptr;

    std::unique_ptr<TMEKTimer> StatusBarTextTimer;
    std::unique_ptr<TMEKTimer> ReadTableTimer;
    std::unique_ptr<TMEKTimer> SerialTimeoutTimer;

    // ---- commands ----
    void miConnectClick();
    void miReadAllSettingsClick();
    void miWriteAllSettingsClick();
    void miChangeNodeIDClick();
    void miDefaultProtocolClick();
    void miNewSettingsClick();
    void miOpenClick();
    void miSaveClick();
    void miSaveAsClick();
    void miSaveAsTemplateClick();
    // Opens a template as File > Open opens a file; false when it did not open.
    bool OpenTemplate(const QString& name);
    bool DeleteTemplate(const QString& name);

    // ---- settings prepared without a gauge ----
    // Whether the window holds settings with no gauge behind them (File > New Settings, or
    // File > Open while disconnected), and whether they hold edits not saved yet.
    bool Offline() const { return Offline_.Active; }
    bool OfflineEdited() const;
    // Where File > Save writes them; empty for settings never saved.
    QString OfflineFileName() const { return Offline_.FileName; }
    // The per-user folder of templates (tests point it elsewhere).
    QString TemplateFolder;
    void miProgramSettingsClick();
    void miAboutClick();
    void miExitClick();
    void miScanBusClick();
    void miProvisionSiteClick();
    void miTrafficMonitorClick();
    void miAllSettingsClick();
    // Shows a setting on the page that binds it, its control focused; false when none does.
    bool ShowSettingOnItsPage(const TZURSetting* setting);
    // The connect flow from the node ID text on: checks, the broadcast question, remembering
    // the ID, the connect and its failure box.
    void ConnectToNode(const QString& text);
    void miHistoryClick();
    void miCompareClick();
    // File > Commissioning Certificate... and File > Print...: connected (settings read) or
    // offline.
    void miCertificateClick();
    void miPrintClick();
    bool CertificateAvailable() const;
    TCertificate MakeCertificate() const;

    static constexpr int kStatusSeconds = 4;

    // ---- the adapter coming back ----
    // How often the device path of a lost adapter is looked for, and how many connects are
    // tried once it is back (ModemManager may hold a new adapter for a few seconds).
    int AdapterWatchInterval = 500;
    int AdapterReconnectAttempts = 5;
    bool WatchingForAdapter() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateLayout();
    void CreateMenus();
    void CreateEditMenu();
    void CreateTimers();
    void LoadProgramSettings();
    void CreateDeviceObject();
    void CreatePages();
    void CreateTrafficMonitor();
    void CreateAllSettings();
    void ShowTrafficMonitorAtItsHeight();

    // Device object events.
    void DeviceConnected();
    void DeviceDisconnected();
    void DeviceCommsError();
    void DeviceNonStandardTank(bool nonStandard);
    void DeviceDefaultProtocol(bool modbus);
    void DeviceNodeIdChanged(uint8_t newId);

    void StatusBarTextTimerTimer();
    void ReadTableTimerTimer();
    void SerialTimeoutTimerTimer();

    void pcMainChange();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormKeyUp(int key);
    void pcMainMouseDown(const QPoint& pcMainPos);

    void SetFileCommandsEnabled(bool enabled);
    void SetConnectedCommandsEnabled(bool enabled);
    // offline: enabled with nothing on them that sends.
    void SetPagesEnabled(bool enabled, bool offline = false);
    // Tab changes the program makes itself; they do not end an alarm test.
    void SetActiveSheet(QWidget* sheet);
    void SetSheetVisible(QWidget* sheet, bool visible);
    bool SheetVisible(QWidget* sheet) const;
    void LeaveAlarmTestMode();

    // Fast transfers: the stored choice, taken by the link at each connect.
    void ApplyTransferMode();
    // ---- the checked write ----
    // The gathers of Write All Settings; false at the first page that refuses (made active).
    bool GatherPages();
    void MarkPagesShown();
    bool PagesEdited() const;
    TWriteSafety::TOutcome CheckedWrite(const char* operation, const std::function<bool()>& series,
                                        bool confirm);
    void UpdateTabMarker(TPageSlot slot, bool edited);
    // Runs a write through the archive and verification; a table read asked for meanwhile
    // waits until it is over.
    int CheckedWrites = 0;
    bool TableReadHeld = false;
    // Loads a settings file as File > Open does, with its boxes: into the connected gauge's
    // image, or offline (family, when given, settles what the file is for).
    void OpenSettingsFile(const QString& name, std::optional<TGaugeFamily> family = {});

    // ---- offline ----
    struct TOffline {
        bool Active = false;
        QString FileName;
        bool Unsaved = false; // settings not in any file yet (new, or from a template)
    } Offline_;
    // Settings taken offline, on their way to a gauge: what the connect offers to write.
    struct TPrepared {
        std::vector<uint8_t> Bytes; // as a settings file holds them
        TGaugeFamily Family = TGaugeFamily::T7310;
        QString FileName;
        bool Unsaved = false;
    };
    void EnterOffline(const QString& fileName, bool unsaved);
    void LeaveOffline();
    // Settings prepared for family (a blank image, or the bytes of a file) in the window.
    bool TakeOfflineSettings(TGaugeFamily family, const std::vector<uint8_t>* bytes);
    bool OpenOfflineFile(const QString& name, std::optional<TGaugeFamily> family);
    // Asks what to do with unsaved offline edits; true when the caller may go on.
    bool OfflineEditsSettled();
    // The page entries into the image, as a file holds them; false at a refused entry.
    bool GatherForFile();
    bool SaveOfflineTo(const QString& name);
    void UpdateTitle();
    void FillTemplatesMenu();
    // After a connect that started from offline settings: refused, written or kept aside.
    void OfferPreparedSettings(const TPrepared& prepared);
    QString KeepPreparedInArchive(const TPrepared& prepared);

    QString StoredText(const char* name) const;
    int StoredInteger(const char* name) const;
    // Runs a command; an error escaping it is shown in the exception box.
    void Command(void (TfmMain::*command)());
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, bool enabled,
                     void (TfmMain::*command)());

    void StartAdapterWatch(const std::string& path);
    void AdapterWatchTimerTimer();
    bool ReconnectWhenAdapterReturns() const;
    std::unique_ptr<TMEKTimer> AdapterWatchTimer;
    struct TAdapterWatch {
        std::string Path;     // the device the lost connection had open
        std::string Identity; // what that path led to when the line was lost
        int Port = 0;
        long Baud = 0;
        uint8_t Node = 0;
        bool Gone = false; // the path has been seen missing
        int Attempts = 0;
    } AdapterWatch;

    std::unique_ptr<TProgramSettings> ProgramSettings_;
    std::unique_ptr<T7310> Device_;
    std::unique_ptr<TWriteSafety> Safety_;
    std::unique_ptr<TEditHistory> History_;
    TZURPage* Pages[psCount] = {};
    QLabel* Panels[2] = {};
    bool SummaryKey = false;
    int ProgramTabChange = 0;
};
