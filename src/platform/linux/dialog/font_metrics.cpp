// SPDX-License-Identifier: MIT
// Font metrics for dialog units, through Pango and fontconfig.
#include "common/dialog_units.h"

#include <pango/pangocairo.h>

namespace platform {

DialogBaseUnits MeasureDialogFont(const char *family, int pointSize, double dpi) {
  DialogBaseUnits units = {8, 16};
  PangoFontMap *fontMap = pango_cairo_font_map_new();
  if (fontMap == nullptr)
    return units;
  PangoContext *context = pango_font_map_create_context(fontMap);
  pango_cairo_context_set_resolution(context, dpi > 0 ? dpi : 96.0);
  PangoFontDescription *description = pango_font_description_new();
  pango_font_description_set_family(description, family != nullptr && *family != '\0' ? family : "Sans");
  pango_font_description_set_size(description, (pointSize > 0 ? pointSize : 10) * PANGO_SCALE);

  // The width average is taken over the letters only, as the classic dialog
  // manager does; digits and punctuation would shift it by font.
  PangoLayout *layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, description);
  pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  if (width > 0 && height > 0) {
    units.x = (width / 26 + 1) / 2;
    units.y = height;
  }
  g_object_unref(layout);
  pango_font_description_free(description);
  g_object_unref(context);
  g_object_unref(fontMap);
  return units;
}

} // namespace platform
