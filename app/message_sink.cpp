#include "app/message_sink.h"

#include <QMessageBox>

namespace vortane {

void MessageBoxSink::ShowMessage(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
}

} // namespace vortane
