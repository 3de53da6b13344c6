// SPDX-License-Identifier: MIT
// Draws the logo from our own letter design: each letter is a polygon with
// chamfered corners (plus the counter of the R), slanted forward, rendered
// through an exact signed distance field so that every edge is antialiased.
#include "logo.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace media {

namespace {

struct Point {
  double x, y;
};
using Contour = std::vector<Point>;
struct Glyph {
  double advance;                // design units from this letter's left edge to the next one's
  std::vector<Contour> contours; // outer outline first, then holes (filled even-odd)
};

// Letter design, in units of a cap height of 100, y growing downwards.
const Glyph kK = {79 + 13,
                  {{{0, 8},
                    {8, 0},
                    {24, 0},
                    {24, 38},
                    {50, 0},
                    {79, 0},
                    {45, 50},
                    {79, 100},
                    {50, 100},
                    {24, 62},
                    {24, 100},
                    {0, 100}}}};
const Glyph kR = {78 + 13,
                  {{{0, 8},
                    {8, 0},
                    {56, 0},
                    {74, 18},
                    {74, 40},
                    {60, 54},
                    {78, 100},
                    {52, 100},
                    {36, 62},
                    {24, 62},
                    {24, 100},
                    {0, 100}},
                   {{24, 20}, {46, 20}, {52, 26}, {52, 36}, {46, 42}, {24, 42}}}};
const Glyph kE = {70 + 13,
                  {{{0, 8},
                    {8, 0},
                    {70, 0},
                    {70, 21},
                    {24, 21},
                    {24, 40},
                    {60, 40},
                    {60, 60},
                    {24, 60},
                    {24, 79},
                    {70, 79},
                    {70, 100},
                    {0, 100}}}};
const Glyph kL = {66, {{{0, 8}, {8, 0}, {24, 0}, {24, 79}, {66, 79}, {66, 100}, {0, 100}}}};

constexpr double kSlant = 0.15;    // forward lean: x grows by this much per unit of height above the baseline
constexpr double kScale = 1.3;     // pixels per design unit
constexpr double kTop = 38;        // pixel row of the cap line
constexpr double kOutline = 3.5;   // width of the dark outline, pixels
constexpr double kBevel = 4.5;     // width of the lit and shaded inner rim, pixels
constexpr double kReflection = 58; // rows over which the floor reflection fades out

struct Rgba {
  double r, g, b, a; // colour 0..1, straight (not premultiplied) alpha
};

double Clamp01(double v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}
double Smooth(double e0, double e1, double v) {
  double t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
Rgba Mix(const Rgba &a, const Rgba &b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
// Porter-Duff "over" with straight alpha.
Rgba Over(const Rgba &top, const Rgba &under) {
  double a = top.a + under.a * (1 - top.a);
  if (a <= 0)
    return {1, 1, 1, 0};
  double wu = under.a * (1 - top.a);
  return {(top.r * top.a + under.r * wu) / a, (top.g * top.a + under.g * wu) / a, (top.b * top.a + under.b * wu) / a,
          a};
}
Rgba Rgb(int r, int g, int b, double a = 1) {
  return {r / 255.0, g / 255.0, b / 255.0, a};
}

// Stores a pixel; one whose alpha rounds to 0 is stored as transparent white.
void Store(uint8_t *out, const Rgba &c) {
  const long alpha = std::lround(Clamp01(c.a) * 255);
  if (alpha == 0) {
    out[0] = out[1] = out[2] = 255;
    out[3] = 0;
    return;
  }
  out[0] = uint8_t(std::lround(Clamp01(c.r) * 255));
  out[1] = uint8_t(std::lround(Clamp01(c.g) * 255));
  out[2] = uint8_t(std::lround(Clamp01(c.b) * 255));
  out[3] = uint8_t(alpha);
}

const Glyph *const kWord[] = {&kK, &kR, &kE, &kL};

// Where a point of letter `index`, in design units, lands in the image.
Point Place(int index, Point p) {
  double width = 100 * kSlant, pen = 0;
  for (int i = 0; i < 4; ++i) {
    if (i < index)
      pen += kWord[i]->advance;
    width += kWord[i]->advance;
  }
  const double left = (kLogoWidth - width * kScale) / 2;
  return {left + (pen + p.x + (100 - p.y) * kSlant) * kScale, kTop + p.y * kScale};
}

// The word laid out in pixel space: every contour of every letter, slanted,
// scaled and centred.
std::vector<Contour> LayOutWord() {
  std::vector<Contour> out;
  for (int i = 0; i < 4; ++i) {
    for (const Contour &c : kWord[i]->contours) {
      Contour placed;
      for (const Point &p : c)
        placed.push_back(Place(i, p));
      out.push_back(placed);
    }
  }
  return out;
}

// Signed distance in pixels from p to the outline: negative inside a letter.
double SignedDistance(const std::vector<Contour> &contours, Point p) {
  double best = 1e30;
  bool inside = false;
  for (const Contour &c : contours) {
    for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
      const Point &a = c[j], &b = c[i];
      double ex = b.x - a.x, ey = b.y - a.y;
      double t = ((p.x - a.x) * ex + (p.y - a.y) * ey) / (ex * ex + ey * ey);
      t = Clamp01(t);
      double dx = p.x - (a.x + ex * t), dy = p.y - (a.y + ey * t);
      best = std::min(best, dx * dx + dy * dy);
      if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * ex / ey)
        inside = !inside;
    }
  }
  double d = std::sqrt(best);
  return inside ? -d : d;
}

// The chrome fill: a sky over a dark horizon over a warm floor with receding
// lines, by height within the letters (v = 0 at the cap line, 1 at the baseline).
Rgba ChromeAt(double v, double pixelsPerUnitV) {
  const Rgba skyTop = Rgb(250, 252, 255), skyLow = Rgb(58, 104, 196);
  const Rgba floorHigh = Rgb(112, 36, 104), floorLow = Rgb(255, 196, 118);
  const Rgba horizon = Rgb(22, 16, 58);
  Rgba sky = Mix(skyTop, skyLow, std::pow(Clamp01(v / 0.49), 1.6));
  Rgba floor = Mix(floorHigh, floorLow, std::pow(Clamp01((v - 0.51) / 0.49), 0.8));
  const double px = 1 / pixelsPerUnitV; // one pixel in units of v
  Rgba c = Mix(sky, floor, Smooth(0.5 - px, 0.5 + px, v));
  // A thin dark horizon line, 2 pixels wide.
  c = Mix(c, horizon, 1 - Smooth(1.0 * px, 2.0 * px, std::fabs(v - 0.5)));
  // Light lines on the floor, closer together near the horizon, as a floor
  // grid seen in perspective: line k of 5 lies at v = 0.5 + 0.5 (k / 5)^2.
  if (v > 0.5) {
    const int lines = 5;
    double k = std::round(std::sqrt((v - 0.5) / 0.5) * lines);
    double vk = 0.5 + 0.5 * (k / lines) * (k / lines);
    double distance = std::fabs(v - vk) / px; // in pixels
    if (k >= 1)
      c = Mix(c, Rgb(255, 240, 220), 0.6 * (1 - Smooth(0.4, 1.3, distance)));
  }
  return c;
}

// A four-pointed glint centred on (cx, cy), `size` pixels from tip to centre.
double Glint(double x, double y, double cx, double cy, double size) {
  double dx = std::fabs(x - cx), dy = std::fabs(y - cy);
  double core = std::exp(-std::sqrt(dx * dx + dy * dy) / (size * 0.12));
  double beamX = std::exp(-dy / 0.6) * Clamp01(1 - dx / size);
  double beamY = std::exp(-dx / 0.6) * Clamp01(1 - dy / size);
  double diag = std::exp(-std::fabs(dx - dy) / 0.6) * Clamp01(1 - (dx + dy) / size) * 0.35;
  return Clamp01(core + beamX * beamX + beamY * beamY + diag);
}

} // namespace

