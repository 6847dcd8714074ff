#include "app/gui_startup.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace vortane {
namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

std::vector<HeldMessage>* held_messages = nullptr;
QtMessageHandler previous_handler = nullptr;

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", NoDisplayMessage().c_str());
        std::fflush(stderr);
        std::_Exit(0);
    }
    if (held_messages != nullptr) {
        held_messages->push_back({type, QByteArray(context.category), text});
    }
}

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

} // namespace

std::string NoDisplayMessage() {
    return "vortane: cannot open a display (set DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM)";
}

bool DisplayConfigured() {
    return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

std::unique_ptr<QApplication> CreateGuiApplication(int& argc, char** argv) {
    std::vector<HeldMessage> messages;
    held_messages = &messages;
    previous_handler = qInstallMessageHandler(HoldMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous_handler);
    held_messages = nullptr;
    for (const HeldMessage& m : messages) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
    return application;
}

} // namespace vortane
