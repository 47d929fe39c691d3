#include "frame/registry_file.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "nrxJobDb/errors.h"

namespace nrx::frame {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "nrxJobDb.Registry";

// A section with its raw lines, so what other components wrote survives a rewrite unchanged.
struct Section {
  std::string header;  // "[CLSID {...}]"; empty for lines before the first section
  std::vector<std::string> lines;
};

std::string Header(const ClassInfo& cls) { return fmt::format("[CLSID {}]", cls.clsid); }

std::vector<Section> Read(const std::string& file) {
  std::vector<Section> sections(1);
  std::error_code ec;
  if (!fs::exists(file, ec)) return sections;
  std::ifstream in(file);
  if (!in) Raise(err::kPathAccess, kSource, file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.front() == '[') {
      sections.push_back({line, {}});
    } else {
      sections.back().lines.push_back(line);
    }
  }
  return sections;
}

bool Blank(const Section& section) {
  return section.header.empty() &&
         std::all_of(section.lines.begin(), section.lines.end(), [](const std::string& l) {
           return l.find_first_not_of(" \t\r") == std::string::npos;
         });
}

void RemoveClasses(std::vector<Section>& sections, const std::vector<ClassInfo>& classes) {
  std::erase_if(sections, [&](const Section& s) {
    return std::any_of(classes.begin(), classes.end(),
                       [&](const ClassInfo& c) { return s.header == Header(c); });
  });
}

// Written beside the file and renamed over it, so a reader never sees half a registry.
void Write(const std::string& file, const std::vector<Section>& sections) {
  std::error_code ec;
  fs::path path(file);
  if (std::all_of(sections.begin(), sections.end(), Blank)) {
    fs::remove(path, ec);
    if (ec) Raise(err::kPathAccess, kSource, file);
    return;
  }
  fs::create_directories(path.parent_path(), ec);
  std::string temp = file + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const Section& s : sections) {
      if (!s.header.empty()) out << s.header << '\n';
      for (const std::string& line : s.lines) out << line << '\n';
    }
    out.close();
    if (!out) Raise(err::kPathAccess, kSource, temp);
  }
  fs::rename(temp, path, ec);
  if (ec) Raise(err::kPathAccess, kSource, file);
}

}  // namespace

void RegisterClasses(const std::string& file, const std::vector<ClassInfo>& classes,
                     const std::string& libraryPath) {
  std::vector<Section> sections = Read(file);
  RemoveClasses(sections, classes);
  for (const ClassInfo& cls : classes) {
    sections.push_back(
        {Header(cls),
         {"Class=" + cls.name, "ProgID=" + cls.prog_id, "Interface=" + cls.interface_name,
          "InterfaceID=" + cls.iid, "Library=" + libraryPath, ""}});
  }
  Write(file, sections);
}

void UnregisterClasses(const std::string& file, const std::vector<ClassInfo>& classes) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return;
  std::vector<Section> sections = Read(file);
  RemoveClasses(sections, classes);
  Write(file, sections);
}

}  // namespace nrx::frame
