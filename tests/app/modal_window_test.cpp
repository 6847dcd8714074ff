#include <QLabel>

#include "app/shell_style.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

class ModalWindowTest : public testing::ShellFixture, public ::testing::WithParamInterface<const char*> {};

// While Help, About or the controller window is open, Escape, the close box, a slider key and the
// Play button reach the main window's widgets but none of their events run. Escape, Return and a
// click inside do not end Help or the controller window (About's buttons answer them); only the
// close box does. Afterwards the widgets show the parameters again and the window acts as usual,
// its Escape ending the program at once.
TEST_P(ModalWindowTest, DropsTheMainWindowsEventsAndClosesOnlyByItsCloseBox) {
    const bool message_box = std::string_view(GetParam()) == "About";
    auto* y2 = Control<QSlider>(ParamId::Y2);
    int shown_in_modal = 0;
    bool open_after_keys = true;
    ASSERT_TRUE(testing::InModalWindow(testing::MenuItem(*window, GetParam()), [&](QWidget& modal) {
        if (!message_box) {
            QTest::keyClick(modal.focusWidget() != nullptr ? modal.focusWidget() : &modal, Qt::Key_Escape);
            QTest::keyClick(&modal, Qt::Key_Escape);
            QTest::keyClick(&modal, Qt::Key_Return);
            QTest::mouseClick(&modal, Qt::LeftButton, {}, QPoint(2, 2));
            QTest::qWait(20);
            open_after_keys = modal.isVisible() && QApplication::activeModalWidget() == &modal;
        }
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        window->close();
        QTest::keyClick(y2, Qt::Key_Up);
        QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
        shown_in_modal = y2->value();
        modal.close();
    }));
    EXPECT_TRUE(open_after_keys);
    EXPECT_FALSE(window->quit_requested());
    EXPECT_EQ(shown_in_modal, 96);               // the slider itself moved ...
    EXPECT_EQ(params().Get(ParamId::Y2), 95.0f); // ... but its event did not run
    EXPECT_EQ(y2->value(), 95);
    EXPECT_FALSE(transport().gate_open());
    QTest::keyClick(y2, Qt::Key_Up);
    EXPECT_EQ(Point(Coordinate::Y2), 0.96f);
    // The user's next key comes after the window events that closing the window raised.
    EXPECT_TRUE(LoopEndsAfter([&] {
        QCoreApplication::processEvents();
        QTest::keyClick(window, Qt::Key_Escape);
    }));
}

INSTANTIATE_TEST_SUITE_P(Windows, ModalWindowTest, ::testing::Values("Help", "About", "Midi Controllers"));

using ControllerWindowInTheShell = testing::ShellFixture;

// The captions of both windows fit their controls: in the condensed face where it is installed, and
// where it is missing (a face of no machine here) in the face the system falls back to, stepped down
// until they fit. The controller window's captions are in the main window's face, no larger.
TEST_F(ControllerWindowInTheShell, CaptionsFitWithOrWithoutTheCondensedFace) {
    for (const bool missing : {false, true}) {
        if (missing) {
            QFont font(QStringLiteral("Vortane No Such Face"));
            font.setPixelSize(10);
            window->setFont(font);
            FitCaptionFont(*window);
        }
        SCOPED_TRACE(missing ? "face missing" : "the window's own font");
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
        ASSERT_TRUE(testing::InControllerWindow(*window, [&](ControllerWindow& controllers) {
            for (int slot = 1; slot <= kSlotCount; ++slot) {
                const QLabel* label = controllers.Label(slot);
                SCOPED_TRACE(label->text().toStdString());
                EXPECT_EQ(label->font().family(), window->font().family());
                EXPECT_LE(label->font().pixelSize(), window->font().pixelSize());
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
                EXPECT_LT(label->geometry().right(), controllers.List(slot)->geometry().left());
                EXPECT_EQ(controllers.List(slot)->accessibleName(), label->text());
            }
            controllers.close();
        }));
    }
}

} // namespace
} // namespace vortane
