#include "platform/posix/printing/fonts.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/cp437.h"

namespace platform::posix {
namespace {

// Windows-1252 characters 0x80 to 0x9F; 0 marks the five unassigned ones.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void append_utf8(std::string& out, uint32_t cp) {
  char bytes[4];
  out.append(bytes, static_cast<size_t>(utf8_encode(cp, bytes)));
}

int fc_weight(int32_t weight) {
  if (weight <= 0) return FC_WEIGHT_REGULAR;
  if (weight < 350) return FC_WEIGHT_LIGHT;
  if (weight < 550) return FC_WEIGHT_REGULAR;
  if (weight < 650) return FC_WEIGHT_DEMIBOLD;
  if (weight < 750) return FC_WEIGHT_BOLD;
  return FC_WEIGHT_BLACK;
}

}  // namespace

std::string cp1252_to_utf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    uint32_t cp = c;
    if (c >= 0x80 && c < 0xA0) cp = kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : '?';
    if (c == 0) cp = ' ';
    append_utf8(out, cp);
  }
  return out;
}

std::unique_ptr<PrinterFont> PrinterFont::make(const LogFont& font, int32_t dpi) {
  std::unique_ptr<PrinterFont> f(new PrinterFont);
  f->logical_ = font;
  char face_name[sizeof(font.face_name) + 1] = {};
  std::copy(std::begin(font.face_name), std::end(font.face_name), face_name);

  FcPattern* want = FcPatternCreate();
  if (!want) return nullptr;
  if (face_name[0]) FcPatternAddString(want, FC_FAMILY, reinterpret_cast<FcChar8*>(face_name));
  FcPatternAddInteger(want, FC_WEIGHT, fc_weight(font.weight));
  FcPatternAddInteger(want, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(want, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, want, FcMatchPattern);
  FcDefaultSubstitute(want);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, want, &result);
  FcPatternDestroy(want);
  if (!found) return nullptr;
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
    f->file_ = reinterpret_cast<const char*>(file);
  }
  if (FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch) {
    f->family_ = reinterpret_cast<const char*>(family);
  }
  f->face_ = cairo_ft_font_face_create_for_pattern(found);
  FcPatternDestroy(found);
  if (!f->face_ || cairo_font_face_status(f->face_) != CAIRO_STATUS_SUCCESS) return nullptr;

  // A first guess of the size; a positive height includes the internal leading, so it is
  // corrected once the font's own proportions are known.
  int32_t h = font.height;
  double em = h < 0 ? -h : (h > 0 ? h : dpi * 12.0 / kPointsPerInch);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);

  double win_ascent = 0.8, win_descent = 0.2, gap = 0, avg = 0.5;  // in ems
  for (int pass = 0; pass < 2; ++pass) {
    if (f->scaled_) cairo_scaled_font_destroy(f->scaled_);
    cairo_matrix_t size;
    cairo_matrix_init_scale(&size, em, em);
    f->scaled_ = cairo_scaled_font_create(f->face_, &size, &identity, options);
    if (cairo_scaled_font_status(f->scaled_) != CAIRO_STATUS_SUCCESS) {
      cairo_font_options_destroy(options);
      return nullptr;
    }
    if (FT_Face ft = cairo_ft_scaled_font_lock_face(f->scaled_)) {
      double upem = ft->units_per_EM ? ft->units_per_EM : 2048;
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
      auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
      if (os2 && os2->version != 0xFFFF) {
        win_ascent = os2->usWinAscent / upem;
        win_descent = os2->usWinDescent / upem;
        avg = os2->xAvgCharWidth / upem;
      } else {
        win_ascent = ft->ascender / upem;
        win_descent = -ft->descender / upem;
      }
      if (hhea) {
        double hhea_height = (hhea->Ascender - hhea->Descender) / upem;
        gap = std::max(0.0, hhea->Line_Gap / upem - ((win_ascent + win_descent) - hhea_height));
      }
      cairo_ft_scaled_font_unlock_face(f->scaled_);
    }
    if (h > 0 && pass == 0) {
      em = h / (win_ascent + win_descent);
      continue;
    }
    break;
  }
  cairo_font_options_destroy(options);
  f->em_ = em;
  TextMetrics& m = f->metrics_;
  m.ascent = static_cast<int32_t>(std::lround(win_ascent * em));
  m.descent = static_cast<int32_t>(std::lround(win_descent * em));
  m.height = m.ascent + m.descent;
  m.internal_leading = std::max(0, m.height - static_cast<int32_t>(std::lround(em)));
  m.external_leading = static_cast<int32_t>(std::lround(gap * em));
  m.ave_char_width = static_cast<int32_t>(std::lround(avg * em));
  if (m.ave_char_width <= 0) m.ave_char_width = f->text_width("x");
  m.max_char_width = std::max(m.ave_char_width, f->text_width("W"));
  m.weight = font.weight;
  return f;
}

PrinterFont::~PrinterFont() {
  if (scaled_) cairo_scaled_font_destroy(scaled_);
  if (face_) cairo_font_face_destroy(face_);
}

std::vector<cairo_glyph_t> PrinterFont::layout(const std::string& text, double x, double baseline,
                                               int32_t& width) const {
  std::vector<cairo_glyph_t> out;
  width = 0;
  std::string utf8 = cp1252_to_utf8(text);
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  if (cairo_scaled_font_text_to_glyphs(scaled_, 0, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       &glyphs, &count, nullptr, nullptr,
                                       nullptr) != CAIRO_STATUS_SUCCESS) {
    return out;
  }
  out.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    cairo_glyph_t g = glyphs[i];
    cairo_text_extents_t ext;
    cairo_scaled_font_glyph_extents(scaled_, &g, 1, &ext);
    g.x = x + width;
    g.y = baseline;
    out.push_back(g);
    width += static_cast<int32_t>(std::lround(ext.x_advance));
  }
  cairo_glyph_free(glyphs);
  return out;
}

int32_t PrinterFont::text_width(const std::string& text) const {
  int32_t width = 0;
  layout(text, 0, 0, width);
  return width;
}

}  // namespace platform::posix
