// The plugin's editor through the CLAP GUI extension, as a host embeds it on X11 while its audio
// thread plays (CTest runs these under Xvfb, with no DISPLAY and under an Xvfb without GLX).
#include <gtest/gtest.h>

#include <atomic>
#include <malloc.h>
#include <set>
#include <thread>

#include "plugin/editor/layout.h"
#include "plugin/factory_programs.h"
#include "tests/plugin/clap_host.h"

// Xlib's macros (None, Bool, Status) after gtest's headers, which use those names.
#include <X11/Xlib.h>

namespace vortane::test {
namespace {

constexpr uint32_t kBlock = 256;

// What the heap holds in use (in arenas and mapped blocks): what a leaked editor keeps. Resident
// memory also counts what the allocator keeps after a free, tens of megabytes from run to run.
long HeapInUseKiB() {
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
}

// Two instances of one voice with a note held: `shown` renders from a thread of its own while
// `body` works its editor on this thread, then `reference` renders as many blocks with no editor.
template <typename Body> void PlaysUnchangedWhile(Body body) {
    ClapLibrary library(VORTANE_CLAP_PATH);
    ClapInstance shown(library, ClapInstance::Host::kWithGui), reference(library);
    ASSERT_TRUE(shown.ok() && reference.ok()) << library.error();
    ASSERT_TRUE(reference.LoadState(*shown.SaveState()));
    // Written in place at about the real-time pace, so that the memory it takes is there from the start.
    std::vector<float> heard(48000 * 240);
    std::atomic<size_t> frames{0};
    for (ClapInstance* instance : {&shown, &reference}) {
        ASSERT_TRUE(instance->Activate(48000, kBlock));
        instance->QueueMidi(0, 0x90, 60, 100);
    }
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (size_t at = 0; (!done.load() || at < 48000) && at + kBlock <= heard.size(); at += kBlock) {
            shown.Process(heard.data() + at, kBlock);
            frames.store(at + kBlock);
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    });
    body(shown);
    done.store(true);
    audio.join();
    heard.resize(frames.load());
    EXPECT_EQ(heard, reference.Render(heard.size(), kBlock)) << "the editor changed the sound";
    EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 0.01f) << "the note did not sound";
}

TEST(ClapEditor, OpensScalesShowsHidesAndClosesAHundredTimesWhileAudioRuns) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X display (CTest runs it under Xvfb)";
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1200, 800, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    PlaysUnchangedWhile([&](ClapInstance& plugin) {
        const clap_plugin_gui_t* gui = plugin.gui();
        ASSERT_NE(gui, nullptr);
        EXPECT_TRUE(gui->is_api_supported(plugin.plugin(), CLAP_WINDOW_API_X11, false));
        clap_window_t window{CLAP_WINDOW_API_X11, {}};
        window.x11 = parent;
        [[maybe_unused]] long heap_warm = 0; // after the first twenty, once the driver's caches are warm
        for (int i = 0; i < 100; ++i) {
            SCOPED_TRACE(i);
            const double scale = 1.0 + 0.5 * (i % 3);
            ASSERT_TRUE(gui->create(plugin.plugin(), CLAP_WINDOW_API_X11, false) &&
                        gui->set_scale(plugin.plugin(), scale) && gui->set_parent(plugin.plugin(), &window) &&
                        gui->show(plugin.plugin()));
            uint32_t width = 0, height = 0;
            ASSERT_TRUE(gui->get_size(plugin.plugin(), &width, &height));
            EXPECT_EQ(std::pair(width, height), std::pair(uint32_t(960 * scale), uint32_t(640 * scale)));
            EXPECT_TRUE(gui->can_resize(plugin.plugin()));
            uint32_t huge[2] = {100000, 100000}, tiny[2] = {10, 10}; // offered back: 1x to 4x
            gui->adjust_size(plugin.plugin(), &huge[0], &huge[1]);
            gui->adjust_size(plugin.plugin(), &tiny[0], &tiny[1]);
            EXPECT_EQ(std::vector<uint32_t>({huge[0], huge[1], tiny[0], tiny[1]}),
                      std::vector<uint32_t>({4 * width, 4 * height, width, height}));
            for (int frame = 0; frame < 3; ++frame) { // the host's idle loop draws the editor
                plugin.FireTimers();
            }
            Window root, up, *children = nullptr;
            unsigned count = 0;
            XQueryTree(display, parent, &root, &up, &children, &count);
            XFree(children);
            EXPECT_EQ(count, 1u) << "the editor is not embedded in the host's window";
            EXPECT_TRUE(gui->hide(plugin.plugin()));
            EXPECT_EQ(plugin.timers(), 0);
            gui->destroy(plugin.plugin());
            heap_warm = i == 20 ? HeapInUseKiB() : heap_warm;
        }
#if !defined(__SANITIZE_THREAD__) // whose shadow memory and deferred frees grow by themselves
        EXPECT_LT(HeapInUseKiB() - heap_warm, 16 * 1024) << "eighty editors leaked memory";
#endif
    });
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

