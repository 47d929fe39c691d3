#include "nrxJobDb/server_entry_points.h"

#include <dlfcn.h>
#include <fmt/format.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "frame/live_objects.h"
#include "frame/registry_file.h"
#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/errors.h"

namespace nrx {
namespace {

std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config";
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
    return std::string(entry->pw_dir) + "/.config";
  }
  Raise(err::kPathAccess, "nrxJobDb.Registry", "(no home folder)");
}

// The file this code was loaded from: the shared library, or the program it is linked into.
std::string LibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) == 0 || !info.dli_fname) {
    Raise(err::kPathAccess, "nrxJobDb.Registry", "(library path unknown)");
  }
  std::error_code ec;
  std::filesystem::path path = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::string(info.dli_fname) : path.string();
}

std::vector<ClassFactory>& Factories() {
  static std::vector<ClassFactory> factories = [] {
    std::vector<ClassFactory> out;
    for (const ClassInfo& cls : ClassRegistry::Instance().Classes()) out.emplace_back(cls.prog_id);
    return out;
  }();
  return factories;
}

template <class F>
std::int32_t Hresult(std::int32_t failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

}  // namespace

bool ParseGuid(std::string_view text, nrxGUID& guid) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return false;
  unsigned parts[11] = {};
  int consumed = 0;
  std::string copy(text);
  int fields = std::sscanf(copy.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%n", &parts[0],
                           &parts[1], &parts[2], &parts[3], &parts[4], &parts[5], &parts[6],
                           &parts[7], &parts[8], &parts[9], &parts[10], &consumed);
  if (fields != 11 || consumed != 36) return false;
  guid.Data1 = parts[0];
  guid.Data2 = static_cast<std::uint16_t>(parts[1]);
  guid.Data3 = static_cast<std::uint16_t>(parts[2]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<std::uint8_t>(parts[3 + i]);
  return true;
}

std::string FormatGuid(const nrxGUID& g) {
  return fmt::format("{{{:08X}-{:04X}-{:04X}-{:02X}{:02X}-{:02X}{:02X}{:02X}{:02X}{:02X}{:02X}}}",
                     g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                     g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

std::shared_ptr<Object> ClassFactory::CreateInstance() const {
  return ClassRegistry::Instance().CreateObject(prog_id_);
}

void ClassFactory::LockServer(bool lock) { frame::ServerLocked(lock); }

std::string RegistryFilePath() { return ConfigHome() + "/nrxJobDb/registry.ini"; }

}  // namespace nrx

extern "C" {

std::int32_t DllRegisterServer(void) {
  return nrx::Hresult(nrx::kSelfRegClassError, [] {
    nrx::frame::RegisterClasses(nrx::RegistryFilePath(), nrx::ClassRegistry::Instance().Classes(),
                                nrx::LibraryPath());
    return nrx::kS_OK;
  });
}

std::int32_t DllUnregisterServer(void) {
  return nrx::Hresult(nrx::kSelfRegClassError, [] {
    nrx::frame::UnregisterClasses(nrx::RegistryFilePath(),
                                  nrx::ClassRegistry::Instance().Classes());
    return nrx::kS_OK;
  });
}

std::int32_t DllGetClassObject(const nrxGUID* rclsid, const nrxGUID* riid, void** ppv) {
  if (!ppv) return nrx::kE_POINTER;
  *ppv = nullptr;
  if (!rclsid || !riid) return nrx::kE_POINTER;
  return nrx::Hresult(nrx::kE_FAIL, [&] {
    const std::string iid = nrx::FormatGuid(*riid);
    if (iid != nrx::kIID_IUnknown && iid != nrx::kIID_IClassFactory) return nrx::kE_NOINTERFACE;
    const auto& classes = nrx::ClassRegistry::Instance().Classes();
    const std::string clsid = nrx::FormatGuid(*rclsid);
    for (std::size_t i = 0; i < classes.size(); ++i) {
      if (classes[i].clsid == clsid) {
        *ppv = &nrx::Factories()[i];
        return nrx::kS_OK;
      }
    }
    return nrx::kClassNotAvailable;
  });
}

std::int32_t DllCanUnloadNow(void) { return nrx::frame::Unloadable() ? nrx::kS_OK : nrx::kS_FALSE; }

}  // extern "C"
