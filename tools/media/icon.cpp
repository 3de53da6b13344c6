// SPDX-License-Identifier: MIT
// The icon: a box filter over the logo's visible part.
#include "icon.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {
// Below this alpha a pixel is shadow or reflection haze, not worth a margin.
constexpr int kVisibleAlpha = 24;
} // namespace

Image DrawIcon(const Image &logo, int size) {
  int x0 = logo.width, y0 = logo.height, x1 = 0, y1 = 0;
  for (int y = 0; y < logo.height; ++y)
    for (int x = 0; x < logo.width; ++x)
      if (logo.At(x, y)[3] >= kVisibleAlpha) {
        x0 = std::min(x0, x), y0 = std::min(y0, y);
        x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
      }
  Image icon(size, size, 4);
  if (x0 >= x1)
    return icon;
  const int margin = std::max(1, size / 32);
  const double scale = double(size - 2 * margin) / std::max(x1 - x0, y1 - y0); // icon pixels per logo pixel
  const double left = (size - (x1 - x0) * scale) / 2, top = (size - (y1 - y0) * scale) / 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      // The logo pixels whose centres fall in this icon pixel.
      const int sx0 = std::max(x0, x0 + int(std::ceil((x - left) / scale - 0.5)));
      const int sx1 = std::min(x1, x0 + int(std::ceil((x + 1 - left) / scale - 0.5)));
      const int sy0 = std::max(y0, y0 + int(std::ceil((y - top) / scale - 0.5)));
      const int sy1 = std::min(y1, y0 + int(std::ceil((y + 1 - top) / scale - 0.5)));
      double sum[4] = {0, 0, 0, 0};
      int count = 0;
      for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx, ++count) {
          const uint8_t *p = logo.At(sx, sy);
          for (int c = 0; c < 3; ++c)
            sum[c] += double(p[c]) * p[3];
          sum[3] += p[3];
        }
      uint8_t *out = icon.At(x, y);
      const double alpha = count > 0 ? sum[3] / count : 0;
      for (int c = 0; c < 3; ++c)
        out[c] = sum[3] > 0 ? uint8_t(std::lround(sum[c] / sum[3])) : 255;
      out[3] = uint8_t(std::lround(alpha));
    }
  return icon;
}

} // namespace media
