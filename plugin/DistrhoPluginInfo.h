#pragma once

// What the plugin framework needs to know at compile time: one instrument, no audio input, one
// mono output, notes in, no editor of its own (hosts show their generic controls).
#define DISTRHO_PLUGIN_NAME "Vortane"
#define DISTRHO_PLUGIN_URI "urn:vortane:vortane"
#define DISTRHO_PLUGIN_CLAP_ID "org.vortane.vortane"

#define DISTRHO_PLUGIN_NUM_INPUTS 0
#define DISTRHO_PLUGIN_NUM_OUTPUTS 1
#define DISTRHO_PLUGIN_IS_SYNTH 1
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_HAS_UI 0
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 1

#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:InstrumentPlugin"
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Instrument|Synth|Mono"
#define DISTRHO_PLUGIN_CLAP_FEATURES "instrument", "synthesizer", "mono"
