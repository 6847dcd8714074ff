-- Ardour's Lua session tool (ardour7-lua) on the JACK server of the tests:
--   VORTANE_SESSION_MODE=create  a new session with Vortane (LV2) on a MIDI track, some parameters moved, saved
--   VORTANE_SESSION_MODE=check   the saved session loaded again: the same parameter values
-- Exits through an error (and a non-zero status from the wrapper) on any mismatch.
local dir = assert(os.getenv("VORTANE_SESSION_DIR"), "VORTANE_SESSION_DIR not set")
local mode = os.getenv("VORTANE_SESSION_MODE")
local name = "vortane"
local moved = { ["Frequency Setting"] = 420, ["Filter Resonance"] = 77, ["Y2 On"] = 1, ["Frequency Barriers"] = 3 }

AudioEngine:set_backend("JACK", "", "")
assert(AudioEngine:start(false) == 0, "the audio engine did not start")

-- Parameter index (Ardour's numbering of control ports) by label.
local function parameters(proc)
    local plug = proc:to_insert():plugin(0)
    local found = {}
    for i = 0, plug:parameter_count() - 1 do
        local cid = plug:nth_parameter(i, false)
        if plug:parameter_is_input(cid) then
            found[plug:parameter_label(cid)] = i
        end
    end
    return found
end

local function vortane()
    for route in Session:get_routes():iter() do
        local proc = route:nth_plugin(0)
        if not proc:isnil() and proc:display_name() == "Vortane" then
            return proc
        end
    end
    error("no Vortane plugin in the session")
end

if mode == "create" then
    assert(create_session(dir, name, 48000), "could not create the session")
    local info = ARDOUR.LuaAPI.new_plugin_info("urn:vortane:vortane", ARDOUR.PluginType.LV2)
    assert(not info:isnil(), "Vortane is not among the LV2 plugins")
    local tracks = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
        ARDOUR.ChanCount(ARDOUR.DataType("audio"), 1), true, info, nil, nil, 1, "Vortane",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false)
    assert(tracks:size() == 1, "no MIDI track")
    local proc = vortane()
    local index = parameters(proc)
    for label, value in pairs(moved) do
        assert(index[label], "no parameter " .. label)
        assert(ARDOUR.LuaAPI.set_processor_param(proc, index[label], value), "could not set " .. label)
    end
    Session:save_state("", false, false, false, false, false)
    close_session()
    print("session saved")
elseif mode == "check" then
    assert(load_session(dir, name), "could not load the session")
    local proc = vortane()
    local index = parameters(proc)
    local count = 0
    for label, value in pairs(moved) do
        local got = ARDOUR.LuaAPI.get_processor_param(proc, index[label], false)
        assert(got == value, label .. " is " .. tostring(got) .. " after reloading, not " .. value)
        count = count + 1
    end
    close_session()
    print("session reloaded with the same " .. count .. " parameter values")
else
    error("VORTANE_SESSION_MODE must be create or check")
end
