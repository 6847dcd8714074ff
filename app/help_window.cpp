#include "app/help_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextEdit>

#include "app/help_text.h"

namespace vortane {
namespace {

constexpr int kClientWidth = 620;
constexpr int kClientHeight = 373;

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
}

} // namespace

HelpWindow::HelpWindow()
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      text_view_(new QTextEdit(this)) {
    setWindowTitle(QStringLiteral("Vortane Help"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kClientWidth, kClientHeight);

    text_view_->setGeometry(5, 5, 610, 360);
    text_view_->setAcceptRichText(false);
    text_view_->setReadOnly(true);
    text_view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_view_->setLineWrapMode(QTextEdit::NoWrap);
    text_view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_view_->setPlainText(HelpTextForDisplay());
    text_view_->setAccessibleName(QStringLiteral("Help text"));
    CentreOnScreen(*this);
}

// Escape is the main window's quit key: here it does nothing, and only the close box ends the window.
void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event); // not QDialog's, which would end the window on Escape or Enter
}

void ShowHelpWindow() {
    HelpWindow window;
    window.exec();
}

} // namespace vortane
