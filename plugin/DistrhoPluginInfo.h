#pragma once

// What the plugin framework needs to know at compile time: one instrument, no audio input, one
// mono output, notes in, and an editor of its own drawn with the framework's toolkit (NanoVG on
// OpenGL, X11). The editor lives in the host's process beside the plugin and reads what the audio
// thread publishes (the walked curve, the pitch paths) straight from the plugin object.
#define DISTRHO_PLUGIN_NAME "Vortane"
#define DISTRHO_PLUGIN_URI "urn:vortane:vortane"
#define DISTRHO_PLUGIN_CLAP_ID "org.vortane.vortane"

#define DISTRHO_PLUGIN_NUM_INPUTS 0
#define DISTRHO_PLUGIN_NUM_OUTPUTS 1
#define DISTRHO_PLUGIN_IS_SYNTH 1
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_HAS_UI 1
#define DISTRHO_PLUGIN_WANT_DIRECT_ACCESS 1
#define DISTRHO_UI_USE_NANOVG 1
#define DISTRHO_UI_USER_RESIZABLE 1
#define DISTRHO_UI_FILE_BROWSER 0
// The editor's size at a scale factor of 1 (plugin/editor/layout.h), also its smallest.
#define DISTRHO_UI_DEFAULT_WIDTH 960
#define DISTRHO_UI_DEFAULT_HEIGHT 640
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_PROGRAMS 1
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 1

#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:InstrumentPlugin"
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Instrument|Synth|Mono"
#define DISTRHO_PLUGIN_CLAP_FEATURES "instrument", "synthesizer", "mono"
