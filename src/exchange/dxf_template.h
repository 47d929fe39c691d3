#pragma once
// The drawing a DXF export fills: a template of our own (src/exchange/drawing/), metric, with the
// tables CAD readers expect (LTYPE CONTINUOUS, LAYER 0, STYLE STANDARD, the model and paper space
// blocks) and the layers the export draws on, handed to GDAL's DXF driver as HEADER and TRAILER.
//
// What the driver asks of the two files, and so what an edit of them must keep:
// - The header ends by opening ENTITIES: the driver copies it up to "0 SECTION 2 ENTITIES" and
//   writes the entities after it; anything further is left out.
// - $HANDSEED (its value 8 digits wide) is where the driver puts the next free handle on closing,
//   and $EXTMIN and $EXTMAX (codes 10 and 20) where it puts the drawing's extent.
// - The first LAYER entry is layer 0: the driver copies it for a layer the table lacks. The
//   drawing's own layers (POINTS, NUMBERS, HEIGHTS, LINES) are there with their colours.
// - Each table ends in ENDTAB, where the driver adds the layers, line types and text styles it
//   makes (labels in a named font get a text style of their own).
// - Handles (codes 5 and 105) are unique; the driver numbers its entities apart from them.
// - The trailer holds "0 SECTION 2 OBJECTS": the driver closes ENTITIES and copies the trailer
//   from there on.

#include <string>
#include <string_view>
#include <vector>

namespace nrx::exchange {

// HEADER, CLASSES, TABLES and BLOCKS, up to the start of ENTITIES, where GDAL puts the drawing.
extern const std::string_view kDxfHeader;
// The OBJECTS section that closes the drawing.
extern const std::string_view kDxfTrailer;

// The template as files GDAL's driver reads, kept in GDAL's memory file system while this lives,
// with $LUPREC (the decimals CAD shows lengths with) set to `decimals`.
class DxfTemplate {
 public:
  explicit DxfTemplate(int decimals);
  ~DxfTemplate();
  DxfTemplate(const DxfTemplate&) = delete;
  DxfTemplate& operator=(const DxfTemplate&) = delete;

  // The driver's creation options naming the two files.
  std::vector<std::string> Options() const;

 private:
  std::string folder_;
};

}  // namespace nrx::exchange
