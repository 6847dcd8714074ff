#pragma once

namespace vortane::editor {

// Whether the editor can be shown now: an X display to connect to ($DISPLAY), with the OpenGL
// (GLX, a double-buffered RGBA window configuration) that the editor draws with. The plugin
// wrappers ask before they make an editor, so that a host learns at once that there is none
// instead of holding an editor without a window. Costs one connection to the display.
bool CanShowEditor();

} // namespace vortane::editor
