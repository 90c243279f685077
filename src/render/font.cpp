// A tiny bitmap font for the labels and the legend of a picture.
#include "render/font.hpp"

#include <array>
#include <cstddef>

namespace tromvex {
namespace {

struct Glyph {
  char character;
  std::array<const char*, kGlyphHeight> rows;  // '#' for a dot
};

constexpr std::array kGlyphs{
    Glyph{'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    Glyph{'B', {"##.", "#.#", "##.", "#.#", "##."}},
    Glyph{'C', {".##", "#..", "#..", "#..", ".##"}},
    Glyph{'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    Glyph{'E', {"###", "#..", "##.", "#..", "###"}},
    Glyph{'F', {"###", "#..", "##.", "#..", "#.."}},
    Glyph{'G', {".##", "#..", "#.#", "#.#", ".##"}},
    Glyph{'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    Glyph{'I', {"###", ".#.", ".#.", ".#.", "###"}},
    Glyph{'J', {"..#", "..#", "..#", "#.#", ".#."}},
    Glyph{'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    Glyph{'L', {"#..", "#..", "#..", "#..", "###"}},
    Glyph{'M', {"#.#", "###", "###", "#.#", "#.#"}},
    Glyph{'N', {"##.", "#.#", "#.#", "#.#", "#.#"}},
    Glyph{'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    Glyph{'P', {"##.", "#.#", "##.", "#..", "#.."}},
    Glyph{'Q', {".#.", "#.#", "#.#", "##.", ".##"}},
    Glyph{'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    Glyph{'S', {".##", "#..", ".#.", "..#", "##."}},
    Glyph{'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    Glyph{'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    Glyph{'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    Glyph{'W', {"#.#", "#.#", "###", "###", "#.#"}},
    Glyph{'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    Glyph{'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    Glyph{'Z', {"###", "..#", ".#.", "#..", "###"}},
    Glyph{'0', {"###", "#.#", "#.#", "#.#", "###"}},
    Glyph{'1', {".#.", "##.", ".#.", ".#.", "###"}},
    Glyph{'2', {"##.", "..#", ".#.", "#..", "###"}},
    Glyph{'3', {"##.", "..#", ".#.", "..#", "##."}},
    Glyph{'4', {"#.#", "#.#", "###", "..#", "..#"}},
    Glyph{'5', {"###", "#..", "##.", "..#", "##."}},
    Glyph{'6', {".##", "#..", "###", "#.#", "###"}},
    Glyph{'7', {"###", "..#", ".#.", ".#.", ".#."}},
    Glyph{'8', {"###", "#.#", "###", "#.#", "###"}},
    Glyph{'9', {"###", "#.#", "###", "..#", "##."}},
    Glyph{' ', {"...", "...", "...", "...", "..."}},
    Glyph{'-', {"...", "...", "###", "...", "..."}},
    Glyph{'_', {"...", "...", "...", "...", "###"}},
    Glyph{'.', {"...", "...", "...", "...", ".#."}},
    Glyph{':', {"...", ".#.", "...", ".#.", "..."}},
    Glyph{'(', {"..#", ".#.", ".#.", ".#.", "..#"}},
    Glyph{')', {"#..", ".#.", ".#.", ".#.", "#.."}},
    Glyph{'/', {"..#", "..#", ".#.", "#..", "#.."}},
    Glyph{'?', {"##.", "..#", ".#.", "...", ".#."}},
};

const Glyph& glyph_of(char character) {
  if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.character == character) return glyph;
  }
  return kGlyphs.back();
}

}  // namespace

void draw_text(Canvas& canvas, int x, int y, std::string_view text, int scale, Rgb colour,
               int right_limit) {
  for (const char character : text) {
    if (x + kGlyphWidth * scale > right_limit) return;
    const Glyph& glyph = glyph_of(character);
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int dot = 0; dot < kGlyphWidth; ++dot) {
        if (glyph.rows[static_cast<std::size_t>(row)][dot] != '#') continue;
        canvas.fill({x + dot * scale, y + row * scale, scale, scale}, colour);
      }
    }
    x += kGlyphAdvance * scale;
  }
}

}  // namespace tromvex
