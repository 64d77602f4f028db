// The pictures of the 14 built-in particle shapes: grey 64 × 64 images whose brightness becomes
// the alpha of a white image. They are computed, not stored, so the runner carries no picture
// files; each is the same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "runner/graphics/Particle_Main.h"

namespace {
constexpr double kPi = std::numbers::pi;

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// A smooth step from 1 inside to 0 outside over `soft` pixels around `edge`.
double Edge(double d, double edge, double soft) { return Clamp01((edge - d) / soft + 0.5); }

// Value noise on a lattice, the same on every run.
double Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}
double Noise(double x, double y, uint32_t seed) {
  const int32_t x0 = int32_t(std::floor(x)), y0 = int32_t(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = Hash(x0, y0, seed), b = Hash(x0 + 1, y0, seed);
  const double c = Hash(x0, y0 + 1, seed), d = Hash(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}
double Fractal(double x, double y, uint32_t seed) {
  return 0.5 * Noise(x, y, seed) + 0.3 * Noise(2 * x, 2 * y, seed + 1) + 0.2 * Noise(4 * x, 4 * y, seed + 2);
}

// Distance from (px, py) to the segment (ax, ay) - (bx, by).
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double t = Clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy));
  return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// The brightness (0..1) of a shape at a point, relative to the picture's centre.
double Brightness(int32_t shape, double x, double y) {
  const double r = std::hypot(x, y);
  const double a = std::atan2(y, x);
  switch (shape) {
    case 0:  // pixel: the one pixel at the origin
      return std::fabs(x) < 0.5 && std::fabs(y) < 0.5 ? 1 : 0;
    case 1:  // disk
      return Edge(r, 30, 1);
    case 2:  // square
      return 1;
    case 3:  // line: a thin horizontal bar, softened at its ends
      return Edge(std::fabs(y), 2, 1) * Edge(std::fabs(x), 30, 3);
    case 4: {  // star: five points
      const double k = std::cos(5 * (a + kPi / 2)) * 0.5 + 0.5;
      return Edge(r, 12 + 18 * std::pow(k, 3), 1.5);
    }
    case 5:  // circle: a thin outline
      return Edge(std::fabs(r - 28), 1.5, 1);
    case 6:  // ring: a soft band
      return std::exp(-((r - 24) * (r - 24)) / 18);
    case 7:  // sphere: brightest in the middle, falling off to the rim
      return r >= 31 ? Edge(r, 31, 1) * 0.05 : std::sqrt(1 - (r / 31) * (r / 31));
    case 8:  // flare: a glow with four long rays
      return Clamp01(std::exp(-r * r / 60) + 0.6 * std::exp(-std::fabs(x) / 1.2) * Edge(r, 31, 4) +
                     0.6 * std::exp(-std::fabs(y) / 1.2) * Edge(r, 31, 4) + 0.25 * Edge(r, 31, 8) * std::exp(-r / 10));
    case 9: {  // spark: a small core with eight thin rays
      const double ray = std::pow(std::fabs(std::cos(4 * a)), 40) * Edge(r, 30, 6);
      return Clamp01(std::exp(-r * r / 8) + ray * std::exp(-r / 14));
    }
    case 10: {  // explosion: a ragged ball
      const double n = Fractal(x / 9 + 4, y / 9 + 4, 10);
      return Edge(r, 16 + 14 * n, 4) * (0.55 + 0.45 * Fractal(x / 5, y / 5, 11));
    }
    case 11: {  // cloud: soft lumps
      const double n = Fractal(x / 12 + 7, y / 12 + 3, 20);
      return Clamp01(Edge(r, 20 + 10 * n, 8) * (0.6 + 0.4 * n));
    }
    case 12: {  // smoke: a faint, wispy blob
      const double n = Fractal(x / 7 + 1, y / 7 + 9, 30);
      return Clamp01(std::exp(-r * r / 300) * (0.3 + 0.9 * n));
    }
    case 13: {  // snow: a six-armed flake with side branches
      double d = 1e9;
      for (int32_t k = 0; k < 6; ++k) {
        const double c = std::cos(k * kPi / 3), s = std::sin(k * kPi / 3);
        d = std::min(d, SegmentDistance(x, y, 0, 0, 28 * c, 28 * s));
        for (double at : {12.0, 20.0}) {
          const double bx = at * c, by = at * s;
          for (double turn : {kPi / 4, -kPi / 4}) {
            const double cc = std::cos(k * kPi / 3 + turn), ss = std::sin(k * kPi / 3 + turn);
            d = std::min(d, SegmentDistance(x, y, bx, by, bx + 7 * cc, by + 7 * ss));
          }
        }
      }
      return Edge(d, 1.5, 1);
    }
    default:
      return 0;
  }
}
}  // namespace

std::vector<uint8_t> ParticleShapePicture(int32_t shape) {
  std::vector<uint8_t> pic(64 * 64, 0);
  if (shape == 0) {  // a single pixel: sampling would blur it
    pic[32 * 64 + 32] = 255;
    return pic;
  }
  // Four by four samples per pixel, pixel (32, 32) centred on the origin.
  for (int32_t py = 0; py < 64; ++py)
    for (int32_t px = 0; px < 64; ++px) {
      double sum = 0;
      for (int32_t sy = 0; sy < 4; ++sy)
        for (int32_t sx = 0; sx < 4; ++sx)
          sum += Clamp01(Brightness(shape, px - 32 + (sx + 0.5) / 4 - 0.5, py - 32 + (sy + 0.5) / 4 - 0.5));
      pic[size_t(py) * 64 + size_t(px)] = uint8_t(std::lround(sum / 16 * 255));
    }
  return pic;
}
