#include <QDebug>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

#include "app/window_controls.h"
#include "shell_fixture.h"

// Run on a virtual X server of a given size (see CMakeLists.txt): the window must fit the screen
// whatever its size, and on a screen big enough keep its full-size layout.
namespace vortane {
namespace {

using SmallScreenTest = testing::ShellFixture;

QRect GlobalRect(const QWidget* widget) {
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

TEST_F(SmallScreenTest, FrameMenuBarAndStatusBarLieInsideTheScreen) {
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

    const QSize client = window->client_area().size();
    const bool fits = screen.width() >= client.width() && screen.height() >= client.height() + 60;
    if (fits) {
        // The full-size window, centred, its controls straight in it.
        EXPECT_EQ(window->scroll_area(), nullptr);
        EXPECT_EQ(window->centralWidget(), &window->client_area());
        EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    } else {
        ASSERT_NE(window->scroll_area(), nullptr);
        EXPECT_EQ(frame.topLeft(), screen.topLeft());
        // Shrunk only as far as the screen needs.
        EXPECT_TRUE(frame.width() == screen.width() ||
                    !window->scroll_area()->horizontalScrollBar()->isVisible());
        EXPECT_TRUE(frame.height() == screen.height() ||
                    !window->scroll_area()->verticalScrollBar()->isVisible());
    }
}

// Each control can be scrolled into view, whole, inside the window and the screen.
TEST_F(SmallScreenTest, EveryControlCanBeScrolledIntoView) {
    const QRect screen = window->screen()->availableGeometry();
    QScrollArea* scroll = window->scroll_area();
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
