#pragma once

#include <QDialog>
#include <memory>

class QTextEdit;

namespace vortane {

// The Help window: a top-level window of its own (no owner), 620 x 373 inside its frame, centred
// on the screen, holding the help text read-only with both scroll bars and no line wrapping.
// While it is open it is application-modal: the main window, its menu, shortcut and close box
// receive nothing. Only its close box ends it; Escape and every other key the text does not take
// are dropped.
class HelpWindow final : public QDialog {
    Q_OBJECT
public:
    HelpWindow();

    QTextEdit* text_view() const { return text_view_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextEdit* text_view_;
};

// Builds the window anew, runs it until it is closed and destroys it.
void ShowHelpWindow();

} // namespace vortane
