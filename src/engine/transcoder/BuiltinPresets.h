#pragma once
#include <span>
#include <string>

namespace mediaconv::engine {

// A built-in encoder preset: its name and its lines ("name=value", one per line).
struct TOptionsPreset {
  const char* name;
  const char* content;
};

// The 36 built-in presets of the H.264 encoder, in table order. Their lines
// are written for older libraries; the option store translates them.
std::span<const TOptionsPreset> BuiltinPresets();

// The preset of that name, compared without regard to case; nullptr when none.
const TOptionsPreset* FindBuiltinPreset(const std::string& name);

}  // namespace mediaconv::engine
