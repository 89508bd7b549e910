#pragma once
// Display depth and decoding mode, handed to every loader so the 256-colour paths stay testable
// on a true-colour screen.

namespace vr::picture {

struct DecodeProgress;

struct DecodeOptions {
  // Bits per pixel of the screen (1, 4, 8, 15, 16, 24 or 32), measured before each load.
  int display_depth = 32;
  // "Make TRUE-COLOR images load as 256 DITHERED Colors" (not kept in the settings file).
  bool true_colour_on_256 = false;
  // Row progress of the decode (LoadPicture installs it for its duration); nullptr: none.
  DecodeProgress* progress = nullptr;
  // Reduced decoding: a screen of at most 8 bits with the setting on.
  bool Reduced() const { return display_depth <= 8 && true_colour_on_256; }
};

}  // namespace vr::picture
