#include "support/screen.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ios>

#include "winapi/text.h"
#include "support/process.h"

namespace orvanel::testing {

using winapi::scoped_select;
using winapi::scoped_window_dc;

POINT centre_of(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT centre_on_screen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return centre_of(rect);
}

int screen_dpi() {
  const scoped_window_dc screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int font_pixels(double points, int dpi) {
  return static_cast<int>(std::lround(points * dpi / 72.0));
}

namespace {

winapi::unique_hfont font_of(int pixels, int weight, const wchar_t* face) {
  return winapi::unique_hfont(CreateFontW(-pixels, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET,
                                          OUT_TT_PRECIS, 0, DEFAULT_QUALITY,
                                          VARIABLE_PITCH | FF_SWISS, face));
}

}  // namespace

std::wstring face_for(const wchar_t* face) {
  for (const wchar_t* candidate : {face, L"Liberation Sans"}) {
    const winapi::unique_hfont font = font_of(12, FW_NORMAL, candidate);
    const scoped_window_dc dc(nullptr);
    const scoped_select selected(dc.get(), font.get());
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc.get(), LF_FACESIZE, chosen);
    if (std::wstring(chosen) == candidate) return candidate;
  }
  return {};
}

winapi::unique_hfont sans_font(int pixels, int weight, const wchar_t* face) {
  const std::wstring drawn = face_for(face);
  if (drawn.empty()) return {};
  return font_of(pixels, weight, drawn.c_str());
}

SIZE text_extent(HFONT font, const std::wstring& text) {
  const scoped_window_dc dc(nullptr);
  const scoped_select selected(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return {size.cx, metrics.tmHeight};
}

namespace {

// Where a window's pixels are read. Its own DC: with the desktop compositor
// that reads the window itself, not a notification or a topmost window that
// happens to cover it. Wine's DC of another process's window shows nothing of
// it, so there the screen is read where the window stands.
bool read_from_screen(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return under_wine() && process != GetCurrentProcessId();
}

}  // namespace

// One copy of the whole area: with the desktop compositor each GetPixel on
// the screen waits for a composition of its own.
std::vector<COLORREF> capture(HWND window, const RECT& client_area) {
  const ULONGLONG started = GetTickCount64();
  RECT area = client_area;
  if (read_from_screen(window)) {
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    window = nullptr;
  }
  const LONG width = area.right - area.left;
  const LONG height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: rows in reading order
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const scoped_window_dc dc(window);
  const winapi::unique_hdc memory(CreateCompatibleDC(dc.get()));
  const winapi::unique_hbitmap image(
      CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !image) return {};
  {
    const scoped_select selected(memory.get(), image.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, dc.get(), area.left, area.top, SRCCOPY)) {
      return {};
    }
  }
  const auto* pixels = static_cast<const RGBQUAD*>(bits);
  std::vector<COLORREF> colours;
  colours.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::size_t k = 0; k < static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
       ++k) {
    colours.push_back(RGB(pixels[k].rgbRed, pixels[k].rgbGreen, pixels[k].rgbBlue));
  }
  std::printf("captured %ldx%ld pixels in %llu ms\n", width, height,
              GetTickCount64() - started);
  return colours;
}

void save_screenshot(HWND window, const std::string& name) {
  const wchar_t* folder = _wgetenv(L"ORVANEL_SCREENSHOTS");
  RECT frame{};
  if (folder == nullptr || !GetWindowRect(window, &frame)) return;
  // What the program has still to paint, painted now, and a moment for it
  // to reach the screen.
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(200);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = frame.right - frame.left;
  info.bmiHeader.biHeight = frame.bottom - frame.top;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const auto row = static_cast<DWORD>((info.bmiHeader.biWidth * 3 + 3) & ~3);
  info.bmiHeader.biSizeImage = row * static_cast<DWORD>(info.bmiHeader.biHeight);
  void* bits = nullptr;
  // The whole frame: the window's own DC where it can be read, else the
  // screen's where the window stands.
  const bool from_screen = read_from_screen(window);
  const HWND read = from_screen ? nullptr : window;
  const scoped_window_dc source(read, GetWindowDC(read));
  const POINT origin = from_screen ? POINT{frame.left, frame.top} : POINT{0, 0};
  const winapi::unique_hdc memory(CreateCompatibleDC(source.get()));
  const winapi::unique_hbitmap image(
      CreateDIBSection(source.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !image) return;
  {
    const scoped_select selected(memory.get(), image.get());
    BitBlt(memory.get(), 0, 0, info.bmiHeader.biWidth, info.bmiHeader.biHeight, source.get(),
           origin.x, origin.y, SRCCOPY);
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + info.bmiHeader.biSizeImage;
  const std::wstring path =
      windows_path(std::wstring(folder) + L"/" + winapi::wide_from_utf8(name));
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), info.bmiHeader.biSizeImage);
}

}  // namespace orvanel::testing
