#include "win32gui/drawn_pictures.h"

#include <array>
#include <cstdint>

namespace korvex {
namespace {

// A top-down 32-bit picture with its pixels at hand, selected into a memory
// device context for GDI drawing.
class Canvas {
 public:
  explicit Canvas(int size) : size_(size), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return dc_; }
  int Size() const { return size_; }
  std::uint32_t* Pixels() const { return pixels_; }
  // Hands the picture over; the canvas no longer deletes it.
  HBITMAP Release() {
    SelectObject(dc_, previous_);
    previous_ = nullptr;
    HBITMAP bitmap = bitmap_;
    bitmap_ = nullptr;
    return bitmap;
  }

  void Fill(COLORREF colour) {
    const std::uint32_t pixel =
        (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < size_ * size_; ++i) pixels_[i] = pixel;
  }
  void Shape(COLORREF pen, COLORREF brush, int pen_width, const auto& draw) {
    HPEN p = CreatePen(PS_SOLID, pen_width, pen);
    HBRUSH b = CreateSolidBrush(brush);
    HGDIOBJ old_pen = SelectObject(dc_, p);
    HGDIOBJ old_brush = SelectObject(dc_, b);
    draw(dc_);
    SelectObject(dc_, old_pen);
    SelectObject(dc_, old_brush);
    DeleteObject(p);
    DeleteObject(b);
  }

 private:
  int size_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

void DrawProgramIcon(Canvas& canvas) {
  // The host's screen, upper left, on its stand.
  canvas.Shape(RGB(0x20, 0x20, 0x30), RGB(0xd8, 0xd8, 0xd8), 1,
               [](HDC dc) { RoundRect(dc, 1, 2, 19, 16, 3, 3); });
  canvas.Shape(RGB(0x30, 0x70, 0xd0), RGB(0x30, 0x70, 0xd0), 1,
               [](HDC dc) { Rectangle(dc, 3, 4, 17, 14); });
  canvas.Shape(RGB(0x60, 0x60, 0x68), RGB(0x60, 0x60, 0x68), 1, [](HDC dc) {
    Rectangle(dc, 8, 16, 12, 18);
    Rectangle(dc, 5, 18, 15, 20);
  });
  // The controller, lower right: a box with its status lamps and terminals.
  canvas.Shape(RGB(0x18, 0x18, 0x20), RGB(0x4a, 0x4e, 0x58), 1,
               [](HDC dc) { RoundRect(dc, 16, 13, 31, 31, 3, 3); });
  canvas.Shape(RGB(0x40, 0xe0, 0x40), RGB(0x40, 0xe0, 0x40), 1,
               [](HDC dc) { Ellipse(dc, 19, 16, 22, 19); });
  canvas.Shape(RGB(0xff, 0x40, 0x30), RGB(0xff, 0x40, 0x30), 1,
               [](HDC dc) { Ellipse(dc, 24, 16, 27, 19); });
  canvas.Shape(RGB(0xc8, 0xa0, 0x40), RGB(0xc8, 0xa0, 0x40), 1, [](HDC dc) {
    for (int i = 0; i < 4; ++i) Rectangle(dc, 18 + 3 * i, 26, 20 + 3 * i, 29);
  });
  // The link between them.
  canvas.Shape(RGB(0xff, 0xc0, 0x00), RGB(0xff, 0xc0, 0x00), 2, [](HDC dc) {
    const POINT bolt[] = {{3, 28}, {9, 23}, {8, 27}, {15, 22}};
    Polyline(dc, bolt, 4);
  });
}

}  // namespace

HICON CreateProgramIcon() {
  // Drawn on a colour the drawing never uses, which then becomes transparent.
  constexpr COLORREF kKey = RGB(0xff, 0x00, 0xff);
  constexpr std::uint32_t kKeyPixel = 0x00ff00ff;
  Canvas canvas(32);
  canvas.Fill(kKey);
  DrawProgramIcon(canvas);
  GdiFlush();
  for (int i = 0; i < 32 * 32; ++i) {
    std::uint32_t& pixel = canvas.Pixels()[i];
    pixel = (pixel & 0x00ffffff) == kKeyPixel ? 0 : (pixel | 0xff000000);
  }
  HBITMAP colour = canvas.Release();
  // The alpha channel decides what shows; the mask only has to exist.
  static constexpr std::array<std::uint16_t, 32 * 2> kOpaque{};
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, kOpaque.data());
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour);
  return icon;
}

HBITMAP CreateLampBitmap(bool busy) {
  Canvas canvas(8);
  canvas.Fill(GetSysColor(COLOR_BTNFACE));
  canvas.Shape(RGB(0x50, 0x50, 0x50), RGB(0xc0, 0xc0, 0xc0), 1,
               [](HDC dc) { Ellipse(dc, 0, 0, 8, 8); });
  canvas.Shape(RGB(0xe8, 0xe8, 0xe8), RGB(0xe8, 0xe8, 0xe8), 1,
               [](HDC dc) { Ellipse(dc, 2, 2, 4, 4); });
  if (busy) {
    canvas.Shape(RGB(0xd0, 0x00, 0x00), RGB(0xff, 0x30, 0x30), 1,
                 [](HDC dc) { Ellipse(dc, 2, 2, 6, 6); });
  }
  GdiFlush();
  return canvas.Release();
}

}  // namespace korvex
