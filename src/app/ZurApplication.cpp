// SPDX-License-Identifier: GPL-3.0-or-later
#include "ZurApplication.h"

#include "DialogService.h"

#include <QApplication>
#include <QWidget>

TZurApplication::TZurApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TZurApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(std::current_exception());
        return true;
    }
}

void TZurApplication::ShowException(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QStringLiteral("An unknown error occurred.");
    }
    // A box can itself fail (for example while the application is going down); the error
    // has been seen by then or cannot be shown at all, so nothing more is done.
    try {
        Dialogs().Error(QApplication::activeWindow(), text);
    } catch (...) {
    }
}
