// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application object: an error that escapes an event handler (a menu command, a button,
// a timer) is shown in the exception box with its text, and the program goes on.

#include <QApplication>

#include <exception>

class TZurApplication : public QApplication {
    Q_OBJECT
public:
    TZurApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The exception box: an error box with the text of the exception being handled.
    static void ShowException(std::exception_ptr error);
    // Runs action; an error escaping it goes to the exception box. True when none escaped.
    template <class Action> static bool Guard(Action&& action) {
        try {
            action();
            return true;
        } catch (...) {
            ShowException(std::current_exception());
            return false;
        }
    }
};
