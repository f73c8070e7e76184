// Draws the program's emblem, a waving pennant in front of a globe, and
// writes it as the application icon (five images) and as the window's 48 x 48
// picture on the window's background colour:
//   orvanel_emblem ICON_PATH BITMAP_PATH
// The output depends on nothing but this file, so it is committed and checked.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "resources/background.h"

namespace {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;  // straight colour, 0..255; coverage 0..1
};

struct Colour {
  std::uint8_t r, g, b;
};

constexpr Colour kBackground{orvanel::resources::kBackground.red,
                             orvanel::resources::kBackground.green,
                             orvanel::resources::kBackground.blue};
constexpr double kPi = std::numbers::pi;

// The geometry takes only the four operations and the square root, which
// IEEE 754 defines to the last bit. The C libraries' sin, cos, asin and atan2
// need not agree in that bit, and a sample on an edge follows it: the
// Windows build of this file would draw other pixels than the Linux one.
double sine(double x) {
  x -= std::round(x / (2 * kPi)) * (2 * kPi);
  double term = x;
  double sum = x;
  for (int k = 1; k <= 14; ++k) {
    term *= -x * x / ((2.0 * k) * (2.0 * k + 1));
    sum += term;
  }
  return sum;
}

double cosine(double x) {
  return sine(x + kPi / 2);
}

double arctangent(double x) {
  const bool inverted = std::abs(x) > 1;
  if (inverted) x = 1 / x;
  // Halved twice, atan(x) = 2 atan(x / (1 + sqrt(1 + x^2))), the series
  // converges within a few terms.
  for (int k = 0; k < 2; ++k) x /= 1 + std::sqrt(1 + x * x);
  double power = x;
  double sum = x;
  for (int k = 1; k <= 16; ++k) {
    power *= -x * x;
    sum += power / (2 * k + 1);
  }
  sum *= 4;
  if (!inverted) return sum;
  return (x > 0 ? kPi / 2 : -kPi / 2) - sum;
}

// The scene in a unit square, y downwards: the colour at one point, or
// nothing (a = 0) where the emblem has no paint.
Rgba paint(double x, double y) {
  // Pennant on its pole, in front.
  const double pole_left = 0.14;
  const double pole_right = 0.205;
  if (x >= pole_left && x <= pole_right && y >= 0.08 && y <= 0.96) {
    const double shade = (x - pole_left) / (pole_right - pole_left);
    return {70 + 60 * (1 - shade), 58 + 45 * (1 - shade), 48 + 30 * (1 - shade), 1};
  }
  if (y >= 0.05 && y < 0.09 && (x - 0.1725) * (x - 0.1725) + (y - 0.075) * (y - 0.075) < 0.05 * 0.05) {
    return {214, 170, 60, 1};  // finial
  }
  if (x > pole_right && x < 0.93) {
    const double t = (x - pole_right) / (0.93 - pole_right);
    const double wave = 0.045 * sine(t * 2.2 * kPi) * t;
    const double half = 0.19 * (1 - t);  // tapers to the tip
    const double centre = 0.30 + wave;
    const double edge = std::abs(y - centre);
    if (edge <= half) {
      const double fold = 0.5 + 0.5 * cosine(t * 2.2 * kPi);
      if (half - edge < 0.022) return {150, 40, 18, 1};  // hem
      return {232 - 40 * fold, 96 - 30 * fold, 36 - 10 * fold, 1};
    }
  }
  // Globe behind.
  const double cx = 0.60, cy = 0.58, radius = 0.37;
  const double dx = (x - cx) / radius, dy = (y - cy) / radius;
  const double d2 = dx * dx + dy * dy;
  if (d2 <= 1) {
    if (d2 > 0.86) return {22, 56, 110, 1};  // rim
    const double z = std::sqrt(1 - d2);
    const double light = std::clamp(0.55 + 0.45 * (-0.45 * dx - 0.55 * dy + 0.70 * z), 0.0, 1.0);
    const double latitude = arctangent(dy / std::sqrt(1 - dy * dy));
    const double longitude = arctangent(dx / z);  // z > 0 inside the rim
    const double step = kPi / 6;
    const bool parallel = std::abs(std::remainder(latitude, step)) < 0.07;
    const bool meridian = std::abs(std::remainder(longitude, step)) < 0.07 * (0.4 + z);
    if (parallel || meridian) return {150 + 90 * light, 200 + 50 * light, 250, 1};
    return {30 + 60 * light, 90 + 90 * light, 170 + 80 * light, 1};
  }
  return {};
}

// The index of pixel (x, y) in a square image of the given size.
std::size_t at(int x, int y, int size) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
}

