// The program: the application object, the main window and the message loop. Nothing is read
// from the command line or the environment.

#include "FmMain.h"
#include "ZurApplication.h"

#include <memory>

int main(int argc, char** argv) {
    TZurApplication application(argc, argv);
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
