// SPDX-License-Identifier: GPL-3.0-or-later
#include "ZurApplication.h"

#include "DialogService.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

namespace {

// Children of the application object, so they go with it; the guards then read null.
QPointer<QTranslator> g_windowTranslator;
QPointer<QTranslator> g_qtTranslator;

void Replace(QPointer<QTranslator>& slot, const QLocale& locale, const QString& name,
             const QString& folder) {
    delete slot.data();
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), folder)) {
        QCoreApplication::installTranslator(translator);
        slot = translator;
    } else {
        delete translator;
    }
}

} // namespace

TZurApplication::TZurApplication(int& argc, char** argv) : QApplication(argc, argv) {
    InstallTranslations(QLocale::system());
}

void TZurApplication::InstallTranslations(const QLocale& locale) {
    Replace(g_windowTranslator, locale, QStringLiteral("t7310-configurator"),
            QStringLiteral(":/translations"));
    Replace(g_qtTranslator, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

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
        text = tr("An unknown error occurred.");
    }
    // A box can itself fail (for example while the application is going down); the error
    // has been seen by then or cannot be shown at all, so nothing more is done.
    try {
        Dialogs().Error(QApplication::activeWindow(), text);
    } catch (...) {
    }
}