// Each pixel averages an 8 x 8 grid of samples.
std::vector<Rgba> render(int size) {
  constexpr int kSamples = 8;
  std::vector<Rgba> pixels(static_cast<std::size_t>(size * size));
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      Rgba sum;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (px + (sx + 0.5) / kSamples) / size;
          const double y = (py + (sy + 0.5) / kSamples) / size;
          const Rgba c = paint(x, y);
          sum.r += c.r * c.a;
          sum.g += c.g * c.a;
          sum.b += c.b * c.a;
          sum.a += c.a;
        }
      }
      Rgba& out = pixels[at(px, py, size)];
      if (sum.a > 0)
        out = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (kSamples * kSamples)};
    }
  }
  return pixels;
}

std::uint8_t byte(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

Colour over_background(const Rgba& p) {
  return {byte(p.r * p.a + kBackground.r * (1 - p.a)), byte(p.g * p.a + kBackground.g * (1 - p.a)),
          byte(p.b * p.a + kBackground.b * (1 - p.a))};
}

class Writer {
 public:
  void u8(std::uint8_t v) { bytes.push_back(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v & 0xFFU));
    u8(static_cast<std::uint8_t>(v >> 8U));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v & 0xFFFFU));
    u16(static_cast<std::uint16_t>(v >> 16U));
  }
  void pad_to(std::size_t multiple, std::size_t row_start) {
    while ((bytes.size() - row_start) % multiple != 0) u8(0);
  }
  std::vector<std::uint8_t> bytes;
};

void bitmap_info(Writer& w, int width, int height, int bits, std::uint32_t image_size) {
  w.u32(40);
  w.u32(static_cast<std::uint32_t>(width));
  w.u32(static_cast<std::uint32_t>(height));
  w.u16(1);
  w.u16(static_cast<std::uint16_t>(bits));
  w.u32(0);  // uncompressed
  w.u32(image_size);
  w.u32(0);
  w.u32(0);
  w.u32(0);
  w.u32(0);
}

std::uint32_t row_bytes(int width, int bits) {
  return static_cast<std::uint32_t>(((width * bits + 31) / 32) * 4);
}

// Median cut over the opaque pixels: up to 255 colours, entry 0 left black
// for the transparent ones.
std::vector<Colour> palette_for(const std::vector<Colour>& colours) {
  using Box = std::vector<Colour>;
  std::vector<Box> boxes{colours};
  const auto channel = [](const Colour& c, int k) { return k == 0 ? c.r : k == 1 ? c.g : c.b; };
  while (boxes.size() < 255) {
    int best = -1, best_channel = 0, best_range = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].size() < 2) continue;
      for (int k = 0; k < 3; ++k) {
        const auto [lo, hi] =
            std::ranges::minmax(boxes[i], {}, [&](const Colour& c) { return channel(c, k); });
        const int range = channel(hi, k) - channel(lo, k);
        if (range > best_range) {
          best = static_cast<int>(i);
          best_channel = k;
          best_range = range;
        }
      }
    }
    if (best < 0) break;
    Box& box = boxes[static_cast<std::size_t>(best)];
    std::ranges::sort(box, {}, [&](const Colour& c) {
      return std::array{channel(c, best_channel), c.r, c.g, c.b};
    });
    Box upper(box.begin() + static_cast<std::ptrdiff_t>(box.size() / 2), box.end());
    box.resize(box.size() / 2);
    boxes.push_back(std::move(upper));
  }
  std::vector<Colour> palette{{0, 0, 0}};
  for (const Box& box : boxes) {
    if (box.empty()) continue;
    double r = 0, g = 0, b = 0;
    for (const Colour& c : box) {
      r += c.r;
      g += c.g;
      b += c.b;
    }
    const double n = static_cast<double>(box.size());
    palette.push_back({byte(r / n), byte(g / n), byte(b / n)});
  }
  palette.resize(256, Colour{0, 0, 0});
  return palette;
}

