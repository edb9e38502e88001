// Draws the glyph sheet of the transparent painter and writes it as a 24-bit BMP file.
//
// The sheet is 72 x 198 pixels on magenta (the transparency key). Four columns of square cells
// stacked from the top: x 0-12 check boxes (13 px cells), x 16-31 check boxes (16 px), x 32-44
// radio buttons (13 px), x 48-63 radio buttons (16 px). Check-box columns hold 12 states
// (unchecked, checked, mixed; each normal, hot, pressed, disabled), radio columns 8 (unselected,
// selected; the same four each). Check-box cells are opaque squares; radio cells keep magenta
// outside the circle. Usage: make_glyph_sheet <output.bmp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int kWidth = 72;
constexpr int kHeight = 198;
constexpr int kRowStride = kWidth * 3;  // 216, already a multiple of four
constexpr int kPixelOffset = 54;

struct Rgb {
  std::uint8_t r, g, b;
};

constexpr Rgb kMagenta{0xFF, 0x00, 0xFF};
constexpr Rgb kBorder{0x33, 0x5C, 0x85};
constexpr Rgb kBorderDisabled{0xA0, 0xA0, 0xA0};
constexpr Rgb kMark{0x1E, 0x6B, 0x2E};
constexpr Rgb kMarkDisabled{0x90, 0x90, 0x90};
// Fill of the four states: normal, hot, pressed, disabled.
constexpr Rgb kFill[4] = {{0xFF, 0xFF, 0xFF}, {0xE3, 0xF1, 0xFC}, {0xC4, 0xDD, 0xF2}, {0xE6, 0xE6, 0xE6}};

enum class Mark { none, check, mixed, dot };

class Sheet {
 public:
  Sheet() : pixels_(kWidth * kHeight, kMagenta) {}

  void set(int x, int y, Rgb c) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) pixels_[y * kWidth + x] = c;
  }

  void checkCell(int left, int top, int size, int state, Mark mark) {
    const bool disabled = state == 3;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
        set(left + x, top + y, edge ? (disabled ? kBorderDisabled : kBorder) : kFill[state]);
      }
    }
    const Rgb ink = disabled ? kMarkDisabled : kMark;
    if (mark == Mark::check) {
      // A tick: down-right from about a third of the cell, then up-right to the far corner.
      const double s = size / 13.0;
      for (double t = 0; t <= 1.0; t += 0.02) {
        plotThick(left + (3 + 2 * t) * s, top + (6 + 2.5 * t) * s, ink);
        plotThick(left + (5 + 4 * t) * s, top + (8.5 - 5 * t) * s, ink);
      }
    } else if (mark == Mark::mixed) {
      for (int y = size / 4 + 1; y < size - size / 4 - 1; ++y)
        for (int x = size / 4 + 1; x < size - size / 4 - 1; ++x) set(left + x, top + y, ink);
    }
  }

  void radioCell(int left, int top, int size, int state, bool selected) {
    const bool disabled = state == 3;
    const double c = (size - 1) / 2.0;
    const double r = size / 2.0 - 0.2;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const double d = std::hypot(x - c, y - c);
        if (d > r) continue;  // stays magenta
        Rgb colour = d > r - 1.2 ? (disabled ? kBorderDisabled : kBorder) : kFill[state];
        if (selected && d < size / 4.5) colour = disabled ? kMarkDisabled : kMark;
        set(left + x, top + y, colour);
      }
    }
  }

  bool write(const char* path) const {
    std::vector<std::uint8_t> file(kPixelOffset + kRowStride * kHeight, 0);
    auto put16 = [&](int at, std::uint32_t v) {
      file[at] = v & 0xFF;
      file[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](int at, std::uint32_t v) {
      put16(at, v & 0xFFFF);
      put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, kPixelOffset);
    put32(14, 40);  // information header size
    put32(18, kWidth);
    put32(22, kHeight);  // positive: rows bottom-up
    put16(26, 1);        // planes
    put16(28, 24);       // bits per pixel
    put32(30, 0);        // no compression
    put32(34, kRowStride * kHeight);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < kHeight; ++y) {
      const int fileRow = kHeight - 1 - y;
      for (int x = 0; x < kWidth; ++x) {
        const Rgb c = pixels_[y * kWidth + x];
        const int at = kPixelOffset + fileRow * kRowStride + x * 3;
        file[at] = c.b;
        file[at + 1] = c.g;
        file[at + 2] = c.r;
      }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
  }

 private:
  void plotThick(double x, double y, Rgb c) {
    const int ix = static_cast<int>(std::lround(x));
    const int iy = static_cast<int>(std::lround(y));
    set(ix, iy, c);
    set(ix, iy + 1, c);
  }

  std::vector<Rgb> pixels_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
    return 2;
  }
  Sheet sheet;
  const Mark checkMarks[3] = {Mark::none, Mark::check, Mark::mixed};
  for (const auto& [left, size] : {std::pair{0, 13}, std::pair{16, 16}}) {
    for (int i = 0; i < 12; ++i) sheet.checkCell(left, i * size, size, i % 4, checkMarks[i / 4]);
  }
  for (const auto& [left, size] : {std::pair{32, 13}, std::pair{48, 16}}) {
    for (int i = 0; i < 8; ++i) sheet.radioCell(left, i * size, size, i % 4, i >= 4);
  }
  return sheet.write(argv[1]) ? 0 : 1;
}
