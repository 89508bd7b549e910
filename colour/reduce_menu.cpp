#include "colour/reduce_menu.h"

namespace vr::colour {

const char* const kTrueColourNotNeeded =
    "There is NO reason to use this option considering that your Windows video mode can handle 16 "
    "Million colors. You only NEED to use this option if you are in 256 color video mode AND WANT "
    "to view 16M color files in color. It will DITHER the image so that you can view it in 256 "
    "colors.\r\r";

std::string TrueColourQuestion() {
  return std::string("This SLOWS down the loading of") +
         " 16M color files AND alters the INTERNAL data for the file. So MAKE SURE YOU DO NOT "
         "SAVE" +
         " the file back out because it will be the dithered picture you are saving :)" + "\r\r" +
         "The only value to using this option is so that 24bit (TRUE-COLOR) files can be viewed "
         "as closely as possible to what they SHOULD look like." +
         "\r\r" + "Do you wish to use this option ?";
}

const std::vector<ReduceMenuItem>& ReduceMenuItems() {
  static const std::vector<ReduceMenuItem> items = {
      {"&1. 2 Colors (Black && White)", 2, false, false},
      {"&2. 4 Colors", 4, false, false},
      {"&3. 8 Colors", 8, false, false},
      {"&4. 8 Colors (VGA Colors)", 8, true, false},
      {"&5. 16 Colors", 16, false, false},
      {"&6. 16 (VGA colors)", 16, true, false},
      {"&7. 32 Colors", 32, false, false},
      {"&8. 64 Colors", 64, false, false},
      {"&9. 128 Colors", 128, false, false},
      {"&10  256 Colors", 256, false, false},
      {"&11. Windows 236 Colors", 256, false, true},
  };
  return items;
}

int ToggleTrueColourOn256(int current, int display_depth,
                          const std::function<void(const std::string&)>& inform,
                          const std::function<bool(const std::string&)>& ask_yes_no) {
  if (current != 0) return 0;  // turning it off
  if (display_depth >= 9) {
    inform(kTrueColourNotNeeded);
    return 0;
  }
  return ask_yes_no(TrueColourQuestion()) ? 1 : 0;
}

}  // namespace vr::colour
