// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One undo history for a window's pages: the user's edits of every page's tracked controls
// and of its table grids, in the order made, until the pages show what the gauge or a file
// holds again (a read, a load or a write), which ends the history.

#include <QObject>
#include <QUndoStack>

#include <functional>
#include <memory>

class QWidget;
struct TDeviceImage;
class TZURPage;
struct TZURSetting;

class TEditHistory : public QObject {
    Q_OBJECT
public:
    explicit TEditHistory(QObject* parent = nullptr);
    ~TEditHistory() override;

    QUndoStack& Stack() { return Stack_; }
    // The page's edits become steps; the page shown again ends the history.
    void Watch(TZURPage* page);
    void Clear();
    // A value stored in the image from elsewhere (the list of all settings) and then shown on
    // its page: one step that puts back both the image's value and the page's control.
    void BeginSettingEdit(TDeviceImage& image, const TZURSetting* setting);
    void EndSettingEdit();

    // Brings what holds the widget into view (the window's tab of its page) before an undo or
    // redo changes it; without one, nothing is brought into view.
    std::function<void(QWidget*)> Reveal;

private:
    struct TSettingEdit;
    std::unique_ptr<TSettingEdit> Pending_;
    QUndoStack Stack_;
    // Typing in one box is one step until the focus moves on.
    int FocusVisit_ = 0;
};
