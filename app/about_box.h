#pragma once

#include <memory>

class QMessageBox;
class QWidget;

namespace vortane {

// The About box: title "About", the version and the two-line description, one OK button, no
// icon. It is modal to the whole program while it is shown.
std::unique_ptr<QMessageBox> CreateAboutBox(QWidget* owner);

// Shows the box and returns when it is dismissed.
void ShowAboutBox(QWidget* owner);

} // namespace vortane
