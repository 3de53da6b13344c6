// SPDX-License-Identifier: MIT
// Renders the sphere map by reflecting a procedural world off a unit ball:
// every texel becomes a ball normal, its reflected view ray and the colour
// the world shows along it, averaged over 4 x 4 samples per texel.
#include "sphere_map.h"

#include <cmath>
#include <cstdint>

namespace media {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
  double x, y, z;
};
struct Colour {
  double r, g, b; // linear 0..1 (values above 1 are clipped when stored)
};

double Clamp01(double v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}
double Smooth(double e0, double e1, double v) {
  double t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour Rgb(int r, int g, int b) {
  return {r / 255.0, g / 255.0, b / 255.0};
}

// Lattice value noise from an integer hash: the same numbers on every run
// and every machine.
double Lattice(int32_t x, int32_t y) {
  uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u;
  h ^= h >> 13;
  h *= 0x85ebca6bu;
  h ^= h >> 16;
  return (h & 0xffffff) / double(0xffffff);
}
double ValueNoise(double x, double y) {
  double fx = std::floor(x), fy = std::floor(y);
  int32_t ix = int32_t(fx), iy = int32_t(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  double a = Lattice(ix, iy), b = Lattice(ix + 1, iy), c = Lattice(ix, iy + 1), d = Lattice(ix + 1, iy + 1);
  return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}
double Fbm(double x, double y, int octaves) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * ValueNoise(x, y);
    norm += amplitude;
    x = x * 2.03 + 17.1;
    y = y * 2.03 - 5.7;
    amplitude *= 0.5;
  }
  return sum / norm;
}

// The world, seen along the unit direction r in eye space (x right, y up,
// z towards the viewer). The sun stands high behind the viewer's left
// shoulder, so the ball shows it on its upper left.
Colour World(Vec r) {
  const Vec sun = {-0.42, 0.62, 0.66}; // unit length
  const double cosSun = r.x * sun.x + r.y * sun.y + r.z * sun.z;
  const double sunAngle = std::acos(cosSun > 1 ? 1 : (cosSun < -1 ? -1 : cosSun));
  const double elevation = std::asin(r.y < -1 ? -1 : (r.y > 1 ? 1 : r.y));
  const double azimuth = std::atan2(r.x, -r.z);
  const Colour haze = Rgb(226, 230, 238);

  Colour c;
  // Hills along the horizon, higher in some directions than in others.
  const double hill = 0.025 + 0.07 * Fbm(azimuth * 2.2 + 40, 3.5, 4);
  if (elevation >= hill) {
    // Sky: pale at the horizon, deep blue overhead, with fair-weather clouds.
    double up = elevation / (kPi / 2);
    c = Mix(Rgb(200, 222, 246), Rgb(26, 64, 160), std::pow(up, 0.55));
    double lift = r.y + 0.12;
    double density = Fbm(r.x / lift * 1.6 + 3.0, r.z / lift * 1.6 - 7.0, 5);
    double cloud = Smooth(0.52, 0.74, density) * Smooth(0.0, 0.25, elevation) * Smooth(0.3, 0.7, sunAngle);
    Colour cloudColour = Mix(Rgb(250, 250, 252), Rgb(168, 176, 196), Smooth(0.62, 0.85, density));
    c = Mix(c, cloudColour, cloud * 0.9);
    c = Mix(c, haze, 1 - Smooth(0.0, 0.22, elevation));
  } else if (elevation >= 0) {
    // Hills: blue-grey, lighter towards their foot where the haze lies.
    double shade = Fbm(azimuth * 9, elevation * 40, 3);
    c = Mix(Rgb(70, 86, 118), Rgb(112, 126, 150), shade);
    c = Mix(c, haze, 0.5 * (1 - elevation / hill));
  } else {
    // Floor: a checkerboard one unit below the eye, fading into haze.
    double distance = 1 / -r.y;
    double px = r.x * distance, pz = r.z * distance;
    bool light = (int64_t(std::floor(px)) + int64_t(std::floor(pz))) & 1;
    c = light ? Rgb(214, 204, 186) : Rgb(46, 42, 56);
    c = Mix(c, haze, 1 - std::exp(-distance / 14));
  }
  // The sun: a white disc in a warm glow.
  c.r += 1.4 * std::exp(-sunAngle / 0.05) + 0.45 * std::exp(-sunAngle / 0.3);
  c.g += 1.3 * std::exp(-sunAngle / 0.05) + 0.36 * std::exp(-sunAngle / 0.3);
  c.b += 1.1 * std::exp(-sunAngle / 0.05) + 0.2 * std::exp(-sunAngle / 0.3);
  if (sunAngle < 0.045)
    c = {1.6, 1.6, 1.5};
  return c;
}

} // namespace

Image DrawSphereMap() {
  const int n = kSphereMapSize, samples = 4;
  Image image(n, n, 3);
  for (int row = 0; row < n; ++row) {
    for (int col = 0; col < n; ++col) {
      Colour sum = {0, 0, 0};
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          // Texture coordinates of the sample; row 0 is t = 0.
          double s = (col + (sx + 0.5) / samples) / n, t = (row + (sy + 0.5) / samples) / n;
          double nx = 2 * s - 1, ny = 2 * t - 1;
          // Texels outside the disc are never hit by a ball's normal. Those next
          // to it get the colour at the rim, so that filtering there blends
          // nothing foreign; further out they fade to a plain sky or floor tone.
          double rr = nx * nx + ny * ny, outside = 0;
          if (rr > 0.998) {
            outside = Smooth(1.0, 1.04, std::sqrt(rr));
            double k = std::sqrt(0.998 / rr);
            nx *= k;
            ny *= k;
            rr = 0.998;
          }
          double nz = std::sqrt(1 - rr);
          // The view ray (0, 0, -1) reflected about the normal.
          Colour c = World({2 * nz * nx, 2 * nz * ny, 2 * nz * nz - 1});
          c = Mix(c, ny > 0 ? Rgb(206, 216, 234) : Rgb(150, 146, 152), outside);
          sum.r += Clamp01(c.r);
          sum.g += Clamp01(c.g);
          sum.b += Clamp01(c.b);
        }
      }
      uint8_t *out = image.At(col, row);
      const double scale = 255.0 / (samples * samples);
      out[0] = uint8_t(std::lround(sum.r * scale));
      out[1] = uint8_t(std::lround(sum.g * scale));
      out[2] = uint8_t(std::lround(sum.b * scale));
    }
  }
  return image;
}

} // namespace media
