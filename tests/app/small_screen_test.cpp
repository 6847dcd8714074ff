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
    SCOPED_TRACE(QStringLiteral("screen %1x%2, frame %3,%4 %5x%6")
                     .arg(screen.width())
                     .arg(screen.height())
                     .arg(frame.x())
                     .arg(frame.y())
                     .arg(frame.width())
                     .arg(frame.height())
                     .toStdString());
    EXPECT_TRUE(screen.contains(frame));
    EXPECT_TRUE(screen.contains(GlobalRect(window->menuBar())));
    EXPECT_TRUE(screen.contains(GlobalRect(window->statusBar())));
    EXPECT_TRUE(window->menuBar()->isVisible());
    EXPECT_TRUE(window->statusBar()->isVisible());

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

// Keyboard users reach a control outside the visible part by Tab: the area scrolls to it.
TEST_F(SmallScreenTest, TabScrollsTheFocusedControlIntoView) {
    QScrollArea* scroll = window->scroll_area();
    if (scroll == nullptr) {
        GTEST_SKIP() << "the whole window fits this screen";
    }
    QWidget* last = Control<QWidget>(ParamId::Y2On);
    QWidget* before = last->previousInFocusChain();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), last);
    EXPECT_TRUE(GlobalRect(scroll->viewport()).contains(GlobalRect(last)));
}

} // namespace
} // namespace vortane
