// A hosted control's property bag as the stored description holds it: one "key = value"
// line per entry. Texts are quoted, whole numbers and reals written so that they read
// back exactly, fonts as "Face", size, weight [, Italic] [, Underline] [, Strikeout], and
// pictures with their pixels:
//   Bitmap, width, height, "BGRA hex, rows top down" [, transparent colour]
//   Icon, width, height, "BGRA hex", "mask: one 0 or 1 a pixel, rows top down"
#pragma once

#include <string>
#include <string_view>

#include "forms/Description.h"
#include "forms/PropertyBag.h"

namespace forms {

// The bag's entries as description lines, each starting with indent and ending in "\n".
std::string BagToText(const PropertyBag& bag, std::string_view indent);

// A bag value from a description property; throws desc::DescriptionError naming the line.
BagValue BagValueFromProperty(const desc::Property& p);

// The font of a description property ("Verdana", 8.25, Bold); throws desc::DescriptionError.
FontSpec FontFromProperty(const desc::Property& p);

}  // namespace forms
