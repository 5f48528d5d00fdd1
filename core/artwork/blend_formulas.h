#pragma once
// The formulas behind the blend table file: what each of the seventeen
// table-driven blend modes does to one 8-bit channel. The program itself
// only looks results up in the table; this is how the table is made.

#include <cstdint>
#include <vector>

namespace tintloom {

// Result of blend code 0..16 (darken ... exclusion, in table order) for
// backdrop value b and source value s. Any other code gives the source
// (normal).
std::uint8_t BlendChannel(int code, std::uint8_t backdrop, std::uint8_t source);

// The seventeen 256 x 256 tables one after another, entry b x 256 + s: the
// contents of the blend table file.
std::vector<std::uint8_t> BuildBlendTableFile();

}  // namespace tintloom
