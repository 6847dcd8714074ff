// The VST3 build through DPF's own VST3 interface headers: the factory lists one instrument, an
// instance processes a note into finite sound, and its state makes a second instance play the same.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "travesty/audio_processor.h"
#include "travesty/component.h"
#include "travesty/events.h"
#include "travesty/factory.h"

namespace vortane::test {
namespace {

// Host-side objects in the VST3 layout: a pointer to a table of functions, the COM base first.
v3_result NoInterface(void*, const v3_tuid, void** obj) {
    *obj = nullptr;
    return V3_NO_INTERFACE;
}
uint32_t OneRef(void*) {
    return 1;
}

struct EventList {
    struct Table {
        v3_funknown base;
        v3_event_list list;
    };
    static uint32_t Count(void* self) {
        return static_cast<uint32_t>(static_cast<EventList*>(self)->events.size());
    }
    static v3_result Get(void* self, int32_t i, v3_event* e) {
        *e = static_cast<EventList*>(self)->events[static_cast<size_t>(i)];
        return V3_OK;
    }
    static v3_result Add(void*, v3_event*) { return V3_OK; }
    static constexpr Table kTable{{NoInterface, OneRef, OneRef}, {Count, Get, Add}};

    const Table* table = &kTable;
    std::vector<v3_event> events;
};

struct Stream {
    struct Table {
        v3_funknown base;
        v3_bstream stream;
    };
    static v3_result Read(void* self, void* buffer, int32_t size, int32_t* done) {
        auto* s = static_cast<Stream*>(self);
        const size_t n = std::min(static_cast<size_t>(size), s->bytes.size() - s->position);
        if (n > 0) {
            std::memcpy(buffer, s->bytes.data() + s->position, n);
        }
        s->position += n;
        *done = static_cast<int32_t>(n);
        return V3_OK;
    }
    static v3_result Write(void* self, void* buffer, int32_t size, int32_t* done) {
        auto* s = static_cast<Stream*>(self);
        s->bytes.insert(s->bytes.end(), static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
        *done = size;
        return V3_OK;
    }
    static v3_result Seek(void*, int64_t, int32_t, int64_t*) { return V3_NOT_IMPLEMENTED; }
    static v3_result Tell(void* self, int64_t* pos) {
        *pos = static_cast<int64_t>(static_cast<Stream*>(self)->position);
        return V3_OK;
    }
    static constexpr Table kTable{{NoInterface, OneRef, OneRef}, {Read, Write, Seek, Tell}};

    const Table* table = &kTable;
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

// Where the plugin reports its output parameters (the latency): taken and dropped.
struct OutputChanges {
    struct Queue {
        struct Table {
            v3_funknown base;
            v3_param_value_queue queue;
        };
        static v3_param_id Id(void*) { return 0; }
        static int32_t Count(void*) { return 0; }
        static v3_result Get(void*, int32_t, int32_t*, double*) { return V3_INVALID_ARG; }
        static v3_result Add(void*, int32_t, double, int32_t* index) {
            *index = 0;
            return V3_OK;
        }
        static constexpr Table kTable{{NoInterface, OneRef, OneRef}, {Id, Count, Get, Add}};
        const Table* table = &kTable;
    };
    struct Table {
        v3_funknown base;
        v3_param_changes changes;
    };
    static int32_t Count(void*) { return 0; }
    static v3_param_value_queue** Data(void*, int32_t) { return nullptr; }
    static v3_param_value_queue** Add(void* self, v3_param_id*, int32_t* index) {
        *index = 0;
        return reinterpret_cast<v3_param_value_queue**>(&static_cast<OutputChanges*>(self)->queue);
    }
    static constexpr Table kTable{{NoInterface, OneRef, OneRef}, {Count, Data, Add}};

    const Table* table = &kTable;
    Queue queue;
};

class Vst3Instance {
public:
    explicit Vst3Instance(v3_plugin_factory** factory) {
        for (int32_t i = 0; i < v3_cpp_obj(factory)->num_classes(factory); ++i) {
            v3_class_info info{};
            v3_cpp_obj(factory)->get_class_info(factory, i, &info);
            if (std::string(info.category) == "Audio Module Class") {
                v3_cpp_obj(factory)->create_instance(factory, info.class_id, v3_component_iid,
                                                     reinterpret_cast<void**>(&component_));
            }
        }
        if (component_ == nullptr || v3_cpp_obj_initialize(component_, nullptr) != V3_OK) {
            component_ = nullptr;
            return;
        }
        v3_cpp_obj_query_interface(component_, v3_audio_processor_iid, &processor_);
    }
    ~Vst3Instance() {
        if (processor_ != nullptr) {
            SetActive(false);
            v3_cpp_obj_unref(processor_);
        }
        if (component_ != nullptr) {
            v3_cpp_obj_terminate(component_);
            v3_cpp_obj_unref(component_);
        }
    }
    bool ok() const { return processor_ != nullptr; }

    bool SetActive(bool on) {
        if (on) {
            v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, kBlock, 48000.0};
            if (v3_cpp_obj(processor_)->setup_processing(processor_, &setup) != V3_OK) {
                return false;
            }
        }
        return v3_cpp_obj(component_)->set_active(component_, on) == V3_OK &&
               v3_cpp_obj(processor_)->set_processing(processor_, on) == V3_OK;
    }

    // Renders blocks; a note on at the first block's start, its release at release_block.
    std::vector<float> Render(int blocks, int release_block) {
        std::vector<float> out(static_cast<size_t>(blocks * kBlock));
        for (int b = 0; b < blocks; ++b) {
            EventList events;
            v3_event e{};
            if (b == 0 || b == release_block) {
                e.type = b == 0 ? V3_EVENT_NOTE_ON : V3_EVENT_NOTE_OFF;
                e.note_on.pitch = 60;
                e.note_on.velocity = 0.8f;
                events.events.push_back(e);
            }
            float* channels[1] = {out.data() + b * kBlock};
            v3_audio_bus_buffers bus{};
            bus.num_channels = 1;
            bus.channel_buffers_32 = channels;
            v3_event_list** list = reinterpret_cast<v3_event_list**>(&events);
            v3_process_data data{};
            data.process_mode = V3_REALTIME;
            data.symbolic_sample_size = V3_SAMPLE_32;
            data.nframes = kBlock;
            data.num_output_buses = 1;
            data.outputs = &bus;
            data.input_events = list;
            OutputChanges changes;
            data.output_params = reinterpret_cast<v3_param_changes**>(&changes);
            EXPECT_EQ(v3_cpp_obj(processor_)->process(processor_, &data), V3_OK);
        }
        return out;
    }

    std::vector<uint8_t> GetState() {
        Stream s;
        EXPECT_EQ(v3_cpp_obj(component_)->get_state(component_, reinterpret_cast<v3_bstream**>(&s)), V3_OK);
        return s.bytes;
    }
    bool SetState(const std::vector<uint8_t>& bytes) {
        Stream s;
        s.bytes = bytes;
        return v3_cpp_obj(component_)->set_state(component_, reinterpret_cast<v3_bstream**>(&s)) == V3_OK;
    }

    static constexpr int32_t kBlock = 480;

private:
    v3_component** component_ = nullptr;
    v3_audio_processor** processor_ = nullptr;
};

TEST(Vst3Plugin, LoadsProcessesANoteAndRestoresItsState) {
    void* module = dlopen(VORTANE_VST3_BINARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    if (auto entry = reinterpret_cast<bool (*)(void*)>(dlsym(module, "ModuleEntry"))) {
        ASSERT_TRUE(entry(module));
    }
    auto get_factory = reinterpret_cast<v3_plugin_factory** (*)()>(dlsym(module, "GetPluginFactory"));
    ASSERT_NE(get_factory, nullptr);
    v3_plugin_factory** factory = get_factory();
    ASSERT_NE(factory, nullptr);
    {
        Vst3Instance first(factory);
        ASSERT_TRUE(first.ok());
        ASSERT_TRUE(first.SetActive(true));
        const std::vector<float> out = first.Render(100, 50); // one second at 48 kHz
        const auto half = out.begin() + out.size() / 2;
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); }));
        EXPECT_TRUE(std::any_of(out.begin(), half, [](float x) { return std::fabs(x) > 1e-3f; }));
        EXPECT_TRUE(std::all_of(half + 200, out.end(), [](float x) { return x == 0.0f; }))
            << "silent once the release has passed the resampler";

        const std::vector<uint8_t> state = first.GetState();
        ASSERT_FALSE(state.empty());
        Vst3Instance second(factory);
        ASSERT_TRUE(second.ok());
        ASSERT_TRUE(second.SetState(state));
        ASSERT_TRUE(second.SetActive(true));
        ASSERT_TRUE(first.SetActive(false));
        ASSERT_TRUE(first.SetActive(true)); // both restart from the same seed
        EXPECT_EQ(second.Render(50, 40), first.Render(50, 40));
    }
    v3_cpp_obj_unref(factory);
    if (auto exit = reinterpret_cast<bool (*)()>(dlsym(module, "ModuleExit"))) {
        exit();
    }
    dlclose(module);
}

} // namespace
} // namespace vortane::test
