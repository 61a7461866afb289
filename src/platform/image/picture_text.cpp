// Text marks: FreeType through libgd, fonts chosen by fontconfig.
#include <gd.h>

#include <mutex>
#include <string>

#include "platform/image/picture.h"
#include "platform/vb/vb_error.h"

namespace ostrel::image {
namespace {

// Chinese marks need a face with Chinese coverage, which the configured
// family ("Arial" by default) seldom has. fontconfig resolves this name to
// the installed WenQuanYi face and, when it is missing, to whatever font
// covers Chinese best.
constexpr char kChineseFont[] = "WenQuanYi Zen Hei:lang=zh-cn";

// Sizes are pixels: at 72 dpi one point is one pixel.
constexpr int kDpi = 72;

void SetUpFonts() {
  static std::once_flag once;
  std::call_once(once, [] { gdFontCacheSetup(); });
}

bool AllAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A fontconfig pattern for the style. Family names are escaped, since
// "-", ":" and "," are pattern syntax.
std::string Pattern(std::string_view text, const TextStyle& style) {
  std::string pattern;
  if (AllAscii(text) && !style.family.empty()) {
    for (char c : style.family) {
      if (c == '\\' || c == '-' || c == ':' || c == ',') pattern += '\\';
      pattern += c;
    }
  } else {
    pattern = kChineseFont;
  }
  if (style.italic) pattern += ":slant=italic";
  return pattern;
}

// libgd reads "&#...;" and "&name;" as character references; a mark text is
// plain text, so every "&" is handed over as a reference to itself.
std::string PlainText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&#38;";
    } else {
      out += c;
    }
  }
  return out;
}

struct Layout {
  int brect[8] = {};
  std::string font_file;
};

// Lays text out on im (or only measures when im is null) with its origin at
// (x, y). Raises 5 when libgd refuses.
Layout Render(gdImagePtr im, int x, int y, int color, std::string_view text,
              const TextStyle& style) {
  SetUpFonts();
  if (!(style.size >= 1)) throw vb::VbError(5, "", "Invalid font size");
  std::string pattern = Pattern(text, style);
  std::string plain = PlainText(text);
  gdFTStringExtra extra{};
  extra.flags = gdFTEX_FONTCONFIG | gdFTEX_RESOLUTION | gdFTEX_RETURNFONTPATHNAME;
  extra.hdpi = kDpi;
  extra.vdpi = kDpi;
  Layout layout;
  char* error = gdImageStringFTEx(im, layout.brect, color, pattern.c_str(), style.size, 0.0, x, y,
                                  plain.c_str(), &extra);
  if (extra.fontpath != nullptr) {
    layout.font_file = extra.fontpath;
    gdFree(extra.fontpath);
  }
  if (error != nullptr) throw vb::VbError(5, "", std::string("Text cannot be drawn: ") + error);
  return layout;
}

}  // namespace

Picture::TextBox Picture::MeasureText(std::string_view text, const TextStyle& style) {
  if (text.empty()) return {};
  Layout layout = Render(nullptr, 0, 0, 0, text, style);
  TextBox box;
  // The corners libgd reports are rounded, and antialiasing inks the rows
  // next to the rounded edges: the box takes a pixel more across and two
  // more down (and one more across for the bold pass), so that all the ink
  // lies inside it.
  box.width = layout.brect[2] - layout.brect[6] + 1 + (style.bold ? 1 : 0);
  box.height = layout.brect[3] - layout.brect[7] + 2;
  return box;
}

void Picture::DrawText(int x, int y, std::string_view text, const TextStyle& style) {
  if (text.empty()) return;
  // libgd places the baseline at the origin; the box's top-left corner is
  // what the callers give. The rounded top edge can lie one pixel below the
  // first inked row, hence the extra pixel down.
  Layout probe = Render(nullptr, 0, 0, 0, text, style);
  int origin_x = x - probe.brect[6];
  int origin_y = y - probe.brect[7] + 1;
  int color = gdTrueColorAlpha(static_cast<int>((style.color >> 16) & 0xFF),
                               static_cast<int>((style.color >> 8) & 0xFF),
                               static_cast<int>(style.color & 0xFF), 0);
  // Text is blended onto the picture; everything else writes pixels as
  // they are, so blending is switched on only while drawing.
  struct Blending {
    gdImagePtr im;
    explicit Blending(gdImagePtr i) : im(i) { gdImageAlphaBlending(im, 1); }
    ~Blending() { gdImageAlphaBlending(im, 0); }
  } blending(im_);
  Render(im_, origin_x, origin_y, color, text, style);
  // Few faces with Chinese coverage have a bold weight: bold is a second
  // pass one pixel to the right.
  if (style.bold) Render(im_, origin_x + 1, origin_y, color, text, style);
}

std::string Picture::FontFileFor(std::string_view text, const TextStyle& style) {
  return Render(nullptr, 0, 0, 0, text.empty() ? std::string_view("A") : text, style).font_file;
}

}  // namespace ostrel::image