Image DrawLogo() {
  const std::vector<Contour> word = LayOutWord();
  const int w = kLogoWidth, h = kLogoHeight;

  // Signed distance at every pixel centre; the bevel needs its gradient too.
  std::vector<double> sdf(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      sdf[size_t(y) * w + x] = SignedDistance(word, {x + 0.5, y + 0.5});
  auto D = [&](int x, int y) {
    x = std::clamp(x, 0, w - 1);
    y = std::clamp(y, 0, h - 1);
    return sdf[size_t(y) * w + x];
  };

  // The letters: chrome fill with a lit rim inside a dark outline.
  const double capPixels = 100 * kScale;
  const Rgba outline = Rgb(20, 14, 52);
  const double lx = -0.6, ly = -0.8; // light from the upper left (y grows downwards)
  std::vector<Rgba> letters(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double d = D(x, y);
      Rgba c = outline;
      if (d < 1) {
        double v = (y + 0.5 - kTop) / capPixels;
        Rgba fill = ChromeAt(v, capPixels);
        double depth = -d; // pixels inside the edge
        if (depth < kBevel + 1) {
          double gx = (D(x + 1, y) - D(x - 1, y)) / 2, gy = (D(x, y + 1) - D(x, y - 1)) / 2;
          double len = std::sqrt(gx * gx + gy * gy);
          if (len > 1e-6) {
            // The outward normal; a rim facing the light is lit, the other shaded.
            double facing = (gx * lx + gy * ly) / len;
            double rim = 1 - Smooth(0, kBevel, depth);
            if (facing > 0)
              fill = Mix(fill, Rgb(255, 255, 255), 0.75 * facing * rim);
            else
              fill = Mix(fill, Rgb(10, 6, 40), -0.55 * facing * rim);
          }
        }
        c = Mix(outline, fill, Clamp01(0.5 - d)); // antialiased boundary of fill and outline
      }
      c.a = Clamp01(0.5 - (d - kOutline)); // antialiased outer edge of the outline
      letters[size_t(y) * w + x] = c;
    }
  }

  // The floor under the word mirrors it, fading with distance.
  const double mirror = kTop + capPixels + kOutline + 3; // the floor line
  Image image(w, h, 4);
  const double shadowDx = 7, shadowDy = 7;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Rgba px = {1, 1, 1, 0};
      double below = y + 0.5 - mirror;
      if (below > 0 && below < kReflection) {
        int sy = int(std::floor(mirror - below));
        if (sy >= 0) {
          Rgba r = letters[size_t(sy) * w + x];
          double fade = 1 - below / kReflection;
          r.a *= 0.42 * fade * fade;
          px = Over(r, px);
        }
      }
      // Soft shadow of the outlined letters, cast down and to the right.
      double ds = D(int(std::lround(x - shadowDx)), int(std::lround(y - shadowDy))) - kOutline;
      if (y < mirror) {
        Rgba s = Rgb(30, 12, 60, 0.45 * (1 - Smooth(-3, 6, ds)));
        px = Over(s, px);
      }
      px = Over(letters[size_t(y) * w + x], px);
      Store(image.At(x, y), px);
    }
  }

  // Glints where the chrome is blue enough to show them: the K's stem, the
  // R's bowl and the E's middle bar.
  const Point glints[] = {Place(0, {12, 38}), Place(1, {63, 27}), Place(2, {50, 44})};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double g = 0;
      for (const Point &p : glints)
        g = std::max(g, Glint(x + 0.5, y + 0.5, p.x, p.y, 24));
      if (g <= 0.003)
        continue;
      uint8_t *out = image.At(x, y);
      Rgba under = {out[0] / 255.0, out[1] / 255.0, out[2] / 255.0, out[3] / 255.0};
      Store(out, Over({1, 1, 1, g}, under));
    }
  }
  return image;
}

} // namespace media
