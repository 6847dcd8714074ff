#pragma once

#include <QApplication>
#include <memory>
#include <string>

namespace vortane {

// Whether a window system can be reached: a platform named in QT_QPA_PLATFORM, or an X11 or
// Wayland display in the environment.
bool DisplayConfigured();

// Creates the QApplication. When no platform plugin can be started, Qt would abort the process;
// instead this prints one line on stderr and ends the process with exit code 0. Qt's messages
// during creation are held back and passed on only when creation succeeds.
std::unique_ptr<QApplication> CreateGuiApplication(int& argc, char** argv);

// The line printed when no display is available.
std::string NoDisplayMessage();

} // namespace vortane
