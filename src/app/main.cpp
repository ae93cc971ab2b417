// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the application object, the main window and the message loop. Of the command
// line only --help and --version are the program's own; Qt takes its standard options.

#include "FmMain.h"
#include "ProgramSettings.h"
#include "ZurApplication.h"

#include <QIcon>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kUsage =
    "usage: t7310-configurator [--help] [--version] [Qt options]\n"
    "\n"
    "Configures T7310 / T8310 tank-contents gauges on an RS-485 bus through a serial port.\n"
    "The port, baud rate and node ID are chosen in the window and kept between runs.\n"
    "\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "Qt's standard options are accepted as well, for example -platform offscreen or\n"
    "-style Fusion.\n"
    "\n"
    "Files: ~/.config/ZUR/Configurator.conf (port, baud rate, last node ID),\n"
    "~/.config/ZUR/Ports.conf (COM numbers mapped to serial devices).\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before the application object exists, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("t7310-configurator %s\n", qPrintable(ReadFileVersion()));
            return 0;
        }
    }

    TZurApplication application(argc, argv);
    // Lets the desktop pair the window with its menu entry and icon.
    TZurApplication::setDesktopFileName(QStringLiteral("t7310-configurator"));
    TZurApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("t7310-configurator")));
    try {
        auto window = std::make_unique<TfmMain>();
        window->show();
        return application.exec();
    } catch (...) {
        // An error that escapes the start-up or the loop is shown; the program then ends
        // normally.
        TZurApplication::ShowException(std::current_exception());
    }
    return 0;
}
