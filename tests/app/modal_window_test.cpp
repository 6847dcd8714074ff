#include <QPushButton>
#include <QSlider>

#include "app/help_text.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

class ModalWindowTest : public testing::ShellFixture, public ::testing::WithParamInterface<const char*> {};

// While Help or About is open, Escape, the close box, a slider key and the Play button reach the
// main window's widgets but none of their events run; afterwards the window acts as usual.
TEST_P(ModalWindowTest, DropsTheMainWindowsEvents) {
    auto* y2 = Control<QSlider>(id::kY2);
    bool ran = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
            window->close();
            QTest::keyClick(y2, Qt::Key_Up);
            QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
            ran = true;
            modal->close();
        }
    });
    MenuItem(GetParam())->trigger();
    ASSERT_TRUE(ran);
    EXPECT_FALSE(window->quit_requested());
    EXPECT_EQ(controls().panel().GetState(id::kY2), 96); // the slider itself moved ...
    EXPECT_EQ(Params().points[3], 0.95f);                // ... but its event did not run
    EXPECT_EQ(controls().output_gate(), 0);
    QTest::keyClick(y2, Qt::Key_Up);
    EXPECT_EQ(Params().points[3], 0.97f);
}

INSTANTIATE_TEST_SUITE_P(Windows, ModalWindowTest, ::testing::Values("Help", "About"));

TEST(HelpText, PiecesAreJoinedByCarriageReturnsWithEmptyLinesBetweenParagraphs) {
    const std::string text = HelpText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 40); // 31 pieces, 9 paragraph ends
    EXPECT_EQ(
        text.rfind(
            "\rBest way to get to know Vortane: Press Play and just play around with the settings!\r\r", 0),
        0u);
    EXPECT_NE(text.find("\rdifference immediately, but then...off it goes.\r\rIn the 'Frequency Barriers"),
              std::string::npos);
    EXPECT_NE(text.find("if you tick 'X1 Negative'- \rwhat this does"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 26), "\rbe re-routed through it.\r");
}

} // namespace
} // namespace vortane
