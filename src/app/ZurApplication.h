// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application object: an error that escapes an event handler (a menu command, a button,
// a timer) is shown in the exception box with its text, and the program goes on. It speaks the
// language of the desktop's locale where a translation exists.

#include <QApplication>
#include <QLocale>

#include <exception>

class TZurApplication : public QApplication {
    Q_OBJECT
public:
    TZurApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Installs the window's translation for locale's language and Qt's own (the buttons and
    // texts of the standard dialogs), replacing those installed before; a language without a
    // translation stays English. The application object installs the system locale's.
    static void InstallTranslations(const QLocale& locale);

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
