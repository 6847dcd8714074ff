#include "app/about_box.h"

#include <QMessageBox>

namespace vortane {

std::unique_ptr<QMessageBox> CreateAboutBox(QWidget* owner) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::NoIcon, QStringLiteral("About"),
        QStringLiteral("Vortane v1.01\nDynamic Stochastic\nBezier Synthesizer"), QMessageBox::Ok, owner);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void ShowAboutBox(QWidget* owner) {
    CreateAboutBox(owner)->exec();
}

} // namespace vortane
