#pragma once

// The window as its design gives it, written out here on its own so that the
// tests hold the program to the design rather than to the program's own
// tables: a typo there shows as a difference here. Positions and sizes are in
// twips, 1440 to the inch: 15 twips are a pixel at 96 dpi.

#include <windows.h>

#include <array>
#include <string_view>

#include "app/forms.h"

namespace orvanel::testing::design {

inline constexpr std::string_view kTitle = "Orvanel v1.0";
inline constexpr int kClientWidth = 6300;   // 420 px at 96 dpi
inline constexpr int kClientHeight = 1845;  // 123 px
inline constexpr COLORREF kBackground = RGB(212, 208, 200);
inline constexpr SIZE kPictureSize{48, 48};  // pixels: the picture at its own size

enum class Kind { kButton, kLabel, kPicture };

struct Font {
  const wchar_t* face;
  double points;
  int weight;
};
inline constexpr Font kWindowFont{L"Arial", 8.25, 400};

// A text colour: the system's button text, or one of the design's own.
struct Ink {
  bool system_button_text;
  COLORREF colour;
};
inline constexpr Ink kButtonText{true, 0};

struct Control {
  orvanel::Control name;
  Kind kind;
  // Null where the wording is the program's own (the notice and the credit
  // line), and for the picture.
  const wchar_t* caption;
  int left, top, width, height;
  Font font;
  Ink ink;
  bool enabled;
};

// In tab order. A label's size is what its caption at creation takes on one
// line in its font; the picture's is its own.
inline constexpr std::array<Control, 7> kControls{{
    {Command1(0),
     Kind::kButton,
     L"&Start",
     3780,
     1140,
     1155,
     495,
     {L"Arial", 9.75, 700},
     kButtonText,
     false},
    {Command1(1),
     Kind::kButton,
     L"C&lose",
     4980,
     1140,
     1155,
     495,
     {L"Arial", 9.75, 700},
     kButtonText,
     true},
    {Label1,
     Kind::kLabel,
     L"Querying Status...",
     900,
     240,
     2475,
     330,
     {L"Arial", 14.25, 700},
     {false, RGB(0, 0, 128)},
     true},
    {Label2(0), Kind::kLabel, nullptr, 120, 1140, 1275, 210, kWindowFont, kButtonText, true},
    {Label2(1), Kind::kLabel, nullptr, 120, 1380, 2340, 210, kWindowFont, kButtonText, true},
    {Label3,
     Kind::kLabel,
     L"\u00A9",
     840,
     1125,
     165,
     255,
     {L"Arial", 11.25, 400},
     kButtonText,
     true},
    {Image1, Kind::kPicture, nullptr, 60, 60, 720, 720, {nullptr, 0, 0}, kButtonText, true},
}};

[[nodiscard]] constexpr const Control& of(orvanel::Control name) {
  for (const Control& control : kControls) {
    if (control.name == name) return control;
  }
  return kControls.front();
}

}  // namespace orvanel::testing::design