std::uint8_t nearest(const std::vector<Colour>& palette, const Colour& c) {
  int best = 1;
  int best_distance = 1 << 30;
  for (int i = 1; i < 256; ++i) {
    const Colour& p = palette[static_cast<std::size_t>(i)];
    const int d = (p.r - c.r) * (p.r - c.r) + (p.g - c.g) * (p.g - c.g) + (p.b - c.b) * (p.b - c.b);
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return static_cast<std::uint8_t>(best);
}

bool opaque(const Rgba& p) {
  return p.a >= 0.5;
}

// One icon image: a bitmap header of double height, the colours, then the
// 1-bit transparency mask.
std::vector<std::uint8_t> icon_image(int size, int bits) {
  const std::vector<Rgba> pixels = render(size);
  const std::uint32_t colour_row = row_bytes(size, bits);
  const std::uint32_t mask_row = row_bytes(size, 1);
  const auto rows = static_cast<std::uint32_t>(size);
  Writer w;
  bitmap_info(w, size, size * 2, bits, (colour_row + mask_row) * rows);
  if (bits == 8) {
    std::vector<Colour> solid;
    for (const Rgba& p : pixels) {
      if (opaque(p)) solid.push_back({byte(p.r), byte(p.g), byte(p.b)});
    }
    const std::vector<Colour> palette = palette_for(solid);
    for (const Colour& c : palette) {
      w.u8(c.b);
      w.u8(c.g);
      w.u8(c.r);
      w.u8(0);
    }
    for (int y = size - 1; y >= 0; --y) {
      const std::size_t start = w.bytes.size();
      for (int x = 0; x < size; ++x) {
        const Rgba& p = pixels[at(x, y, size)];
        w.u8(opaque(p) ? nearest(palette, {byte(p.r), byte(p.g), byte(p.b)}) : std::uint8_t{0});
      }
      w.pad_to(4, start);
    }
  } else {
    for (int y = size - 1; y >= 0; --y) {
      for (int x = 0; x < size; ++x) {
        const Rgba& p = pixels[at(x, y, size)];
        const bool any = p.a > 0;
        // Both arms a byte: a bare 0 would make the choice an int.
        w.u8(any ? byte(p.b) : std::uint8_t{0});
        w.u8(any ? byte(p.g) : std::uint8_t{0});
        w.u8(any ? byte(p.r) : std::uint8_t{0});
        w.u8(byte(p.a * 255));
      }
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    const std::size_t start = w.bytes.size();
    std::uint8_t bits_so_far = 0;
    for (int x = 0; x < size; ++x) {
      const bool transparent = !opaque(pixels[at(x, y, size)]);
      bits_so_far = static_cast<std::uint8_t>((bits_so_far << 1U) | (transparent ? 1U : 0U));
      if (x % 8 == 7) {
        w.u8(bits_so_far);
        bits_so_far = 0;
      }
    }
    w.pad_to(4, start);
  }
  return w.bytes;
}

std::vector<std::uint8_t> icon_file() {
  struct Entry {
    int size;
    int bits;
  };
  constexpr std::array<Entry, 5> kImages{{{32, 8}, {48, 8}, {16, 32}, {32, 32}, {48, 32}}};
  std::vector<std::vector<std::uint8_t>> images;
  images.reserve(kImages.size());
  for (const Entry& e : kImages) images.push_back(icon_image(e.size, e.bits));
  Writer w;
  w.u16(0);
  w.u16(1);
  w.u16(static_cast<std::uint16_t>(kImages.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(kImages.size());
  for (std::size_t i = 0; i < kImages.size(); ++i) {
    w.u8(static_cast<std::uint8_t>(kImages[i].size));
    w.u8(static_cast<std::uint8_t>(kImages[i].size));
    w.u8(0);  // 0: 256 colours or more
    w.u8(0);
    w.u16(1);
    w.u16(static_cast<std::uint16_t>(kImages[i].bits));
    w.u32(static_cast<std::uint32_t>(images[i].size()));
    w.u32(offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) w.bytes.insert(w.bytes.end(), image.begin(), image.end());
  return w.bytes;
}

std::vector<std::uint8_t> picture_file() {
  constexpr int kSize = 48;
  const std::vector<Rgba> pixels = render(kSize);
  const std::uint32_t row = row_bytes(kSize, 24);
  const std::uint32_t image_size = row * kSize;
  Writer w;
  w.u8('B');
  w.u8('M');
  w.u32(14 + 40 + image_size);
  w.u32(0);
  w.u32(14 + 40);
  bitmap_info(w, kSize, kSize, 24, image_size);
  for (int y = kSize - 1; y >= 0; --y) {
    const std::size_t start = w.bytes.size();
    for (int x = 0; x < kSize; ++x) {
      const Colour c = over_background(pixels[at(x, y, kSize)]);
      w.u8(c.b);
      w.u8(c.g);
      w.u8(c.r);
    }
    w.pad_to(4, start);
  }
  return w.bytes;
}

bool write(const char* path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s ICON_PATH BITMAP_PATH\n", argv[0]);
    return 2;
  }
  if (!write(argv[1], icon_file()) || !write(argv[2], picture_file())) {
    std::perror("orvanel_emblem");
    return 1;
  }
  return 0;
}
