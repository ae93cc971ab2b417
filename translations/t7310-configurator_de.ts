<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>StatusText</name>
    <message>
        <source>Initialising</source>
        <translation>Initialisierung</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>Startup Screen</source>
        <translation>Startbildschirm</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>In Betrieb</translation>
    </message>
    <message>
        <source>Status Screen</source>
        <translation>Statusanzeige</translation>
    </message>
    <message>
        <source>Alarm Test</source>
        <translation>Alarmtest</translation>
    </message>
    <message>
        <source>unknown state</source>
        <translation>unbekannter Zustand</translation>
    </message>
</context>
<context>
    <name>TLamp</name>
    <message>
        <source>: active</source>
        <translation>: aktiv</translation>
    </message>
    <message>
        <source>: inactive</source>
        <translation>: inaktiv</translation>
    </message>
</context>
<context>
    <name>TSettingsModel</name>
    <message>
        <source>differs from the gauge</source>
        <translation>weicht vom Gerät ab</translation>
    </message>
    <message>
        <source>%1 holds up to %2 characters of the Latin-1 set.</source>
        <translation>%1 fasst bis zu %2 Zeichen des Latin-1-Zeichensatzes.</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>On the gauge</source>
        <translation>Im Gerät</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Bereich</translation>
    </message>
</context>
<context>
    <name>TTableCurve</name>
    <message>
        <source>Volume against height</source>
        <translation>Volumen über Füllhöhe</translation>
    </message>
    <message>
        <source>Exact</source>
        <translation>Exakt</translation>
    </message>
    <message>
        <source>%1 points</source>
        <translation>%1 Punkte</translation>
    </message>
    <message>
        <source>%1 points, %2 marked as typing slips</source>
        <translation>%1 Punkte, davon %2 als Tippfehler markiert</translation>
    </message>
</context>
<context>
    <name>TTablePreview</name>
    <message>
        <source>Worst error: %1 %2 (%3 % of the full volume) at height %4 %5</source>
        <translation>Größter Fehler: %1 %2 (%3 % des Gesamtvolumens) bei Füllhöhe %4 %5</translation>
    </message>
    <message>
        <source>Worst error</source>
        <translation>Größter Fehler</translation>
    </message>
    <message>
        <source>Table preview</source>
        <translation>Tabellenvorschau</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>Exact curve</source>
        <translation>Exakte Kurve</translation>
    </message>
    <message>
        <source>Height (%1)</source>
        <translation>Füllhöhe (%1)</translation>
    </message>
    <message>
        <source>Volume (%1)</source>
        <translation>Volumen (%1)</translation>
    </message>
</context>
<context>
    <name>TTrafficModel</name>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Dir</source>
        <translation>Richt.</translation>
    </message>
    <message>
        <source>Node</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Instruction</source>
        <translation>Befehl</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>Checksum</source>
        <translation>Prüfsumme</translation>
    </message>
    <message>
        <source>Response ms</source>
        <translation>Antwort ms</translation>
    </message>
</context>
<context>
    <name>TWriteSafety</name>
    <message>
        <source>**ERROR** Verifying</source>
        <translation>**FEHLER** beim Prüfen</translation>
    </message>
    <message>
        <source>The gauge did not keep these settings</source>
        <translation>Das Gerät hat diese Einstellungen nicht übernommen</translation>
    </message>
    <message>
        <source>Write All Settings</source>
        <translation>Alle Einstellungen schreiben</translation>
    </message>
    <message>
        <source>Writing will change these settings on the gauge</source>
        <translation>Das Schreiben ändert diese Einstellungen im Gerät</translation>
    </message>
    <message>
        <source>To be written</source>
        <translation>Zu schreiben</translation>
    </message>
    <message>
        <source>The gauge already holds every setting to be written.</source>
        <translation>Das Gerät hat bereits alle zu schreibenden Einstellungen.</translation>
    </message>
    <message>
        <source>&amp;Write</source>
        <translation>&amp;Schreiben</translation>
    </message>
    <message>
        <source>Verify after writing</source>
        <translation>Prüfen nach dem Schreiben</translation>
    </message>
    <message>
        <source>Written</source>
        <translation>Geschrieben</translation>
    </message>
    <message>
        <source>Compare with Gauge</source>
        <translation>Mit Gerät vergleichen</translation>
    </message>
    <message>
        <source>The gauge and the configurator differ in these settings</source>
        <translation>Gerät und Konfigurator unterscheiden sich in diesen Einstellungen</translation>
    </message>
    <message>
        <source>In the configurator</source>
        <translation>Im Konfigurator</translation>
    </message>
    <message>
        <source>The gauge holds the settings the configurator shows.</source>
        <translation>Das Gerät hat die Einstellungen, die der Konfigurator zeigt.</translation>
    </message>
    <message>
        <source>The archive could not be written: </source>
        <translation>Das Archiv konnte nicht geschrieben werden: </translation>
    </message>
    <message>
        <source>

The settings not yet written could not be saved: </source>
        <translation>

Die noch nicht geschriebenen Einstellungen konnten nicht gesichert werden: </translation>
    </message>
    <message>
        <source>

The settings not yet written were saved to
</source>
        <translation>

Die noch nicht geschriebenen Einstellungen wurden gesichert in
</translation>
    </message>
    <message>
        <source>
To get them back, connect and open that file with File &gt; Open.</source>
        <translation>
Um sie zurückzuholen, verbinden und diese Datei mit Datei &gt; Öffnen öffnen.</translation>
    </message>
    <message>
        <source>On the gauge</source>
        <translation>Im Gerät</translation>
    </message>
