// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditHistory.h"

#include "DeviceImage.h"
#include "Page.h"
#include "ZURSettings.h"
#include "ZurEditGrid.h"

#include <QApplication>
#include <QPointer>
#include <QUndoCommand>

namespace {

enum TStepKind { skInput = 1 };

// A step holding a value before and after an edit that had already happened when the step was
// pushed: its first redo has nothing to do.
template <typename TValue>
class TDoneEdit : public QUndoCommand {
public:
    TDoneEdit(const QString& text, TValue before, TValue after, QUndoCommand* step)
        : QUndoCommand(text, step), Before(std::move(before)), After(std::move(after)) {}

    void undo() override { Put(Before); }
    void redo() override {
        if (Done)
            Put(After);
        Done = true;
    }

protected:
    virtual void Put(const TValue& value) = 0;

    TValue Before;
    TValue After;

private:
    bool Done = false;
};

// One control's value before and after the user's edit.
class TInputEdit final : public TDoneEdit<QString> {
public:
    TInputEdit(TEditHistory& history, TZURPage* page, QWidget* control, QString before,
               QString after, int visit, QUndoCommand* step = nullptr)
        : TDoneEdit(page->InputName(control), std::move(before), std::move(after), step),
          History(history), Page(page), Control(control), Visit(visit) {}

    int id() const override { return skInput; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const TInputEdit*>(other);
        if (next->Control != Control || next->Visit != Visit)
            return false;
        After = next->After;
        // Typed back to where it started: no step left.
        setObsolete(After == Before);
        return true;
    }

private:
    void Put(const QString& value) override {
        if (!Page || !Control)
            return;
        if (History.Reveal)
            History.Reveal(Control);
        Page->RestoreInput(Control, value);
        Control->setFocus(Qt::OtherFocusReason);
    }

    TEditHistory& History;
    QPointer<TZURPage> Page;
    QPointer<QWidget> Control;
    int Visit;
};

// A setting's value in the device image, a number or a text.
struct TImageValue {
    uint32_t Raw = 0;
    std::string Text;
    bool operator==(const TImageValue&) const = default;
};

TImageValue ValueIn(TDeviceImage& image, const TZURSetting& setting) {
    if (const std::string* text = setting.Where.Text(image))
        return {0, *text};
    return {setting.Value(image), {}};
}

// The image's side of an edit made in the list of all settings.
class TImageEdit final : public TDoneEdit<TImageValue> {
public:
    TImageEdit(TDeviceImage& image, const TZURSetting& setting, TImageValue before,
               TImageValue after, QUndoCommand* step)
        : TDoneEdit(QString(), std::move(before), std::move(after), step), Image(image),
          Setting(setting) {}

private:
    void Put(const TImageValue& value) override {
        if (std::string* text = Setting.Where.Text(Image))
            *text = value.Text;
        else
            Setting.SetValue(Image, value.Raw);
    }

    TDeviceImage& Image;
    const TZURSetting& Setting;
};

// The table grid's cells before and after one edit (a cell typed, a paste, a fill).
class TGridEdit final : public TDoneEdit<TTableRows> {
public:
    TGridEdit(TEditHistory& history, TZUREditGrid* grid, TTableRows before, TTableRows after,
              const QString& what)
        : TDoneEdit(what, std::move(before), std::move(after), nullptr), History(history),
          Grid(grid) {}

private:
    void Put(const TTableRows& rows) override {
        if (!Grid)
            return;
        if (History.Reveal)
            History.Reveal(Grid);
        Grid->RestoreRows(rows);
    }

    TEditHistory& History;
    QPointer<TZUREditGrid> Grid;
};

} // namespace

struct TEditHistory::TSettingEdit {
    TDeviceImage& Image;
    const TZURSetting& Setting;
    TImageValue Before;
    QPointer<TZURPage> Page = {};
    QPointer<QWidget> Control = {};
    QString ControlBefore = {};
    QString ControlAfter = {};
};

TEditHistory::TEditHistory(QObject* parent) : QObject(parent) {
    connect(qApp, &QApplication::focusChanged, this, [this] { ++FocusVisit_; });
}

TEditHistory::~TEditHistory() = default;

void TEditHistory::Watch(TZURPage* page) {
    connect(page, &TZURPage::InputEdited, this,
            [this, page](QWidget* control, const QString& before, const QString& after) {
                if (Pending_) {
                    // Shown from the list: one step with the image's value.
                    Pending_->Page = page;
                    Pending_->Control = control;
                    Pending_->ControlBefore = before;
                    Pending_->ControlAfter = after;
                    return;
                }
                Stack_.push(new TInputEdit(*this, page, control, before, after, FocusVisit_));
            });
    connect(page, &TZURPage::ShownAgain, this, [this] { Clear(); });
    for (TZUREditGrid* grid : page->findChildren<TZUREditGrid*>())
        connect(
            grid, &TZUREditGrid::RowsEdited, this,
            [this, grid](const TTableRows& before, const TTableRows& after, const QString& what) {
                Stack_.push(new TGridEdit(*this, grid, before, after, what));
            });
}

void TEditHistory::Clear() {
    Stack_.clear();
}

void TEditHistory::BeginSettingEdit(TDeviceImage& image, const TZURSetting* setting) {
    Pending_.reset(new TSettingEdit{image, *setting, ValueIn(image, *setting)});
}

void TEditHistory::EndSettingEdit() {
    if (!Pending_)
        return;
    const std::unique_ptr<TSettingEdit> edit = std::move(Pending_);
    TImageValue after = ValueIn(edit->Image, edit->Setting);
    const bool shown = edit->Page && edit->Control;
    if (after == edit->Before && !shown)
        return;
    // Undone in the reverse order: the image's value first, so the list shows it as the
    // page's control goes back.
    auto* step = new QUndoCommand(QString::fromStdString(edit->Setting.Name));
    if (shown)
        new TInputEdit(*this, edit->Page, edit->Control, edit->ControlBefore, edit->ControlAfter,
                       FocusVisit_, step);
    new TImageEdit(edit->Image, edit->Setting, edit->Before, std::move(after), step);
    Stack_.push(step);
}