// A pointer button pressed and released at a point of a window, as the X server delivers it.
void Click(Display* display, Window window, int x, int y, unsigned button) {
    for (const int type : {ButtonPress, ButtonRelease}) {
        XEvent e{};
        e.xbutton = {type, 0, True, display, window, DefaultRootWindow(display), 0, CurrentTime, x, y,
                     x,    y, 0,    button,  True};
        XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    }
    XSync(display, False);
}

// The factory sound with a tuning, picked in the editor's preset list (scrolled to it with the wheel):
// every parameter as the host reads it is the sound's, and the instance's state carries its tuning.
TEST(ClapEditor, APresetPickedInTheEditorSetsEveryParameterAndItsTuning) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "needs an X display (CTest runs it under Xvfb)";
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1200, 800, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    ClapLibrary library(VORTANE_CLAP_PATH);
    ClapInstance plugin(library, ClapInstance::Host::kWithGui);
    ASSERT_TRUE(plugin.Activate(48000, kBlock));
    const clap_plugin_gui_t* gui = plugin.gui();
    clap_window_t window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->create(plugin.plugin(), CLAP_WINDOW_API_X11, false) &&
                gui->set_scale(plugin.plugin(), 1.0) && gui->set_parent(plugin.plugin(), &window) &&
                gui->show(plugin.plugin()));
    plugin.FireTimers();
    Window root, up, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    ASSERT_EQ(count, 1u);
    const Window editor = children[0];
    XFree(children);

    size_t chimes = 0;
    while (plugin::FactoryProgramName(chimes) != "Nineteen Step Chimes") {
        ASSERT_LT(++chimes, plugin::FactoryProgramCount());
    }
    const auto& controls = editor::EditorLayout().controls;
    std::set<ParamId> shown;
    for (const editor::Control& c : controls) {
        shown.insert(c.param);
    }
    EXPECT_EQ(shown.size(), kParamCount + 1)
        << "every parameter has a control (and the preset browser its own)";
    const auto list = std::find_if(controls.begin(), controls.end(), [](const editor::Control& c) {
        return c.kind == editor::Kind::PresetList;
    });
    const int x = static_cast<int>(list->rect.x) + 20, y = static_cast<int>(list->rect.y) + 10;
    const int scrolled = 3; // rows scrolled, one per step of the wheel
    for (int i = 0; i < scrolled; ++i) {
        Click(display, editor, x, y, 5);
    }
    Click(display, editor, x, y + 20 * (static_cast<int>(chimes) - scrolled), 1);
    plugin.FireTimers();
    std::vector<float> block(kBlock);
    plugin.Process(block.data(), kBlock); // the host passes the editor's changes in its next block

    const Preset preset = *plugin::FactoryProgram(chimes);
    for (const ParamSpec& spec : Params()) {
        if (spec.sound || (preset.named & (uint64_t{1} << Index(spec.id))) != 0) {
            EXPECT_EQ(plugin.GetParam(static_cast<clap_id>(Index(spec.id))), preset[spec.id]) << spec.name;
        }
    }
    const std::vector<uint8_t> state = *plugin.SaveState();
    EXPECT_NE(std::string(state.begin(), state.end()).find("scale=! 19-equal.scl"), std::string::npos);
    gui->destroy(plugin.plugin());
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

TEST(ClapEditor, WithoutADisplayOrOpenGLTheHostIsToldAndTheSoundGoesOn) {
    PlaysUnchangedWhile([](ClapInstance& plugin) {
        const clap_plugin_gui_t* gui = plugin.gui();
        ASSERT_NE(gui, nullptr);
        for (int i = 0; i < 3; ++i) { // asked again, it fails again
            EXPECT_FALSE(gui->create(plugin.plugin(), CLAP_WINDOW_API_X11, false));
            uint32_t width = 0, height = 0;
            gui->get_size(plugin.plugin(), &width, &height);
            gui->destroy(plugin.plugin());
        }
    });
}

} // namespace
} // namespace vortane::test
