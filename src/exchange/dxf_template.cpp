#include "exchange/dxf_template.h"

#include <cpl_vsi.h>
#include <fmt/format.h>

#include <atomic>
#include <cstring>

#include "exchange/gdal_support.h"
#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

constexpr std::string_view kSource = "nrxExchange.Dxf";

// GDAL owns the copy it is given and frees it when the file is unlinked.
void PutFile(const std::string& path, std::string_view text) {
  auto* copy = static_cast<GByte*>(CPLMalloc(text.size()));
  std::memcpy(copy, text.data(), text.size());
  VSILFILE* file = VSIFileFromMemBuffer(path.c_str(), copy, text.size(), TRUE);
  if (file == nullptr) {
    CPLFree(copy);
    Raise(err::kPathAccess, kSource, "the drawing template " + path + " cannot be made");
  }
  VSIFCloseL(file);
}

// `text` with the value of header variable `name` (its group code line kept) replaced by
// `value`; raises 75 when the header has no such variable.
std::string WithHeaderVariable(std::string_view text, std::string_view name, int value) {
  // "$NAME", then its group code line, then the value line.
  const std::string key = fmt::format("\n{}\n", name);
  const std::size_t at = text.find(key);
  const std::size_t code_end = at == std::string_view::npos
                                   ? at
                                   : text.find('\n', at + key.size());
  const std::size_t value_end =
      code_end == std::string_view::npos ? code_end : text.find('\n', code_end + 1);
  if (value_end == std::string_view::npos) {
    RaiseText(err::kPathAccess, kSource, fmt::format("The DXF template has no {}", name));
  }
  return fmt::format("{}{:>6}{}", text.substr(0, code_end + 1), value, text.substr(value_end));
}

}  // namespace

DxfTemplate::DxfTemplate(int decimals) {
  static std::atomic<unsigned> made{0};
  UseGdal();
  folder_ = fmt::format("/vsimem/nrx_dxf_template_{}", made++);
  PutFile(folder_ + "/header.dxf", WithHeaderVariable(kDxfHeader, "$LUPREC", decimals));
  PutFile(folder_ + "/trailer.dxf", kDxfTrailer);
}

DxfTemplate::~DxfTemplate() {
  VSIUnlink((folder_ + "/header.dxf").c_str());
  VSIUnlink((folder_ + "/trailer.dxf").c_str());
}

std::vector<std::string> DxfTemplate::Options() const {
  return {"HEADER=" + folder_ + "/header.dxf", "TRAILER=" + folder_ + "/trailer.dxf"};
}

}  // namespace nrx::exchange
