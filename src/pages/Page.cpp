#include "Page.h"

TZURPage::TZURPage(QWidget* host, T7310& device) : QWidget(host), Device(device) {
    // A borderless child form: it fills its host and draws no frame of its own.
    setWindowFlags(Qt::Widget);
    setContentsMargins(0, 0, 0, 0);
}

TZURPage::~TZURPage() = default;
