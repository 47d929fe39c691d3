#pragma once
// The four entry points of an in-process automation server, exported by the shared library.
// Results are HRESULT values: 0 for success, negative numbers for failures.

#include <cstdint>
#include <memory>
#include <string>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

extern "C" {

// A class or interface id in the usual binary layout.
struct NRXJOBDB_API nrxGUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};

// Records the three classes (class id, program identifier, interface, library path) in the
// registry file of the user's configuration folder, keeping every other entry in it.
NRXJOBDB_API std::int32_t DllRegisterServer(void);
// Removes the three classes from the registry file; removes the file when nothing else is left.
NRXJOBDB_API std::int32_t DllUnregisterServer(void);
// Hands the class object (an nrx::ClassFactory*, owned by the library) of `rclsid` for the
// interface `riid` (IUnknown or IClassFactory). CLASS_E_CLASSNOTAVAILABLE for an unknown class,
// E_NOINTERFACE for another interface, E_POINTER for a null pointer.
NRXJOBDB_API std::int32_t DllGetClassObject(const nrxGUID* rclsid, const nrxGUID* riid, void** ppv);
// S_OK when no object of the component is alive and no class object is locked; S_FALSE
// otherwise.
NRXJOBDB_API std::int32_t DllCanUnloadNow(void);
}

namespace nrx {

inline constexpr std::int32_t kS_OK = 0;
inline constexpr std::int32_t kS_FALSE = 1;
inline constexpr std::int32_t kE_NOINTERFACE = static_cast<std::int32_t>(0x80004002u);
inline constexpr std::int32_t kE_POINTER = static_cast<std::int32_t>(0x80004003u);
inline constexpr std::int32_t kE_FAIL = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kClassNotAvailable = static_cast<std::int32_t>(0x80040111u);
inline constexpr std::int32_t kSelfRegClassError = static_cast<std::int32_t>(0x80040201u);

inline constexpr std::string_view kIID_IUnknown = "{00000000-0000-0000-C000-000000000046}";
inline constexpr std::string_view kIID_IClassFactory = "{00000001-0000-0000-C000-000000000046}";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional, any letter case) and back.
NRXJOBDB_API bool ParseGuid(std::string_view text, nrxGUID& guid);
NRXJOBDB_API std::string FormatGuid(const nrxGUID& guid);

// The class object of one class: makes its instances. Its members are virtual, so a caller
// that loaded the library at run time reaches the library's own code through the pointer.
class NRXJOBDB_API ClassFactory {
 public:
  explicit ClassFactory(std::string progId) : prog_id_(std::move(progId)) {}
  virtual ~ClassFactory() = default;
  const std::string& ProgId() const { return prog_id_; }
  virtual std::shared_ptr<Object> CreateInstance() const;
  // Keeps the library loaded while locked (counted).
  virtual void LockServer(bool lock);

 private:
  std::string prog_id_;
};

// The registry file: $XDG_CONFIG_HOME/nrxJobDb/registry.ini, or ~/.config/nrxJobDb/registry.ini.
NRXJOBDB_API std::string RegistryFilePath();

}  // namespace nrx
