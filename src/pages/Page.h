#pragma once

// What the main window needs of a settings page: each page is a borderless child placed in
// its host (a tab sheet), works on the one device object, and is enabled while connected.
// Pages whose entries Write All Settings stores first also offer a gather operation
// (GatherDisplayOptions, GatherSensorParameters, ...): it checks the entries, reports a bad
// one itself, stores good ones in the device image and returns success.

#include <QWidget>

class T7310;

class TZURPage : public QWidget {
    Q_OBJECT
public:
    // The page becomes a child of host. The main window destroys the device object before
    // its pages, so a page's destructor must not use it.
    TZURPage(QWidget* host, T7310& device);
    ~TZURPage() override;

    // Called by the main window on connect (true) and disconnect (false).
    virtual void SetPageEnabled(bool enabled) = 0;

protected:
    T7310& Device;
};
