-- Ardour's headless Lua tool (ardour7-lua) with Vortane's VST3 and LV2 plugins, each on a MIDI track
-- of a 48 kHz session on Ardour's dummy backend. For each: every input parameter is automatable and
-- the plugin's own (no MIDI-controller stand-ins); a note sounds; a factory preset loads (the VST3
-- wrapper once froze Ardour there) and sets what its file names. Then every parameter is moved, the
-- session saved, closed and opened again, and every parameter is back as it was moved.
-- A failure is a Lua error; the last line of a run that passed is "Ardour session OK".
local dir = assert(os.getenv("VORTANE_SESSION_DIR"), "VORTANE_SESSION_DIR not set")
local preset_file = assert(os.getenv("VORTANE_PRESET_FILE"), "VORTANE_PRESET_FILE not set")
local preset_name = assert(os.getenv("VORTANE_PRESET_NAME"), "VORTANE_PRESET_NAME not set")
local formats = { VST3 = { ARDOUR.PluginType.VST3, "Vortane" }, LV2 = { ARDOUR.PluginType.LV2, "urn:vortane:vortane" } }

-- The plugin's input parameters in Ardour's order: { index (Ardour's numbering), cid, label }.
local function inputs(plug)
    local list = {}
    for i = 0, plug:parameter_count() - 1 do
        local cid = plug:nth_parameter(i, false)
        if plug:parameter_is_input(cid) then
            list[#list + 1] = { index = i, cid = cid, label = plug:parameter_label(cid) }
        end
    end
    return list
end

local function value(proc, p)
    return (ARDOUR.LuaAPI.get_processor_param(proc, p.index, false))
end

local function send(track, status, key, velocity)
    local parser = ARDOUR.RawMidiParser()
    parser:process_byte(status)
    parser:process_byte(key)
    assert(parser:process_byte(velocity))
    track:to_track():to_midi_track():write_immediate_event(Evoral.EventType.MIDI_EVENT, parser:buffer_size(),
        parser:midi_buffer())
end

AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(dir, "vortane", 48000), "could not create the session")
local moved = {}
for name, format in pairs(formats) do
    local info = ARDOUR.LuaAPI.new_plugin_info(format[2], format[1])
    assert(not info:isnil(), name .. ": Vortane is not among Ardour's plugins")
    local track = Session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
        ARDOUR.ChanCount(ARDOUR.DataType("audio"), 1), true, info, nil, nil, 1, name,
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true, false):front()
    local proc = track:nth_plugin(0)
    local plug = proc:to_insert():plugin(0)
    local params = inputs(plug)
    assert(#params > 0 and #params < 100, name .. ": " .. #params .. " input parameters")
    for _, p in ipairs(params) do
        local control = proc:to_insert():to_automatable():automation_control(
            Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, p.cid), false)
        assert(not control:isnil(), name .. ": " .. p.label .. " cannot be automated")
    end

    local meter = track:peak_meter()
    assert(meter:meter_level(0, ARDOUR.MeterType.MeterPeak) == 0, name .. ": sound before a note")
    send(track, 0x90, 60, 100)
    sleep(0.3)
    assert(meter:meter_level(0, ARDOUR.MeterType.MeterPeak) > 0.001, name .. ": a note made no sound")
    send(track, 0x80, 60, 0)

    local preset = plug:preset_by_label(preset_name)
    assert(preset, name .. ": no preset " .. preset_name)
    assert(plug:load_preset(preset), name .. ": " .. preset_name .. " did not load")
    local named = {} -- the preset file's values, by parameter
    for line in io.lines(preset_file) do
        local label, number = line:match("^(.-)%s*=%s*(%-?%d+)$")
        for _, p in ipairs(params) do
            if p.label == label then
                named[p] = tonumber(number)
            end
        end
    end
    assert(next(named), name .. ": " .. preset_file .. " names no parameter")
    -- A VST3 plugin reports a program's values to the host at its next cycle: wait for up to 5 s.
    local wrong
    for _ = 1, 50 do
        wrong = nil
        for p, number in pairs(named) do
            if value(proc, p) ~= number then
                wrong = p.label .. " is " .. value(proc, p) .. " after " .. preset_name .. ", not " .. number
            end
        end
        if not wrong then
            break
        end
        sleep(0.1)
    end
    assert(not wrong, name .. ": " .. tostring(wrong))

    -- Two thirds up each range: away from the start, and from the minimum a lost value fell to.
    for _, p in ipairs(params) do
        local _, descriptor = plug:get_parameter_descriptor(p.cid, ARDOUR.ParameterDescriptor())
        local lower, upper = descriptor[2].lower, descriptor[2].upper
        p.value = lower + math.floor((upper - lower) * 2 / 3 + 0.5)
        assert(ARDOUR.LuaAPI.set_processor_param(proc, p.index, p.value), name .. ": could not set " .. p.label)
    end
    moved[name] = params
    sleep(0.5) -- a few cycles, which take the moves to the plugin before its state is saved
    print(name .. ": " .. #params .. " automatable parameters, a note sounds, " .. preset_name .. " loads")
end
Session:save_state("", false, false, false, false, false)
close_session()

assert(load_session(dir, "vortane"), "could not open the saved session")
for name, params in pairs(moved) do
    local proc = Session:route_by_name(name):nth_plugin(0)
    for _, p in ipairs(params) do
        assert(value(proc, p) == p.value,
            name .. ": " .. p.label .. " is " .. value(proc, p) .. " after reopening, not " .. p.value)
    end
    print(name .. ": all " .. #params .. " parameters back after reopening")
end
close_session()
print("Ardour session OK")
