#include "plugin/editor/painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/waveform_rows.h"

namespace vortane::editor {
namespace {

using DGL_NAMESPACE::Color;
using NVG = DGL_NAMESPACE::NanoVG;

// Contrast against kPanel: kText 14:1, kDimText 7.6:1; kInk on kAccent 10:1.
const Color kBackground(0x13, 0x16, 0x1a);
const Color kPanel(0x1e, 0x23, 0x29);
const Color kBorder(0x3b, 0x44, 0x4f);
const Color kTrack(0x2b, 0x32, 0x3a);
const Color kText(0xec, 0xef, 0xf2);
const Color kDimText(0xb4, 0xbc, 0xc5);
const Color kAccent(0x5e, 0xc8, 0xff);
const Color kInk(0x0b, 0x0d, 0x10);
const Color kFocus(0xff, 0xd1, 0x66);
const Color kWarning(0xff, 0xa0, 0x7a);
const Color kCurveLine(0x8c, 0xe9, 0x9a);
// One colour per voice slot (repeating after eight), each at 6:1 or more against kInk.
const std::array<Color, 8> kVoiceColours = {
    Color(0x5e, 0xc8, 0xff), Color(0xff, 0xd1, 0x66), Color(0x8c, 0xe9, 0x9a), Color(0xff, 0x9a, 0xc8),
    Color(0xc5, 0xa8, 0xff), Color(0xff, 0xa0, 0x7a), Color(0x7f, 0xe8, 0xe0), Color(0xe8, 0xe8, 0x8a)};

constexpr float kFont = 13.0f;

} // namespace

void Painter::Text(float x, float y, std::string_view text, int align, float size) {
    vg_.fontSize(size);
    vg_.textAlign(align);
    vg_.text(x, y, text.data(), text.data() + text.size());
}

void Painter::Background(float width, float height) {
    vg_.beginPath();
    vg_.rect(0, 0, width, height);
    vg_.fillColor(kBackground);
    vg_.fill();
}

void Painter::GroupFrame(const Group& group) {
    const Rect& r = group.rect;
    vg_.beginPath();
    vg_.roundedRect(r.x, r.y, r.w, r.h, 4);
    vg_.fillColor(kPanel);
    vg_.fill();
    vg_.strokeColor(kBorder);
    vg_.strokeWidth(1);
    vg_.stroke();
    vg_.fillColor(kText);
    Text(r.x + 8, r.y + 12, group.title, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont + 1);
}

void Painter::CoordinateHeader(const Rect& row) {
    static constexpr std::array<std::pair<float, std::string_view>, 4> kTitles = {
        {{59, "Step"}, {135, "Barrier"}, {200, "Negative"}, {248, "On"}}};
    vg_.fillColor(kDimText);
    for (const auto& [x, title] : kTitles) {
        Text(row.x + x, row.y + row.h / 2, title, NVG::ALIGN_CENTER | NVG::ALIGN_MIDDLE, kFont - 1);
    }
}

void Painter::Caption(const Rect& label, std::string_view text, bool dimmed) {
    vg_.fillColor(dimmed ? kDimText : kText);
    Text(label.x, label.y + label.h / 2, text, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont);
}

void Painter::Slider(const Rect& r, const ControlLook& look) {
    vg_.beginPath();
    vg_.roundedRect(r.x, r.y, r.w, r.h, 3);
    vg_.fillColor(kTrack);
    vg_.fill();
    const float f = std::clamp(look.fraction, 0.0f, 1.0f);
    vg_.beginPath();
    vg_.roundedRect(r.x, r.y, std::max(r.h, r.w * f), r.h, 3);
    vg_.fillColor(look.dimmed ? kDimText : kAccent);
    vg_.globalAlpha(look.dimmed ? 0.45f : (look.hover || look.active ? 1.0f : 0.8f));
    vg_.fill();
    vg_.globalAlpha(1.0f);
    // the handle: a bright bar at the value
    vg_.beginPath();
    vg_.rect(r.x + std::max(r.h, r.w * f) - 3, r.y - 2, 3, r.h + 4);
    vg_.fillColor(kText);
    vg_.fill();
    if (look.focus) {
        vg_.beginPath();
        vg_.roundedRect(r.x - 2, r.y - 2, r.w + 4, r.h + 4, 4);
        vg_.strokeColor(kFocus);
        vg_.strokeWidth(1.5f);
        vg_.stroke();
    }
}

void Painter::Toggle(const Rect& r, std::string_view caption, const ControlLook& look) {
    const float box = std::min(r.h, 16.0f);
    const float bx = caption.empty() ? r.x + (r.w - box) / 2 : r.x;
    const float by = r.y + (r.h - box) / 2;
    vg_.beginPath();
    vg_.roundedRect(bx, by, box, box, 3);
    vg_.fillColor(look.on ? kAccent : kTrack);
    vg_.fill();
    vg_.strokeColor(look.focus ? kFocus : (look.hover ? kText : kBorder));
    vg_.strokeWidth(look.focus ? 2.0f : 1.0f);
    vg_.stroke();
    if (look.on) { // a tick
        vg_.beginPath();
        vg_.moveTo(bx + box * 0.22f, by + box * 0.52f);
        vg_.lineTo(bx + box * 0.42f, by + box * 0.72f);
        vg_.lineTo(bx + box * 0.78f, by + box * 0.28f);
        vg_.strokeColor(kInk);
        vg_.strokeWidth(2.0f);
        vg_.stroke();
    }
    if (!caption.empty()) {
        vg_.fillColor(kText);
        Text(bx + box + 6, r.y + r.h / 2, caption, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont);
    }
}

void Painter::Button(const Rect& r, std::string_view caption, const ControlLook& look) {
    vg_.beginPath();
    vg_.roundedRect(r.x, r.y, r.w, r.h, 3);
    vg_.fillColor(look.on ? kAccent : (look.active ? kBorder : kTrack));
    vg_.fill();
    vg_.strokeColor(look.focus ? kFocus : (look.hover ? kText : kBorder));
    vg_.strokeWidth(look.focus ? 2.0f : 1.0f);
    vg_.stroke();
    vg_.fillColor(look.on ? kInk : kText);
    Text(r.x + r.w / 2, r.y + r.h / 2, caption, NVG::ALIGN_CENTER | NVG::ALIGN_MIDDLE, kFont - 1);
}

void Painter::ValueTip(const Rect& r, std::string_view text, float limit_right) {
    vg_.fontSize(kFont);
    DGL_NAMESPACE::Rectangle<float> bounds;
    const std::string owned(text);
    const float width = vg_.textBounds(0, 0, owned.c_str(), nullptr, bounds) + 12;
    const float x = std::min(r.x + r.w - width, limit_right - width);
    const float y = r.y - 20;
    vg_.beginPath();
    vg_.roundedRect(x, y, width, 18, 3);
    vg_.fillColor(kInk);
    vg_.fill();
    vg_.strokeColor(kAccent);
    vg_.strokeWidth(1);
    vg_.stroke();
    vg_.fillColor(kText);
    Text(x + width / 2, y + 9, text, NVG::ALIGN_CENTER | NVG::ALIGN_MIDDLE, kFont);
}

void Painter::FocusRing(const Rect& r) {
    vg_.beginPath();
    vg_.roundedRect(r.x + 1, r.y + 1, r.w - 2, r.h - 2, 3);
    vg_.strokeColor(kFocus);
    vg_.strokeWidth(2.0f);
    vg_.stroke();
}

void Painter::TextField(const Rect& r, std::string_view text, std::string_view placeholder,
                        const ControlLook& look) {
    vg_.beginPath();
    vg_.roundedRect(r.x, r.y, r.w, r.h, 3);
    vg_.fillColor(kInk);
    vg_.fill();
    vg_.strokeColor(look.focus ? kFocus : (look.hover ? kText : kBorder));
    vg_.strokeWidth(look.focus ? 2.0f : 1.0f);
    vg_.stroke();
    vg_.save();
    vg_.scissor(r.x + 2, r.y, r.w - 4, r.h);
    vg_.fillColor(text.empty() ? kDimText : kText);
    const std::string shown = std::string(text.empty() ? placeholder : text) + (look.focus ? "|" : "");
    Text(r.x + 6, r.y + r.h / 2, shown, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont);
    vg_.restore();
}

void Painter::ListRow(const Rect& r, std::string_view text, bool factory, bool selected,
                      const ControlLook& look) {
    if (selected || look.hover) {
        vg_.beginPath();
        vg_.rect(r.x, r.y, r.w, r.h);
        vg_.fillColor(selected ? kAccent : kTrack);
        vg_.fill();
    }
    vg_.fillColor(selected ? kInk : kText);
    Text(r.x + 6, r.y + r.h / 2, text, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont);
    vg_.fillColor(selected ? kInk : kDimText);
    Text(r.x + r.w - 6, r.y + r.h / 2, factory ? "factory" : "yours", NVG::ALIGN_RIGHT | NVG::ALIGN_MIDDLE,
         kFont - 2);
}

void Painter::Note(const Rect& r, std::string_view text, bool warning) {
    vg_.save();
    vg_.scissor(r.x, r.y, r.w, r.h);
    vg_.fillColor(warning ? kWarning : kDimText);
    Text(r.x, r.y + r.h / 2, text, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE, kFont - 1);
    vg_.restore();
}

void Painter::Curve(const Rect& r, const DisplayCurve& curve) {
    vg_.beginPath();
    vg_.rect(r.x, r.y, r.w, r.h);
    vg_.fillColor(kInk);
    vg_.fill();
    vg_.beginPath(); // the line of silence
    vg_.moveTo(r.x, r.y + r.h / 2);
    vg_.lineTo(r.x + r.w, r.y + r.h / 2);
    vg_.strokeColor(kBorder);
    vg_.strokeWidth(1);
    vg_.stroke();
    const auto rows = ComputeDisplayRows(curve.x1, curve.y1, curve.x2, curve.y2);
    vg_.save();
    vg_.scissor(r.x, r.y, r.w, r.h);
    vg_.beginPath();
    const float sx = r.w / static_cast<float>(kDisplayWidth - 1);
    const float sy = r.h / static_cast<float>(kDisplayHeight);
    for (int i = 0; i < kDisplayWidth; ++i) {
        const float x = r.x + sx * static_cast<float>(i);
        const float y = r.y + sy * (static_cast<float>(rows[static_cast<size_t>(i)]) + 0.5f);
        i == 0 ? vg_.moveTo(x, y) : vg_.lineTo(x, y);
    }
    vg_.strokeColor(kCurveLine);
    vg_.strokeWidth(2);
    vg_.stroke();
    vg_.restore();
}

void Painter::PitchPaths(const Rect& r, const PitchHistory& history) {
    vg_.beginPath();
    vg_.rect(r.x, r.y, r.w, r.h);
    vg_.fillColor(kInk);
    vg_.fill();
    if (history.size() == 0) {
        vg_.fillColor(kDimText);
        Text(r.x + r.w / 2, r.y + r.h / 2, "Play a note", NVG::ALIGN_CENTER | NVG::ALIGN_MIDDLE, kFont);
        return;
    }
    // The axis spans the paths shown, an octave at least, in whole octaves from a power of two Hz.
    float lo = 1e9f, hi = 0.0f;
    for (size_t i = 0; i < history.size(); ++i) {
        lo = std::min(lo, history[i].hz);
        hi = std::max(hi, history[i].hz);
    }
    const float bottom = std::floor(std::log2(std::max(lo, 1.0f)));
    const float top = std::max(std::ceil(std::log2(std::max(hi, 1.0f))), bottom + 1);
    auto y_of = [&](float hz) { return r.y + r.h * (top - std::log2(std::max(hz, 1.0f))) / (top - bottom); };
    const uint64_t now = history.newest();
    auto x_of = [&](uint64_t frame) {
        return r.x + r.w * (1.0f - static_cast<float>(now - frame) / static_cast<float>(PitchHistory::kSpan));
    };
    vg_.strokeColor(kBorder); // a line and a label per octave
    vg_.strokeWidth(1);
    vg_.fillColor(kDimText);
    for (float octave = bottom; octave <= top; ++octave) {
        const float y = y_of(std::exp2(octave));
        vg_.beginPath();
        vg_.moveTo(r.x, y);
        vg_.lineTo(r.x + r.w, y);
        vg_.stroke();
        char label[24];
        std::snprintf(label, sizeof label, "%.0f Hz", std::exp2(octave));
        Text(r.x + 4, std::clamp(y, r.y + 8, r.y + r.h - 8), label, NVG::ALIGN_LEFT | NVG::ALIGN_MIDDLE,
             kFont - 2);
    }
    vg_.save();
    vg_.scissor(r.x, r.y, r.w, r.h);
    vg_.strokeWidth(1.5f);
    // One pass per voice slot; a path breaks where the slot's note changes or its points stop.
    for (int voice = 0; voice < 16; ++voice) {
        bool drawing = false, any = false;
        int key = -2;
        uint64_t last = 0;
        float last_x = -1e9f;
        vg_.beginPath();
        for (size_t i = 0; i < history.size(); ++i) {
            const PitchPoint& p = history[i];
            if (p.voice != voice) {
                continue;
            }
            const bool joined = drawing && p.key == key && p.frame - last < 4096;
            const float x = x_of(p.frame);
            if (!joined) {
                vg_.moveTo(x, y_of(p.hz));
            } else if (x - last_x >= 0.75f) { // at most about one point per pixel
                vg_.lineTo(x, y_of(p.hz));
            } else {
                last = p.frame;
                continue;
            }
            drawing = any = true;
            key = p.key;
            last = p.frame;
            last_x = x;
        }
        if (any) {
            vg_.strokeColor(kVoiceColours[static_cast<size_t>(voice) % kVoiceColours.size()]);
            vg_.stroke();
        }
    }
    vg_.restore();
}

} // namespace vortane::editor
