#pragma once

#include <cmath>

namespace ctrlprog {

// The window is designed in twips, 1440 to the inch; pixels follow the screen's logical dpi
// (15 twips a pixel at 96 dpi).
class Twips {
 public:
  explicit Twips(double logicalDpi) : dpi_(logicalDpi > 0 ? logicalDpi : 96) {}
  int ToPixels(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

 private:
  double dpi_;
};

}  // namespace ctrlprog
