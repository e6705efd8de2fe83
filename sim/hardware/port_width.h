// Access widths of the board model: 1, 2 or 4 bytes.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace sim {

inline uint32_t WidthMask(int width) {
  switch (width) {
    case 1: return 0xFFu;
    case 2: return 0xFFFFu;
    case 4: return 0xFFFFFFFFu;
  }
  throw std::invalid_argument("access width must be 1, 2 or 4 bytes");
}

}  // namespace sim