</context>
<context>
    <name>TZUREditGrid</name>
    <message>
        <source>Not a number the table can hold</source>
        <translation>Keine Zahl, die die Tabelle aufnehmen kann</translation>
    </message>
    <message>
        <source>Smaller than the value above it</source>
        <translation>Kleiner als der Wert darüber</translation>
    </message>
    <message>
        <source>, row %1</source>
        <translation>, Zeile %1</translation>
    </message>
    <message>
        <source>Linearisation table</source>
        <translation>Linearisierungstabelle</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Füllhöhe</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Row %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>Volume (</source>
        <translation>Volumen (</translation>
    </message>
    <message>
        <source>Import CSV</source>
        <translation>CSV importieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Editing the cell: Enter keeps the text, Escape cancels</source>
        <translation>Zelle bearbeiten: Eingabe übernimmt den Text, Escape bricht ab</translation>
    </message>
</context>
<context>
    <name>TZURPage</name>
    <message>
        <source>edited, not yet written</source>
        <translation>bearbeitet, noch nicht geschrieben</translation>
    </message>
    <message>
        <source>An error occured whilst writing the settings.
Please ensure the device is connected, powered up and try again.</source>
        <translation>Beim Schreiben der Einstellungen ist ein Fehler aufgetreten.
Bitte prüfen Sie, ob das Gerät angeschlossen und eingeschaltet ist, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>&amp;Read Settings</source>
        <translation>Einstellungen &amp;lesen</translation>
    </message>
    <message>
        <source>&amp;Write Settings</source>
        <translation>Einstellungen &amp;schreiben</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>TZURSetting</name>
    <message>
        <source>Master Alarm</source>
        <translation>Masteralarm</translation>
    </message>
    <message>
        <source>Alarm 1</source>
        <translation>Alarm 1</translation>
    </message>
    <message>
        <source>Alarm 2</source>
        <translation>Alarm 2</translation>
    </message>
    <message>
        <source>Alarm 3</source>
        <translation>Alarm 3</translation>
    </message>
    <message>
        <source>Alarm M - Setpoint</source>
        <translation>Alarm M – Grenzwert</translation>
    </message>
    <message>
        <source>Alarm M - Enabled</source>
        <translation>Alarm M – aktiviert</translation>
    </message>
    <message>
        <source>Alarm M - Direction</source>
        <translation>Alarm M – Richtung</translation>
    </message>
    <message>
        <source>Alarm M - Hysteresis</source>
        <translation>Alarm M – Hysterese</translation>
    </message>
    <message>
        <source>Alarm 1 - Setpoint</source>
        <translation>Alarm 1 – Grenzwert</translation>
    </message>
    <message>
        <source>Alarm 1 - Enabled</source>
        <translation>Alarm 1 – aktiviert</translation>
    </message>
    <message>
        <source>Alarm 1 - Direction</source>
        <translation>Alarm 1 – Richtung</translation>
    </message>
    <message>
        <source>Alarm 1 - Hysteresis</source>
        <translation>Alarm 1 – Hysterese</translation>
    </message>
    <message>
        <source>Alarm 2 - Setpoint</source>
        <translation>Alarm 2 – Grenzwert</translation>
    </message>
    <message>
        <source>Alarm 2 - Enabled</source>
        <translation>Alarm 2 – aktiviert</translation>
    </message>
    <message>
        <source>Alarm 2 - Direction</source>
        <translation>Alarm 2 – Richtung</translation>
    </message>
    <message>
        <source>Alarm 2 - Hysteresis</source>
        <translation>Alarm 2 – Hysterese</translation>
    </message>
    <message>
        <source>Alarm 3 - Setpoint</source>
        <translation>Alarm 3 – Grenzwert</translation>
    </message>
    <message>
        <source>Alarm 3 - Enabled</source>
        <translation>Alarm 3 – aktiviert</translation>
    </message>
    <message>
        <source>Alarm 3 - Direction</source>
        <translation>Alarm 3 – Richtung</translation>
    </message>
    <message>
        <source>Alarm 3 - Hysteresis</source>
        <translation>Alarm 3 – Hysterese</translation>
    </message>
    <message>
        <source>Tank Min</source>
        <translation>Tank minimal</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>AD Value</source>
        <translation>AD-Wert</translation>
    </message>
    <message>
        <source>Tank Max</source>
        <translation>Tank maximal</translation>
    </message>
    <message>
        <source>Tank AD Output Options</source>
        <translation>Optionen des 4-20-mA-Ausgangs</translation>
    </message>
    <message>
        <source>Enable 4-20mA Output</source>
        <translation>4-20-mA-Ausgang aktiv</translation>
    </message>
    <message>
        <source>Mirror 4-20mA Input</source>
        <translation>4-20-mA-Eingang spiegeln</translation>
    </message>
    <message>
        <source>Display Options</source>
        <translation>Anzeigeoptionen</translation>
    </message>
    <message>
        <source>Display Enabled</source>
        <translation>Anzeige eingeschaltet</translation>
    </message>
    <message>
        <source>Significant Figures</source>
        <translation>Signifikante Stellen</translation>
    </message>
    <message>
        <source>Display UOM</source>
        <translation>Anzeigeeinheit</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Show Decimal Point</source>
        <translation>Dezimalpunkt anzeigen</translation>
    </message>
    <message>
        <source>Damping</source>
        <translation>Dämpfung</translation>
    </message>
    <message>
        <source>Tank Description</source>
        <translation>Tankbeschreibung</translation>
    </message>
    <message>
        <source>Tank Name</source>
        <translation>Tankname</translation>
    </message>
    <message>
        <source>Tank Type</source>
        <translation>Tanktyp</translation>
    </message>
    <message>
        <source>Tank UOM</source>
        <translation>Tank-Längeneinheit</translation>
    </message>
    <message>
        <source>Tank SG</source>
        <translation>Dichte (SG)</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Radius</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>Extent</source>
        <translation>Bodenhöhe</translation>
    </message>
    <message>
        <source>Tank Calibration</source>
        <translation>Tankkalibrierung</translation>
    </message>
    <message>
        <source>at 4mA</source>
        <translation>bei 4 mA</translation>
    </message>
    <message>
        <source>at 20mA</source>
        <translation>bei 20 mA</translation>
    </message>
    <message>
        <source>Other Settings</source>
        <translation>Weitere Einstellungen</translation>
    </message>
    <message>
        <source>Test mode timeout</source>
        <translation>Zeitlimit des Testmodus</translation>
    </message>
    <message>
        <source>RS 485 ID</source>
        <translation>RS-485-Knoten-ID</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <source>Software Version</source>
        <translation>Softwareversion</translation>
    </message>
    <message>
        <source>Device PC SoftwareID</source>
        <translation>PC-Software-ID des Geräts</translation>
    </message>
    <message>
        <source>Tank Table</source>
        <translation>Peiltabelle</translation>
    </message>
    <message>
        <source>Flow Frequency Scaling</source>
        <translation>Skalierung der Durchflussfrequenz</translation>
    </message>
    <message>
        <source>LCD Display Resolution</source>
        <translation>LCD-Anzeigeauflösung</translation>
    </message>
    <message>
        <source>Safe Tank Capacity</source>
        <translation>Sichere Tankkapazität</translation>
    </message>
    <message>
        <source>Display Resolution Hysteresis</source>
        <translation>Hysterese der Anzeigeauflösung</translation>
    </message>
    <message>
        <source>Tank Safe Capacity Litres</source>
        <translation>Sichere Tankkapazität in Litern</translation>
    </message>
</context>
<context>
    <name>TZurApplication</name>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>TfmAbout</name>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>T7310 / T8310 Configurator</source>
        <translation>T7310 / T8310 Configurator</translation>
    </message>
    <message>
        <source>Software Version: </source>
        <translation>Softwareversion: </translation>
    </message>
    <message>
        <source>Configuration tool for T7310 / T8310 tank-contents gauges</source>
        <translation>Konfigurationsprogramm für die Tankinhaltsanzeigen T7310 / T8310</translation>
    </message>
    <message>
        <source>This program comes with ABSOLUTELY NO WARRANTY. It is free software: you may redistribute it and/or modify it under the terms of the GNU General Public License version 3 or later.</source>
        <translation>Dieses Programm kommt OHNE JEGLICHE GARANTIE. Es ist freie Software: Sie dürfen es unter den Bedingungen der GNU General Public License, Version 3 oder später, weitergeben und/oder verändern.</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>TfmAlarms</name>
    <message>
        <source>Alarm Setpoints &amp; Test</source>
        <translation>Alarmgrenzwerte &amp; Test</translation>
    </message>
    <message>
        <source>Alarm settings allows you to assign up to 4 alarms.
Alarms relate to the 4 output drivers on the device.

You can create raising edge alarms - alarms that are triggered when the level goes above the setpoint, or falling edge alarms - alarms that are triggered when the level goes below the setpoint.

Push the test button to test the output on the device for 5 seconds.</source>
        <translation>Unter Alarmeinstellungen können Sie bis zu 4 Alarme festlegen.
Die Alarme gehören zu den 4 Ausgangstreibern des Geräts.

Sie können Alarme bei steigender Flanke anlegen - sie lösen aus, wenn der Füllstand über den Grenzwert steigt - oder Alarme bei fallender Flanke - sie lösen aus, wenn der Füllstand unter den Grenzwert fällt.

Mit der Test-Schaltfläche wird der Ausgang am Gerät 5 Sekunden lang getestet.</translation>
    </message>
    <message>
        <source>Alarm settings written successfully.</source>
        <translation>Alarmeinstellungen erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Alarm test still in progress, please wait...</source>
        <translation>Alarmtest läuft noch, bitte warten...</translation>
    </message>
    <message>
        <source>An error occured whilst starting the alarm test mode
Please ensure the device is connected and powered up.</source>
        <translation>Beim Starten des Alarmtests ist ein Fehler aufgetreten
Bitte prüfen Sie, ob das Gerät angeschlossen und eingeschaltet ist.</translation>
    </message>
    <message>
        <source>Testing Alarm %1 Seconds</source>
        <translation>Alarmtest %1 Sekunden</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source> Enabled</source>
        <translation> aktiviert</translation>
    </message>
    <message>
        <source>TEST</source>
        <translation>TEST</translation>
    </message>
    <message>
        <source>TEST </source>
        <translation>TEST </translation>
    </message>
    <message>
        <source>Falling Edge</source>
        <translation>Fallend</translation>
    </message>
    <message>
        <source>Raising Edge</source>
        <translation>Steigend</translation>
    </message>
    <message>
        <source> test</source>
        <translation> Test</translation>
    </message>
    <message>
        <source>Setpoint volume</source>
        <translation>Grenzwert als Volumen</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Richtung</translation>
    </message>
    <message>
        <source>Setpoint </source>
        <translation>Grenzwert </translation>
    </message>
    <message>
        <source>Hysterisis</source>
        <translation>Hysterese</translation>
    </message>
    <message>
        <source>= %1 Litres</source>
        <translation>= %1 Liter</translation>
    </message>
    <message>
        <source>Master Alarm</source>
        <translation>Masteralarm</translation>
    </message>
    <message>
        <source>Alarm 1</source>
        <translation>Alarm 1</translation>
    </message>
    <message>
        <source>Alarm 2</source>
        <translation>Alarm 2</translation>
    </message>
    <message>
        <source>Alarm 3</source>
        <translation>Alarm 3</translation>
    </message>
</context>
<context>
    <name>TfmAllSettings</name>
    <message>
        <source>up to %1 characters</source>
        <translation>bis zu %1 Zeichen</translation>
    </message>
    <message>
        <source>All Settings</source>
        <translation>Alle Einstellungen</translation>
    </message>
    <message>
        <source>Group, name or value</source>
        <translation>Gruppe, Name oder Wert</translation>
    </message>
    <message>
        <source>&amp;Filter</source>
        <translation>&amp;Filter</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>&amp;Changed only</source>
        <translation>Nur &amp;geänderte</translation>
    </message>
</context>
<context>
    <name>TfmCertificate</name>
    <message>
        <source>%1, prepared without a gauge.</source>
        <translation>%1, ohne Gerät vorbereitet.</translation>
    </message>
    <message>
        <source>%1: 1 setting changed by the last write.</source>
        <translation>%1: 1 Einstellung beim letzten Schreiben geändert.</translation>
    </message>
    <message>
        <source>%1: %2 settings changed by the last write.</source>
        <translation>%1: %2 Einstellungen beim letzten Schreiben geändert.</translation>
    </message>
    <message>
        <source>Paper: %1 (Program Settings)</source>
        <translation>Papier: %1 (Programmeinstellungen)</translation>
    </message>
    <message>
        <source>Commissioning Certificate</source>
        <translation>Inbetriebnahmeprotokoll</translation>
    </message>
    <message>
        <source>&amp;File:</source>
        <translation>&amp;Datei:</translation>
    </message>
    <message>
        <source>The PDF file the certificate is saved as</source>
        <translation>Die PDF-Datei, unter der das Protokoll gespeichert wird</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>D&amp;urchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Open after saving</source>
        <translation>Nach dem Speichern ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Shows the saved certificate in the desktop&apos;s PDF viewer</source>
        <translation>Zeigt das gespeicherte Protokoll im PDF-Betrachter des Desktops</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Save Commissioning Certificate</source>
        <translation>Inbetriebnahmeprotokoll speichern</translation>
    </message>
    <message>
        <source>PDF Documents (*.pdf);;All Files (*)</source>
        <translation>PDF-Dokumente (*.pdf);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The certificate could not be saved as &quot;%1&quot;: %2</source>
        <translation>Das Protokoll konnte nicht als „%1“ gespeichert werden: %2</translation>
    </message>
</context>
<context>
    <name>TfmCompare</name>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Tank Table row</source>
        <translation>Zeile der Peiltabelle</translation>
    </message>
    <message>
        <source> (tank table)</source>
        <translation> (Peiltabelle)</translation>
    </message>
    <message>
        <source>&amp;Reason:</source>
        <translation>&amp;Grund:</translation>
    </message>
    <message>
        <source>optional: why these settings change</source>
        <translation>optional: warum sich diese Einstellungen ändern</translation>
    </message>
    <message>
        <source>Kept with the write in the journal</source>
        <translation>Wird mit dem Schreibvorgang im Protokoll festgehalten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>%1 of %2 settings will change; an unticked one keeps the gauge&apos;s value.</source>
        <translation>%1 von %2 Einstellungen ändern sich; eine nicht angehakte behält den Wert des Geräts.</translation>
    </message>
</context>
<context>
    <name>TfmDeviceStatus</name>
    <message>
        <source>Device Status</source>
        <translation>Gerätestatus</translation>
    </message>
    <message>
        <source>Connection Status</source>
        <translation>Verbindungsstatus</translation>
    </message>
    <message>
        <source>Device Information</source>
        <translation>Geräteinformation</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <source>RS-485 Node ID</source>
        <translation>RS-485-Knoten-ID</translation>
    </message>
    <message>
        <source>Software Ver.</source>
        <translation>Softwarevers.</translation>
    </message>
    <message>
        <source>Tank Volume</source>
        <translation>Tankvolumen</translation>
    </message>
    <message>
        <source>Device State</source>
        <translation>Gerätezustand</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>Alarm 1</source>
        <translation>Alarm 1</translation>
    </message>
    <message>
        <source>Alarm 2</source>
        <translation>Alarm 2</translation>
    </message>
    <message>
        <source>Alarm 3</source>
        <translation>Alarm 3</translation>
    </message>
    <message>
        <source>Key:</source>
        <translation>Legende:</translation>
    </message>
    <message>
        <source>Alarm Active</source>
        <translation>Alarm aktiv</translation>
    </message>
    <message>
        <source>Alarm Inactive</source>
        <translation>Alarm inaktiv</translation>
    </message>
    <message>
        <source>Tank Volume, last 10 minutes</source>
        <translation>Tankvolumen, letzte 10 Minuten</translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Tank Volume trend</source>
        <translation>Verlauf des Tankvolumens</translation>
    </message>
    <message>
        <source>&lt;not connected&gt;</source>
        <translation>&lt;nicht verbunden&gt;</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Device status shows a live status of the T7310/T8310 device, including the corrected tank volume and alarm outputs

To connect to a device select &apos;Connect&apos; from the &apos;Device&apos; menu

Use the tab sheets to configure the settings for the device.</source>
        <translation>Der Gerätestatus zeigt laufend den Zustand des T7310/T8310, mit dem korrigierten Tankvolumen und den Alarmausgängen

Um sich mit einem Gerät zu verbinden, wählen Sie &apos;Verbinden&apos; im Menü &apos;Gerät&apos;

Auf den Registerkarten richten Sie die Einstellungen des Geräts ein.</translation>
    </message>
    <message>
        <source>&lt;reading...&gt;</source>
        <translation>&lt;wird gelesen...&gt;</translation>
    </message>
</context>
<context>
    <name>TfmDisplayOptions</name>
    <message>
        <source>Display Options:</source>
        <translation>Anzeigeoptionen:</translation>
    </message>
    <message>
        <source>Display options written successfully.</source>
        <translation>Anzeigeoptionen erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Current Contrast Value</source>
        <translation>Aktueller Kontrastwert</translation>
    </message>
    <message>
        <source>Number of Significant Figures</source>
        <translation>Anzahl signifikanter Stellen</translation>
    </message>
    <message>
        <source>Display Resolution</source>
        <translation>Anzeigeauflösung</translation>
    </message>
    <message>
        <source>Show Trailing Decimal Points</source>
        <translation>Nachkommastellen immer anzeigen</translation>
    </message>
    <message>
        <source>Current Contrast Value:</source>
        <translation>Aktueller Kontrastwert:</translation>
    </message>
    <message>
        <source>Display Units of Measure</source>
        <translation>Anzeigeeinheit</translation>
    </message>
    <message>
        <source>Screen Damping</source>
        <translation>Anzeigedämpfung</translation>
    </message>
    <message>
        <source>unknown (%1)</source>
        <translation>unbekannt (%1)</translation>
    </message>
    <message>
        <source>Display options allow you change settings for the LCD display

*For units without a display these options will not be enabled*

Please note: when changing the contrast you must click on the &apos;Write Settings&apos; button before the contrast settings are saved perminantly.

Screen damping is a time period in seconds for each display update. For large tanks it is recommended this value is set high.</source>
        <translation>Unter Anzeigeoptionen ändern Sie die Einstellungen der LCD-Anzeige

*Bei Geräten ohne Anzeige sind diese Optionen gesperrt*

Bitte beachten: Nach einer Änderung des Kontrasts müssen Sie &apos;Einstellungen schreiben&apos; drücken, damit der Kontrast dauerhaft gespeichert wird.

Die Anzeigedämpfung ist die Zeit in Sekunden je Aktualisierung der Anzeige. Bei großen Tanks wird ein hoher Wert empfohlen.</translation>
    </message>
    <message>
        <source>(Secs)</source>
        <translation>(Sek.)</translation>
    </message>
</context>
<context>
    <name>TfmHistory</name>
    <message>
        <source>No setting was meant to change.</source>
        <translation>Keine Einstellung sollte sich ändern.</translation>
    </message>
    <message>
        <source>By: </source>
        <translation>Von: </translation>
    </message>
    <message>
        <source>Reason: </source>
        <translation>Grund: </translation>
    </message>
    <message>
        <source>As found: </source>
        <translation>Vorgefunden: </translation>
    </message>
    <message>
        <source>As left: </source>
        <translation>Hinterlassen: </translation>
    </message>
    <message>
        <source>History</source>
        <translation>Historie</translation>
    </message>
    <message>
        <source>&amp;Writes, newest first</source>
        <translation>&amp;Schreibvorgänge, neueste zuerst</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Written</source>
        <translation>Geschrieben</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>Änderungen</translation>
    </message>
    <message>
        <source>By</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>Writes, newest first</source>
        <translation>Schreibvorgänge, neueste zuerst</translation>
    </message>
    <message>
        <source> node %1 on </source>
        <translation> Knoten %1 an </translation>
    </message>
    <message>
        <source>C&amp;hanges of the selected write</source>
        <translation>Ä&amp;nderungen des gewählten Schreibvorgangs</translation>
    </message>
    <message>
        <source>Changes of the selected write</source>
        <translation>Änderungen des gewählten Schreibvorgangs</translation>
    </message>
    <message>
        <source>Archive: </source>
        <translation>Archiv: </translation>
    </message>
    <message>
        <source>%1 line(s) of the journal could not be read and are not listed.</source>
        <translation>%1 Zeile(n) des Protokolls konnten nicht gelesen werden und fehlen in der Liste.</translation>
    </message>
    <message>
        <source>Open As &amp;Found</source>
        <translation>&amp;Vorgefundene öffnen</translation>
    </message>
    <message>
        <source>Open As &amp;Left</source>
        <translation>&amp;Hinterlassene öffnen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Connect to a gauge to open an archived file.</source>
        <translation>Verbinden Sie sich mit einem Gerät, um eine archivierte Datei zu öffnen.</translation>
    </message>
</context>
<context>
    <name>TfmMain</name>
    <message>
        <source>Error accessing program settings</source>
        <translation>Fehler beim Zugriff auf die Programmeinstellungen</translation>
    </message>
    <message>
        <source>Error creating T7310 Device Object</source>
        <translation>Fehler beim Anlegen des T7310-Geräteobjekts</translation>
    </message>
    <message>
        <source>Error creating tabsheets</source>
        <translation>Fehler beim Anlegen der Registerkarten</translation>
    </message>
    <message>
        <source>Software Version: </source>
        <translation>Softwareversion: </translation>
    </message>
    <message>
        <source>DISCONNECTED</source>
        <translation>GETRENNT</translation>
    </message>
    <message>
        <source>Status message</source>
        <translation>Statusmeldung</translation>
    </message>
    <message>
        <source>Connection state</source>
        <translation>Verbindungszustand</translation>
    </message>
    <message>
        <source>FAST</source>
        <translation>FAST</translation>
    </message>
    <message>
        <source>Fast transfers</source>
        <translation>Schnelle Übertragung</translation>
    </message>
    <message>
        <source>Fast transfers: replies framed by length</source>
        <translation>Schnelle Übertragung: Antworten nach Länge gerahmt</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Settings...</source>
        <translation>&amp;Neue Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Sa&amp;ve</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Save As</source>
        <translation>Speichern &amp;unter</translation>
    </message>
    <message>
        <source>Save as &amp;Template...</source>
        <translation>Als &amp;Vorlage speichern...</translation>
    </message>
    <message>
        <source>Te&amp;mplates</source>
        <translation>Vor&amp;lagen</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;Historie...</translation>
    </message>
    <message>
        <source>Program &amp;Settings...</source>
        <translation>Programm&amp;einstellungen...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Device</source>
        <translation>&amp;Gerät</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>Scan &amp;Bus...</source>
        <translation>&amp;Bus durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Provision Site...</source>
        <translation>&amp;Anlage einrichten...</translation>
    </message>
    <message>
        <source>&amp;Read All Settings</source>
        <translation>Alle Einstellungen &amp;lesen</translation>
    </message>
    <message>
        <source>&amp;Write All Settings</source>
        <translation>Alle Einstellungen &amp;schreiben</translation>
    </message>
    <message>
        <source>Compare with &amp;Gauge...</source>
        <translation>Mit &amp;Gerät vergleichen...</translation>
    </message>
    <message>
        <source>Change RS-485 Node &amp;ID</source>
        <translation>RS-485-Knoten-&amp;ID ändern</translation>
    </message>
    <message>
        <source>&amp;Modbus Protocol Default</source>
        <translation>&amp;Modbus-Protokoll (Standard)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Traffic Monitor</source>
        <translation>&amp;Datenverkehr</translation>
    </message>
    <message>
        <source>&amp;All Settings</source>
        <translation>&amp;Alle Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Reading Settings...</source>
        <translation>Einstellungen werden gelesen...</translation>
    </message>
    <message>
        <source>Reading Setting - </source>
        <translation>Lese Einstellung - </translation>
    </message>
    <message>
        <source>Read Settings.</source>
        <translation>Einstellungen gelesen.</translation>
    </message>
    <message>
        <source>Writing Setting - </source>
        <translation>Schreibe Einstellung - </translation>
    </message>
    <message>
        <source>Written Setting - </source>
        <translation>Geschrieben: Einstellung - </translation>
    </message>
    <message>
        <source>**ERROR** Writing Setting - </source>
        <translation>**FEHLER** beim Schreiben der Einstellung - </translation>
    </message>
    <message>
        <source>Edited, not yet written</source>
        <translation>Bearbeitet, noch nicht geschrieben</translation>
    </message>
    <message>
        <source>Error reading settings</source>
        <translation>Fehler beim Lesen der Einstellungen</translation>
    </message>
    <message>
        <source>Settings written successfully</source>
        <translation>Einstellungen erfolgreich geschrieben</translation>
    </message>
    <message>
        <source>Error writing settings</source>
        <translation>Fehler beim Schreiben der Einstellungen</translation>
    </message>
    <message>
        <source>An error occured whilst writing the settings</source>
        <translation>Beim Schreiben der Einstellungen ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Change Setting..</source>
        <translation>Einstellung ändern..</translation>
    </message>
    <message>
        <source>RS-485 Node ID</source>
        <translation>RS-485-Knoten-ID</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Settings loaded successfully.
Please select &apos;Write All Settings&apos; from the device menu to download the new settings.</source>
        <translation>Einstellungen erfolgreich geladen.
Bitte wählen Sie &apos;Alle Einstellungen schreiben&apos; im Menü Gerät, um die neuen Einstellungen zu übertragen.</translation>
    </message>
    <message>
        <source>An error occured whilst opening the file</source>
        <translation>Beim Öffnen der Datei ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>All settings must be written to device before saving. 
Do you wish to continue?</source>
        <translation>Vor dem Speichern müssen alle Einstellungen in das Gerät geschrieben werden. 
Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>An error occured whilst save the file</source>
        <translation>Beim Speichern der Datei ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Provisioning a site closes this connection and reads the gauge again afterwards.</source>
        <translation>Das Einrichten einer Anlage schließt diese Verbindung und liest das Gerät danach erneut.</translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation>&amp;Trennen</translation>
    </message>
    <message>
        <source>CONNECTED</source>
        <translation>VERBUNDEN</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Device disconnected...</source>
        <translation>Gerät getrennt...</translation>
    </message>
    <message>
        <source>The adapter is back.
Reconnecting reads all settings from the device over the changes not written yet.
Reconnect now?</source>
        <translation>Der Adapter ist wieder da.
Beim erneuten Verbinden werden alle Einstellungen aus dem Gerät gelesen und ersetzen die noch nicht geschriebenen Änderungen.
Jetzt neu verbinden?</translation>
    </message>
    <message>
        <source>Reconnected</source>
        <translation>Neu verbunden</translation>
    </message>
    <message>
        <source>Reconnect failed</source>
        <translation>Neu verbinden fehlgeschlagen</translation>
    </message>
    <message>
        <source>Input Value</source>
        <translation>Wert eingeben</translation>
    </message>
    <message>
        <source>The prepared settings were not offered: the gauge&apos;s settings could not all be read.</source>
        <translation>Die vorbereiteten Einstellungen wurden nicht angeboten: die Einstellungen des Geräts konnten nicht alle gelesen werden.</translation>
    </message>
    <message>
        <source>Template: %1 (%2)</source>
        <translation>Vorlage: %1 (%2)</translation>
    </message>
    <message>
        <source>OFFLINE</source>
        <translation>OFFLINE</translation>
    </message>
    <message>
        <source>The settings in %1 have changes that are not saved.
Save them first?</source>
        <translation>Die Einstellungen in %1 haben ungespeicherte Änderungen.
Zuerst speichern?</translation>
    </message>
    <message>
        <source>Saved </source>
        <translation>Gespeichert: </translation>
    </message>
    <message>
        <source>New Settings</source>
        <translation>Neue Einstellungen</translation>
    </message>
    <message>
        <source>Start from:</source>
        <translation>Ausgehend von:</translation>
    </message>
    <message>
        <source>The file %1 holds the settings of an extended gauge.
%2</source>
        <translation>Die Datei %1 enthält die Einstellungen eines erweiterten Geräts.
%2</translation>
    </message>
    <message>
        <source>Save as Template</source>
        <translation>Als Vorlage speichern</translation>
    </message>
    <message>
        <source>Template name</source>
        <translation>Name der Vorlage</translation>
    </message>
    <message>
        <source>There is a template &quot;%1&quot; already.
Replace it?</source>
        <translation>Es gibt bereits eine Vorlage &quot;%1&quot;.
Ersetzen?</translation>
    </message>
    <message>
        <source>Saved template </source>
        <translation>Vorlage gespeichert: </translation>
    </message>
    <message>
        <source>Delete the template &quot;%1&quot;?</source>
        <translation>Die Vorlage &quot;%1&quot; löschen?</translation>
    </message>
    <message>
        <source>(no templates)</source>
        <translation>(keine Vorlagen)</translation>
    </message>
    <message>
        <source>&amp;Delete Template</source>
        <translation>Vorlage &amp;löschen</translation>
    </message>
    <message>
        <source>

The prepared settings could not be kept: </source>
        <translation>

Die vorbereiteten Einstellungen konnten nicht aufbewahrt werden: </translation>
    </message>
    <message>
        <source>

The prepared settings, not saved before, were kept in
</source>
        <translation>

Die vorbereiteten, zuvor nicht gespeicherten Einstellungen wurden aufbewahrt in
</translation>
    </message>
    <message>
        <source>
File &gt; History opens them again.</source>
        <translation>
Datei &gt; Historie öffnet sie wieder.</translation>
    </message>
    <message>
        <source>Alarm Test Mode Deactivated</source>
        <translation>Alarmtest beendet</translation>
    </message>
    <message>
        <source>Device Status</source>
        <translation>Gerätestatus</translation>
    </message>
    <message>
        <source>Display Options</source>
        <translation>Anzeige</translation>
    </message>
    <message>
        <source>Sensor Parameters</source>
        <translation>Sensor</translation>
    </message>
    <message>
        <source>Tank Settings</source>
        <translation>Tank</translation>
    </message>
    <message>
        <source>Manual Linearisation</source>
        <translation>Linearisierung</translation>
    </message>
    <message>
        <source>Alarm Setpoints</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Tank Linearisation Settings (*.TLS)</source>
        <translation>Tank-Linearisierungseinstellungen (*.TLS)</translation>
    </message>
    <message>
        <source>The RS-485 node ID must be between 0 and 98</source>
        <translation>Die RS-485-Knoten-ID muss zwischen 0 und 98 liegen</translation>
    </message>
    <message>
        <source>An error occurred whilst writing the RS-485 ID.</source>
        <translation>Beim Schreiben der RS-485-ID ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <source>Please enter the RS-485 Node ID of the device you wish to connect to. (Note: ID 99 will connect to all devices)</source>
        <translation>Bitte geben Sie die RS-485-Knoten-ID des Geräts ein, mit dem Sie sich verbinden möchten. (Hinweis: ID 99 verbindet mit allen Geräten)</translation>
    </message>
    <message>
        <source>You have selected ID 99. This is a broadcast address
Please ensure only one device is connected to the RS-485 bus before you continue.
Do you wish to continue?</source>
        <translation>Sie haben ID 99 gewählt. Das ist eine Rundrufadresse
Bitte stellen Sie sicher, dass nur ein Gerät am RS-485-Bus angeschlossen ist, bevor Sie fortfahren.
Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>The RS-485 node ID must be between 0 and 99</source>
        <translation>Die RS-485-Knoten-ID muss zwischen 0 und 99 liegen</translation>
    </message>
    <message>
        <source>An error occurred whilst connecting...

Please check to ensure the device is connected to the RS-485 bus,
is powered up, and you have entered the correct RS-485 Node ID.</source>
        <translation>Beim Verbinden ist ein Fehler aufgetreten...

Bitte prüfen Sie, ob das Gerät am RS-485-Bus angeschlossen
und eingeschaltet ist und ob Sie die richtige RS-485-Knoten-ID eingegeben haben.</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>Which gauge are these settings for?</source>
        <translation>Für welches Gerät sind diese Einstellungen?</translation>
    </message>
    <message>
        <source>Blank settings</source>
        <translation>Leere Einstellungen</translation>
    </message>
    <message>
        <source>An archived file (File &gt; History)...</source>
        <translation>Eine archivierte Datei (Datei &gt; Historie)...</translation>
    </message>
    <message>
        <source>Write the prepared settings to this gauge?</source>
        <translation>Die vorbereiteten Einstellungen in dieses Gerät schreiben?</translation>
    </message>
    <message>
        <source>Commissioning &amp;Certificate...</source>
        <translation>Inbetriebnahme&amp;protokoll...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Drucken...</translation>
    </message>
    <message>
        <source>Certificate saved as </source>
        <translation>Protokoll gespeichert als </translation>
    </message>
    <message>
        <source>The certificate was saved as &quot;%1&quot;; no program to show PDF files was found.</source>
        <translation>Das Protokoll wurde als „%1“ gespeichert; es wurde kein Programm zum Anzeigen von PDF-Dateien gefunden.</translation>
    </message>
    <message>
        <source>The certificate could not be printed: the printer could not be started.</source>
        <translation>Das Protokoll konnte nicht gedruckt werden: der Drucker ließ sich nicht starten.</translation>
    </message>
</context>
<context>
    <name>TfmManualLin</name>
    <message>
        <source>Manual Linearisation allows you to specify up to 90 points for the T7310 device to interpolate between.  By entering a range of height &amp; volume pairs you can calculate the volume of irregular tanks.  You must, however, be able to measure the height from the linear sensor and be able to relate this to the volume in the tank.  An absolute minimum of two points are needed, and the points must be arranged in ascending order.

For further information on manual linearisation please consult the user manual.</source>
        <translation>Mit der manuellen Linearisierung geben Sie bis zu 90 Punkte vor, zwischen denen das T7310 interpoliert.  Mit einer Reihe von Paaren aus Füllhöhe und Volumen lässt sich das Volumen unregelmäßiger Tanks berechnen.  Dazu müssen Sie die Füllhöhe am Sensor messen und dem Volumen im Tank zuordnen können.  Mindestens zwei Punkte sind nötig, und die Punkte müssen aufsteigend geordnet sein.

Weitere Hinweise zur manuellen Linearisierung finden Sie in der Bedienungsanleitung.</translation>
    </message>
    <message>
        <source>An error occured whilst writing the file.
</source>
        <translation>Beim Schreiben der Datei ist ein Fehler aufgetreten.
</translation>
    </message>
    <message>
        <source>Comma Separated Values (*.CSV *.csv);;Text Files (*.TXT *.txt);;All Files (*)</source>
        <translation>Kommagetrennte Werte (*.CSV *.csv);;Textdateien (*.TXT *.txt);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Manual Linearisation:</source>
        <translation>Manuelle Linearisierung:</translation>
    </message>
    <message>
        <source>Manual points written successfully.</source>
        <translation>Punkte der Peiltabelle erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Error creating Edit Grid Object </source>
        <translation>Fehler beim Anlegen der Eingabetabelle </translation>
    </message>
    <message>
        <source>Table transfer</source>
        <translation>Tabellenübertragung</translation>
    </message>
    <message>
        <source>&amp;Import CSV</source>
        <translation>CSV &amp;importieren</translation>
    </message>
    <message>
        <source>&amp;Export CSV</source>
        <translation>CSV &amp;exportieren</translation>
    </message>
    <message>
        <source>&amp;Clear Table</source>
        <translation>Tabelle lee&amp;ren</translation>
    </message>
    <message>
        <source>&amp;Generate...</source>
        <translation>&amp;Berechnen...</translation>
    </message>
    <message>
        <source>Fit C&amp;hart...</source>
        <translation>Aus Peil&amp;tabelle...</translation>
    </message>
    <message>
        <source>Table state</source>
        <translation>Tabellenzustand</translation>
    </message>
    <message>
        <source>Import CSV</source>
        <translation>CSV importieren</translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>CSV exportieren</translation>
    </message>
    <message>
        <source> already exists.
Do you want to replace it?</source>
        <translation> gibt es bereits.
Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>Clear Table</source>
        <translation>Tabelle leeren</translation>
    </message>
    <message>
        <source>Generate</source>
        <translation>Berechnen</translation>
    </message>
    <message>
        <source>Fit Chart</source>
        <translation>Peiltabelle anpassen</translation>
    </message>
    <message>
        <source>Table </source>
        <translation>Tabelle </translation>
    </message>
</context>
<context>
    <name>TfmProgramSettings</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Serial Comm Port</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>COM %1</source>
        <translation>COM %1</translation>
    </message>
    <message>
        <source>Opens</source>
        <translation>Öffnet</translation>
    </message>
    <message>
        <source>Serial device</source>
        <translation>Serielles Gerät</translation>
    </message>
    <message>
        <source>Confirm changes before writing</source>
        <translation>Änderungen vor dem Schreiben bestätigen</translation>
    </message>
    <message>
        <source>Verify after writing</source>
        <translation>Prüfen nach dem Schreiben</translation>
    </message>
    <message>
        <source>&amp;Technician</source>
        <translation>&amp;Techniker</translation>
    </message>
    <message>
        <source>Named in the journal of every write and on commissioning documents</source>
        <translation>Wird im Protokoll jedes Schreibvorgangs und in Inbetriebnahmedokumenten genannt</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>no port selected</source>
        <translation>keine Schnittstelle gewählt</translation>
    </message>
    <message>
        <source>Error accessing program settings
</source>
        <translation>Fehler beim Zugriff auf die Programmeinstellungen
</translation>
    </message>
    <message>
        <source>Reconnect when the adapter returns</source>
        <translation>Neu verbinden, wenn der Adapter zurückkehrt</translation>
    </message>
    <message>
        <source>Fast transfers (frame replies by length; try with your gauges first)</source>
        <translation>Schnelle Übertragung (Antworten nach Länge gerahmt; erst mit Ihren Geräten erproben)</translation>
    </message>
    <message>
        <source>&amp;Paper size</source>
        <translation>&amp;Papierformat</translation>
    </message>
    <message>
        <source>The paper commissioning certificates are laid out on</source>
        <translation>Das Papier, auf dem Inbetriebnahmeprotokolle gesetzt werden</translation>
    </message>
</context>
<context>
    <name>TfmProvisionSite</name>
    <message>
        <source>Provision Site</source>
        <translation>Anlage einrichten</translation>
    </message>
    <message>
        <source>The site file: one gauge a line (node, settings, table, device, tag)</source>
        <translation>Die Anlagendatei: ein Gerät je Zeile (Knoten, Einstellungen, Tabelle, Gerät, Kennung)</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Browse for the site file</source>
        <translation>Anlagendatei suchen</translation>
    </message>
    <message>
        <source>&amp;Site file:</source>
        <translation>&amp;Anlagendatei:</translation>
    </message>
    <message>
        <source>Bus of the lines that name no device</source>
        <translation>Bus der Zeilen, die kein Gerät nennen</translation>
    </message>
    <message>
        <source>Default bus:</source>
        <translation>Standardbus:</translation>
    </message>
    <message>
        <source>&amp;Dry run: read and compare only, write nothing</source>
        <translation>&amp;Probelauf: nur lesen und vergleichen, nichts schreiben</translation>
    </message>
    <message>
        <source>Choose a site file.</source>
        <translation>Wählen Sie eine Anlagendatei.</translation>
    </message>
    <message>
        <source>Site status</source>
        <translation>Anlagenstatus</translation>
    </message>
    <message>
        <source>Gauges of the site</source>
        <translation>Geräte der Anlage</translation>
    </message>
    <message>
        <source>S&amp;tart</source>
        <translation>S&amp;tarten</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>Ab&amp;brechen</translation>
    </message>
    <message>
        <source>Save &amp;Report...</source>
        <translation>&amp;Bericht speichern...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>%1 gauges on %2 %3, every line checked. Press Start.</source>
        <translation>%1 Geräte an %2 %3, jede Zeile geprüft. Starten drücken.</translation>
    </message>
    <message>
        <source>The site file cannot be used; nothing will be sent:
</source>
        <translation>Die Anlagendatei ist nicht verwendbar; nichts wird gesendet:
</translation>
    </message>
    <message>
        <source>Open Site File</source>
        <translation>Anlagendatei öffnen</translation>
    </message>
    <message>
        <source>Site files (*.csv);;All files (*)</source>
        <translation>Anlagendateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Provisioning %1 gauges...</source>
        <translation>%1 Geräte werden eingerichtet...</translation>
    </message>
    <message>
        <source>Stopping at the end of each bus&apos;s exchange in flight (a write series goes to its end)...</source>
        <translation>Abbruch am Ende des laufenden Austauschs jedes Busses (eine Schreibfolge läuft zu Ende)...</translation>
    </message>
    <message>
        <source>%1 of %2 gauges: %3</source>
        <translation>%1 von %2 Geräten: %3</translation>
    </message>
    <message>
        <source>none yet</source>
        <translation>noch keine</translation>
    </message>
    <message>
        <source>Stopped. </source>
        <translation>Abgebrochen. </translation>
    </message>
    <message>
        <source>Done. </source>
        <translation>Fertig. </translation>
    </message>
    <message>
        <source>Save Report</source>
        <translation>Bericht speichern</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The report could not be saved to %1: %2</source>
        <translation>Der Bericht konnte nicht in %1 gespeichert werden: %2</translation>
    </message>
    <message>
        <source>
Report saved to </source>
        <translation>
Bericht gespeichert in </translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Node</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Tag</source>
        <translation>Kennung</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>Bus</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>Familie</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>Änderungen</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keiner)</translation>
    </message>
</context>
<context>
    <name>TfmScanBus</name>
    <message>
        <source>COM %1</source>
        <translation>COM %1</translation>
    </message>
    <message>
        <source>Scan Bus</source>
        <translation>Bus durchsuchen</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>&amp;bis</translation>
    </message>
    <message>
        <source>&amp;Node IDs from</source>
        <translation>&amp;Knoten-IDs von</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Schnittstelle</translation>
    </message>
    <message>
        <source>Baud rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Schnittstelle:</translation>
    </message>
    <message>
        <source>Baud rate:</source>
        <translation>Baudrate:</translation>
    </message>
    <message>
        <source>Scan progress</source>
        <translation>Suchfortschritt</translation>
    </message>
    <message>
        <source>Scan status</source>
        <translation>Suchstatus</translation>
    </message>
    <message>
        <source>Press Start to ask every node ID of the range.</source>
        <translation>Starten fragt jede Knoten-ID des Bereichs ab.</translation>
    </message>
    <message>
        <source>Gauges found</source>
        <translation>Gefundene Geräte</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Starten</translation>
    </message>
    <message>
        <source>C&amp;onnect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Asking node %1...</source>
        <translation>Frage Knoten %1 ab...</translation>
    </message>
    <message>
        <source>The first node ID must not be above the last.</source>
        <translation>Die erste Knoten-ID darf nicht über der letzten liegen.</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 lässt sich nicht öffnen: %2</translation>
    </message>
    <message>
        <source>Scan cancelled: </source>
        <translation>Suche abgebrochen: </translation>
    </message>
    <message>
        <source>1 gauge found</source>
        <translation>1 Gerät gefunden</translation>
    </message>
    <message>
        <source>%1 gauges found</source>
        <translation>%1 Geräte gefunden</translation>
    </message>
    <message>
        <source>Node</source>
        <translation>Knoten</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <source>Software Version</source>
        <translation>Softwareversion</translation>
    </message>
    <message>
        <source>PC Software ID</source>
        <translation>PC-Software-ID</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>Familie</translation>
    </message>
</context>
<context>
    <name>TfmSensorParameters</name>
    <message>
        <source>The gauge&apos;s input calibration is not valid (the 4 mA and 20 mA readings are equal), so sensor readings cannot be converted.</source>
        <translation>Die Eingangskalibrierung des Geräts ist ungültig (die Messwerte bei 4 mA und 20 mA sind gleich), daher lassen sich Sensorwerte nicht umrechnen.</translation>
    </message>
    <message>
        <source>Sensor Parameters:</source>
        <translation>Sensorparameter:</translation>
    </message>
    <message>
        <source>Sensor Parameter settings written successfully.</source>
        <translation>Sensorparameter erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Tank and sensor</source>
        <translation>Tank und Sensor</translation>
    </message>
    <message>
        <source>Level A is the sensor&apos;s minimum above the tank bottom; Level B is the sensor&apos;s range plus Level A.</source>
        <translation>Füllstand A ist das Minimum des Sensors über dem Tankboden; Füllstand B ist der Messbereich des Sensors plus Füllstand A.</translation>
    </message>
    <message>
        <source>Sensor Min. unit</source>
        <translation>Einheit Sensor-Min.</translation>
    </message>
    <message>
        <source>Sensor Max. unit</source>
        <translation>Einheit Sensor-Max.</translation>
    </message>
    <message>
        <source>Sensor Low Values (Level A)</source>
        <translation>Untere Sensorwerte (Füllstand A)</translation>
    </message>
    <message>
        <source>Sensor Min.</source>
        <translation>Sensor-Min.</translation>
    </message>
    <message>
        <source>Sensor Reading</source>
        <translation>Sensormesswert</translation>
    </message>
    <message>
        <source>Sensor High Values (Level B)</source>
        <translation>Obere Sensorwerte (Füllstand B)</translation>
    </message>
    <message>
        <source>Sensor Max.</source>
        <translation>Sensor-Max.</translation>
    </message>
    <message>
        <source>Specific Gravity</source>
        <translation>Spezifisches Gewicht</translation>
    </message>
    <message>
        <source>Sensor Reading Low</source>
        <translation>Sensormesswert unten</translation>
    </message>
    <message>
        <source>Sensor Reading High</source>
        <translation>Sensormesswert oben</translation>
    </message>
    <message>
        <source>Invalid UOM Index</source>
        <translation>Ungültiger Einheitenindex</translation>
    </message>
    <message>
        <source>The sensor parameters on this page allow you to scale the input range of your sensor to the T8310 device. Using this scaling you can allow for the sensor to be set above or below the bottom of the tank.

If the sensor is set 50mm above the bottom, enter 0.05(m) in the Sensor Min box.
If the sensor is a 3 meter sensor, enter 3.0 plus the 0.05 (Min) into the Sensor Max box, i.e. 3.05(m).
(5 meter sensor = 5.05(m) etc.)

For sensors mounted externally below the tank please consult factory.

SG must be entered on this screen.
SG values of common fluids are listed on the maker&apos;s web site.</source>
        <translation>Mit den Sensorparametern auf dieser Seite passen Sie den Eingangsbereich Ihres Sensors an das T8310 an. So kann der Sensor über oder unter dem Tankboden sitzen.

Sitzt der Sensor 50 mm über dem Boden, geben Sie 0,05 (m) im Feld Sensor-Min. ein.
Ist es ein 3-Meter-Sensor, geben Sie 3,0 plus 0,05 (Min.) im Feld Sensor-Max. ein, also 3,05 (m).
(5-Meter-Sensor = 5,05 (m) usw.)

Bei Sensoren, die außen unter dem Tank montiert sind, fragen Sie bitte den Hersteller.

Das spezifische Gewicht (SG) muss auf dieser Seite eingegeben werden.
SG-Werte gängiger Flüssigkeiten finden Sie auf der Website des Herstellers.</translation>
    </message>
</context>
<context>
    <name>TfmSummary</name>
    <message>
        <source>No settings to write for T7310.</source>
        <translation>Für das T7310 gibt es keine Einstellungen zu schreiben.</translation>
    </message>
    <message>
        <source>Totalisation pulses/litre, Tank Safe Capacity and Display Resolution Hysteresis written successfully.</source>
        <translation>Summierimpulse/Liter, sichere Tankkapazität und Hysterese der Anzeigeauflösung erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Tank Safe Capacity and Display Resolution Hysteresis written successfully.</source>
        <translation>Sichere Tankkapazität und Hysterese der Anzeigeauflösung erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>The file could not be created</source>
        <translation>Die Datei konnte nicht angelegt werden</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>Unit Serial Number</source>
        <translation>Seriennummer des Geräts</translation>
    </message>
    <message>
        <source>Display Options</source>
        <translation>Anzeigeoptionen</translation>
    </message>
    <message>
        <source>Display Resolution Hysteresis</source>
        <translation>Hysterese der Anzeigeauflösung</translation>
    </message>
    <message>
        <source>Totalisation pulses/litre</source>
        <translation>Summierimpulse/Liter</translation>
    </message>
    <message>
        <source>Sensor Parameters</source>
        <translation>Sensorparameter</translation>
    </message>
    <message>
        <source>Tank Settings</source>
        <translation>Tankeinstellungen</translation>
    </message>
    <message>
        <source>Safe Working Capacity</source>
        <translation>Sichere Arbeitskapazität</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source> - Direction</source>
        <translation> - Richtung</translation>
    </message>
    <message>
        <source> - Setpoint</source>
        <translation> - Grenzwert</translation>
    </message>
    <message>
        <source> - Hysteresis</source>
        <translation> - Hysterese</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Mount Sensor</source>
        <translation>Sensor montiert</translation>
    </message>
    <message>
        <source>mm off bottom of tank</source>
        <translation>mm über dem Tankboden</translation>
    </message>
    <message>
        <source>Bund Alarm Fitted?</source>
        <translation>Auffangwannenalarm vorhanden?</translation>
    </message>
    <message>
        <source>Comms Type</source>
        <translation>Kommunikationsart</translation>
    </message>
    <message>
        <source>Completed Date</source>
        <translation>Abschlussdatum</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>File saved as</source>
        <translation>Datei gespeichert als</translation>
    </message>
    <message>
        <source>&amp;Read Settings</source>
        <translation>Einstellungen &amp;lesen</translation>
    </message>
    <message>
        <source>&amp;Write Settings</source>
        <translation>Einstellungen &amp;schreiben</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>&amp;Exportieren</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;Drucken</translation>
    </message>
    <message>
        <source>Software Version: </source>
        <translation>Softwareversion: </translation>
    </message>
    <message>
        <source>Node Address: </source>
        <translation>Knotenadresse: </translation>
    </message>
    <message>
        <source>Current Contrast Value: %1%</source>
        <translation>Aktueller Kontrastwert: %1%</translation>
    </message>
    <message>
        <source>Display Resolution: </source>
        <translation>Anzeigeauflösung: </translation>
    </message>
    <message>
        <source>Display Units: </source>
        <translation>Anzeigeeinheit: </translation>
    </message>
    <message>
        <source>Screen Damping: </source>
        <translation>Anzeigedämpfung: </translation>
    </message>
    <message>
        <source>Tank Type: </source>
        <translation>Tanktyp: </translation>
    </message>
    <message>
        <source>Tank Name: </source>
        <translation>Tankname: </translation>
    </message>
    <message>
        <source>Enable 4-20mA Output: </source>
        <translation>4-20-mA-Ausgang aktiv: </translation>
    </message>
    <message>
        <source>Mirror 4-20mA Input: </source>
        <translation>4-20-mA-Eingang spiegeln: </translation>
    </message>
    <message>
        <source>mA Level: </source>
        <translation>mA Füllstand: </translation>
    </message>
    <message>
        <source> Meters Water</source>
        <translation> Meter Wassersäule</translation>
    </message>
    <message>
        <source>Specific Gravity: </source>
        <translation>Spezifisches Gewicht: </translation>
    </message>
    <message>
        <source>4mA - 20mA = 0 to %1 Litres</source>
        <translation>4 mA - 20 mA = 0 bis %1 Liter</translation>
    </message>
    <message>
        <source> - Direction: </source>
        <translation> - Richtung: </translation>
    </message>
    <message>
        <source> - Setpoint: </source>
        <translation> - Grenzwert: </translation>
    </message>
    <message>
        <source> - Hysteresis: </source>
        <translation> - Hysterese: </translation>
    </message>
    <message>
        <source>Sensor Distance</source>
        <translation>Sensorabstand</translation>
    </message>
</context>
<context>
    <name>TfmTableChart</name>
    <message>
        <source>Fit Chart</source>
        <translation>Peiltabelle anpassen</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Choose the strapping chart&apos;s CSV file.</source>
        <translation>Wählen Sie die CSV-Datei der Peiltabelle.</translation>
    </message>
    <message>
        <source>C&amp;hart file:</source>
        <translation>&amp;Peiltabellendatei:</translation>
    </message>
    <message>
        <source>Chart h&amp;eight unit:</source>
        <translation>&amp;Höheneinheit der Peiltabelle:</translation>
    </message>
    <message>
        <source>Chart v&amp;olume unit:</source>
        <translation>V&amp;olumeneinheit der Peiltabelle:</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>P&amp;unkte:</translation>
    </message>
    <message>
        <source>Table &amp;length unit:</source>
        <translation>&amp;Längeneinheit der Tabelle:</translation>
    </message>
    <message>
        <source>Table &amp;volume unit:</source>
        <translation>&amp;Volumeneinheit der Tabelle:</translation>
    </message>
</context>
<context>
    <name>TfmTableShape</name>
    <message>
        <source>Generate Table</source>
        <translation>Tabelle berechnen</translation>
    </message>
    <message>
        <source>Horizontal cylinder</source>
        <translation>Liegender Zylinder</translation>
    </message>
    <message>
        <source>Vertical cylinder</source>
        <translation>Stehender Zylinder</translation>
    </message>
    <message>
        <source>Sphere</source>
        <translation>Kugel</translation>
    </message>
    <message>
        <source>empty: 2:1 ellipsoidal</source>
        <translation>leer: 2:1 elliptisch</translation>
    </message>
    <message>
        <source>Least worst error</source>
        <translation>Kleinster größter Fehler</translation>
    </message>
    <message>
        <source>Equal heights</source>
        <translation>Gleiche Höhenabstände</translation>
    </message>
    <message>
        <source>The %1 %2 is not a number.</source>
        <translation>%1 %2 ist keine Zahl.</translation>
    </message>
    <message>
        <source>Enter the tank&apos;s inside diameter.</source>
        <translation>Geben Sie den Innendurchmesser des Tanks ein.</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>Flach</translation>
    </message>
    <message>
        <source>Hemispherical</source>
        <translation>Halbkugelförmig</translation>
    </message>
    <message>
        <source>Ellipsoidal</source>
        <translation>Elliptisch</translation>
    </message>
    <message>
        <source>Torispherical (ASME F&amp;D)</source>
        <translation>Klöpperboden (ASME F&amp;D)</translation>
    </message>
    <message>
        <source>Conical</source>
        <translation>Kegelförmig</translation>
    </message>
    <message>
        <source>&amp;Shape:</source>
        <translation>&amp;Form:</translation>
    </message>
    <message>
        <source>&amp;Diameter (inside):</source>
        <translation>&amp;Durchmesser (innen):</translation>
    </message>
    <message>
        <source>&amp;Length (straight part):</source>
        <translation>&amp;Länge (gerader Teil):</translation>
    </message>
    <message>
        <source>&amp;Heads:</source>
        <translation>&amp;Böden:</translation>
    </message>
    <message>
        <source>&amp;Bottom head:</source>
        <translation>&amp;Unterer Boden:</translation>
    </message>
    <message>
        <source>&amp;Top head:</source>
        <translation>&amp;Oberer Boden:</translation>
    </message>
    <message>
        <source>Head d&amp;epth:</source>
        <translation>Boden&amp;tiefe:</translation>
    </message>
    <message>
        <source>&amp;Points:</source>
        <translation>&amp;Punkte:</translation>
    </message>
    <message>
        <source>Spa&amp;cing:</source>
        <translation>&amp;Abstände:</translation>
    </message>
    <message>
        <source>Len&amp;gth unit:</source>
        <translation>Län&amp;geneinheit:</translation>
    </message>
    <message>
        <source>&amp;Volume unit:</source>
        <translation>&amp;Volumeneinheit:</translation>
    </message>
</context>
<context>
    <name>TfmTankType</name>
    <message>
        <source>Tank Setup allows you to specify the tank type you wish to linearise.

There are 4 built in tank types: a horizontal cylinder with 2 endcaps, a cuboid, a vertical cyclinder with 2 endcaps, and a vertical cylinder.

Select the non standard tank type if you wish to manually enter your tank parameters.  Select type &apos;none&apos; if there is no tank information required.

The tank name will be displayed when the Scroll screen button is pressed.</source>
        <translation>Unter Tankeinstellungen wählen Sie den Tanktyp, der linearisiert werden soll.

Es gibt 4 eingebaute Tanktypen: einen liegenden Zylinder mit 2 Böden, einen Quader, einen stehenden Zylinder mit 2 Böden und einen stehenden Zylinder.

Wählen Sie den Sondertank, wenn Sie die Tankparameter von Hand eingeben möchten.  Wählen Sie &apos;keiner&apos;, wenn keine Tankangaben nötig sind.

Der Tankname wird angezeigt, wenn die Taste zum Weiterblättern gedrückt wird.</translation>
    </message>
    <message>
        <source>No tank type selected.

The display will always show a reading of 0</source>
        <translation>Kein Tanktyp gewählt.

Die Anzeige zeigt immer den Wert 0</translation>
    </message>
    <message>
        <source>Non standard tank selected.

Please use the settings on the manual linearisation page to configure this tank.

You must press &apos;Write Settings&apos; before this page will appear.</source>
        <translation>Sondertank gewählt.

Bitte richten Sie diesen Tank auf der Seite Manuelle Linearisierung ein.

Sie müssen &apos;Einstellungen schreiben&apos; drücken, bevor diese Seite erscheint.</translation>
    </message>
    <message>
        <source>Tank Setup:</source>
        <translation>Tankeinstellungen:</translation>
    </message>
    <message>
        <source>Tank settings written successfully.</source>
        <translation>Tankeinstellungen erfolgreich geschrieben.</translation>
    </message>
    <message>
        <source>Tank type:</source>
        <translation>Tanktyp:</translation>
    </message>
    <message>
        <source>Tank name:</source>
        <translation>Tankname:</translation>
    </message>
    <message>
        <source>Tank units of measure:</source>
        <translation>Maßeinheit des Tanks:</translation>
    </message>
    <message>
        <source>Tank parameters:</source>
        <translation>Tankparameter:</translation>
    </message>
    <message>
        <source>4-20mA Output Options:</source>
        <translation>Optionen des 4-20-mA-Ausgangs:</translation>
    </message>
    <message>
        <source>Enable 4-20mA Output</source>
        <translation>4-20-mA-Ausgang aktivieren</translation>
    </message>
    <message>
        <source>Mirror 4-20mA Sensor Input</source>
        <translation>4-20-mA-Sensoreingang spiegeln</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keiner</translation>
    </message>
    <message>
        <source>Horz. Cylinder 2 Endcaps</source>
        <translation>Lieg. Zylinder 2 Böden</translation>
    </message>
    <message>
        <source>Cuboid</source>
        <translation>Quader</translation>
    </message>
    <message>
        <source>Vert. Cyclinder 2 Endcaps</source>
        <translation>Steh. Zylinder 2 Böden</translation>
    </message>
    <message>
        <source>Vertical Cylinder</source>
        <translation>Stehender Zylinder</translation>
    </message>
    <message>
        <source>Non standard</source>
        <translation>Sondertank</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Diameter</source>
        <translation>Durchmesser</translation>
    </message>
    <message>
        <source>One Dish =</source>
        <translation>Ein Boden =</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Füllhöhe</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
</context>
<context>
    <name>TfmTrafficMonitor</name>
    <message>
        <source>Traffic Monitor</source>
        <translation>Datenverkehr</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>Sa&amp;ve...</source>
        <translation>&amp;Speichern...</translation>
    </message>
    <message>
        <source>Link statistics</source>
        <translation>Verbindungsstatistik</translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation>Datenverkehr</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>Save Traffic</source>
        <translation>Datenverkehr speichern</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>The traffic could not be saved to %1:
%2</source>
        <translation>Der Datenverkehr konnte nicht in %1 gespeichert werden:
%2</translation>
    </message>
</context>
</TS>
