#include <QDebug>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

#include "app/window_controls.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using SmallScreenTest = testing::ShellFixture;

QRect GlobalRect(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// Run on screens of several sizes (see CMakeLists.txt): the window, its menu bar and status bar lie
// inside the screen whatever its size, and every control can be scrolled into view, whole; on a
// screen big enough the window keeps its full-size layout, centred.
TEST_F(SmallScreenTest, WindowAndEveryControlFitTheScreen) {
    const QRect screen = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    QString shown;
    QDebug(&shown) << "screen" << screen << "frame" << frame;
    SCOPED_TRACE(shown.toStdString());
    EXPECT_TRUE(screen.contains(frame));
    EXPECT_TRUE(screen.contains(GlobalRect(window->menuBar())));
    EXPECT_TRUE(screen.contains(GlobalRect(window->statusBar())));
    EXPECT_TRUE(window->menuBar()->isVisible());
    EXPECT_TRUE(window->statusBar()->isVisible());
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the user cannot resize the window";

    QScrollArea* scroll = window->scroll_area();
    const QSize client = window->client_area().size();
    if (screen.width() >= client.width() && screen.height() >= client.height() + 60) {
        EXPECT_EQ(scroll, nullptr);
        EXPECT_EQ(window->centralWidget(), &window->client_area());
        EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    } else {
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(frame.topLeft(), screen.topLeft());
        // Shrunk only as far as the screen needs.
        EXPECT_TRUE(frame.width() == screen.width() || !scroll->horizontalScrollBar()->isVisible());
        EXPECT_TRUE(frame.height() == screen.height() || !scroll->verticalScrollBar()->isVisible());
    }

    const QWidget* view = scroll != nullptr ? scroll->viewport() : &window->client_area();
    for (const WindowControl& info : MainWindowControls()) {
        if (info.kind == ControlKind::Frame || info.kind == ControlKind::Label) {
            continue;
        }
        SCOPED_TRACE(info.id);
        QWidget* control = window->controls().Widget(info.id);
        if (scroll != nullptr) {
            scroll->ensureWidgetVisible(control, 0, 0);
        }
        EXPECT_TRUE(GlobalRect(view).contains(GlobalRect(control)));
        EXPECT_TRUE(screen.contains(GlobalRect(control)));
    }
}

} // namespace
} // namespace vortane
