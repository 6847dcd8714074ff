#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTextBlock>
#include <QTextEdit>

#include "app/help_text.h"
#include "app/help_window.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using ModalWindowTest = testing::ShellFixture;

// Runs `while_open` once the modal window that `open` shows is up, then closes that window.
template <typename Open, typename WhileOpen> bool RunWhileModal(Open open, WhileOpen while_open) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr) {
            while_open(modal);
            ran = true;
            modal->close();
        }
    });
    open();
    return ran;
}

TEST_F(ModalWindowTest, HelpWindowDropsTheMainWindowsEvents) {
    auto* y2 = Control<QSlider>(id::kY2);
    QString modal_title;
    const bool ran = RunWhileModal([&] { MenuItem("Help")->trigger(); },
                                   [&](QWidget* modal) {
                                       modal_title = modal->windowTitle();
                                       QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
                                       window->close();
                                       QTest::keyClick(y2, Qt::Key_Up); // reaches the slider only
                                       QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
                                   });
    ASSERT_TRUE(ran);
    EXPECT_EQ(modal_title, "Vortane Help");
    EXPECT_FALSE(window->quit_requested());
    EXPECT_EQ(y2->value(), 96);
    EXPECT_EQ(engine().panel.GetState(id::kY2), 96); // the slider itself moved ...
    EXPECT_EQ(Get(engine().state.y2), 0.95f);        // ... but its event did not run
    EXPECT_EQ(Get(engine().state.output_gate), 0);

    // Nothing was queued: the window still runs, and the next event acts as usual.
    QTest::keyClick(y2, Qt::Key_Up);
    EXPECT_EQ(Get(engine().state.y2), 0.97f);
    EXPECT_FALSE(window->quit_requested());
}

TEST_F(ModalWindowTest, AboutBoxShowsTheVersionAndDropsEscape) {
    QString title, text;
    const bool ran = RunWhileModal([&] { MenuItem("About")->trigger(); },
                                   [&](QWidget* modal) {
                                       auto* box = qobject_cast<QMessageBox*>(modal);
                                       ASSERT_NE(box, nullptr);
                                       title = box->windowTitle();
                                       text = box->text();
                                       EXPECT_EQ(box->buttons().size(), 1);
                                       EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
                                       QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
                                   });
    ASSERT_TRUE(ran);
    EXPECT_EQ(title, "About");
    EXPECT_EQ(text, "Vortane v1.01\nDynamic Stochastic\nBezier Synthesizer");
    EXPECT_FALSE(window->quit_requested());
}

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
    EXPECT_NE(text.find("the frequency of which is set \rby the Frq slider"), std::string::npos);
    EXPECT_NE(text.find("and the audio will \rbe re-routed through it.\r"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 26), "\rbe re-routed through it.\r");
}

TEST(HelpWindowLayout, ShowsTheTextReadOnlyWithoutWrappingFromTheTop) {
    for (int opening = 0; opening < 2; ++opening) {
        HelpWindow help;
        EXPECT_EQ(help.windowTitle(), "Vortane Help");
        EXPECT_EQ(help.size(), QSize(620, 373));
        EXPECT_EQ(help.parentWidget(), nullptr);
        EXPECT_EQ(help.windowModality(), Qt::ApplicationModal);
        EXPECT_FALSE(help.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        QTextEdit* view = help.text_view();
        EXPECT_EQ(view->geometry(), QRect(5, 5, 610, 360));
        EXPECT_TRUE(view->isReadOnly());
        EXPECT_EQ(view->lineWrapMode(), QTextEdit::NoWrap);
        EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        const QTextDocument* doc = view->document();
        EXPECT_EQ(doc->blockCount(), 41);
        EXPECT_EQ(doc->firstBlock().text(), "");
        EXPECT_EQ(doc->firstBlock().next().text(),
                  "Best way to get to know Vortane: Press Play and just play around with the settings!");
        EXPECT_EQ(doc->firstBlock().next().next().text(), "");
        EXPECT_EQ(view->verticalScrollBar()->value(), 0);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    }
}

} // namespace
} // namespace vortane
