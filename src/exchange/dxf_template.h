#pragma once
// The drawing a DXF export fills: a template of our own (src/exchange/drawing/), metric, with the
// tables CAD readers expect (LTYPE CONTINUOUS, LAYER 0, STYLE STANDARD, the model and paper space
// blocks) and the layers the export draws on, handed to GDAL's DXF driver as HEADER and TRAILER.

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

// `text` with the value of header variable `name` (its group code line kept) replaced by
// `value`; raises 75 when the header has no such variable.
std::string WithHeaderVariable(std::string_view text, std::string_view name, int value);

}  // namespace nrx::exchange
