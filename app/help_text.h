#pragma once

#include <QString>
#include <string>

namespace vortane {

// The Help window's text as the program holds it: 31 pieces, each introduced by a carriage
// return, paragraphs separated by an empty line. It opens with an empty line.
std::string HelpText();

// The same text with every carriage return turned into the line break the text view shows.
QString HelpTextForDisplay();

} // namespace vortane
