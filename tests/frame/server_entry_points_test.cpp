// The shared library as an in-process server: its exported entry points, registration in the
// user's configuration folder, class objects and unloading.

#include "nrxJobDb/server_entry_points.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "support/test_support.h"

namespace nrx {
namespace {

namespace fs = std::filesystem;

using Plain = std::int32_t (*)();
using GetClassObject = std::int32_t (*)(const nrxGUID*, const nrxGUID*, void**);

using test::ReadFile;

nrxGUID Guid(std::string_view text) {
  nrxGUID guid{};
  EXPECT_TRUE(ParseGuid(text, guid)) << text;
  return guid;
}

// Loads the shared library itself, so the calls reach its exported code and its own state.
class ServerTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();  // XDG_CONFIG_HOME points into the test's folder
    library_ = ::dlopen(NRXJOBDB_SO, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, library_) << ::dlerror();
  }
  void TearDown() override {
    if (library_) ::dlclose(library_);
    TempDirTest::TearDown();
  }
  template <class F>
  F Entry(const char* name) {
    void* symbol = ::dlsym(library_, name);
    EXPECT_NE(nullptr, symbol) << name;
    return reinterpret_cast<F>(symbol);
  }
  fs::path RegistryFile() { return Dir() / "config" / "nrxJobDb" / "registry.ini"; }

  void* library_ = nullptr;
};

TEST_F(ServerTest, RegisterAndUnregisterRoundTripKeepsOtherEntries) {
  fs::create_directories(RegistryFile().parent_path());
  const std::string other = "[CLSID {11111111-2222-3333-4444-555555555555}]\nProgID=other.Thing\n";
  std::ofstream(RegistryFile()) << other;

  ASSERT_EQ(kS_OK, Entry<Plain>("DllRegisterServer")());
  ASSERT_EQ(kS_OK, Entry<Plain>("DllRegisterServer")());  // again: replaces, never doubles
  std::string text = ReadFile(RegistryFile());
  const std::string library = fs::canonical(NRXJOBDB_SO).string();
  for (const char* clsid :
       {"{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}", "{8C3021D2-2A3F-4B97-8F05-39DA799FF230}",
        "{370EB7B5-400E-4DEC-8A80-C7A22B2DAA2B}"}) {
    std::size_t at = text.find(std::string("[CLSID ") + clsid + "]");
    ASSERT_NE(std::string::npos, at) << clsid;
    EXPECT_EQ(std::string::npos, text.find(std::string("[CLSID ") + clsid + "]", at + 1));
  }
  EXPECT_NE(std::string::npos, text.find("ProgID=nrxJobDb.cDBtransactions\n"));
  EXPECT_NE(std::string::npos, text.find("Library=" + library + "\n"));
  EXPECT_NE(std::string::npos, text.find(other));

  ASSERT_EQ(kS_OK, Entry<Plain>("DllUnregisterServer")());
  EXPECT_EQ(other, ReadFile(RegistryFile()));

  fs::remove(RegistryFile());
  ASSERT_EQ(kS_OK, Entry<Plain>("DllRegisterServer")());
  ASSERT_EQ(kS_OK, Entry<Plain>("DllUnregisterServer")());
  EXPECT_FALSE(fs::exists(RegistryFile()));
}

TEST_F(ServerTest, RegistrationFailsWhenTheConfigurationFolderCannotBeWritten) {
  std::ofstream(Path("config")) << "a file where the folder belongs";
  EXPECT_EQ(kSelfRegClassError, Entry<Plain>("DllRegisterServer")());
}

TEST_F(ServerTest, ClassObjectsMakeInstancesAndHoldTheLibrary) {
  auto get = Entry<GetClassObject>("DllGetClassObject");
  auto can_unload = Entry<Plain>("DllCanUnloadNow");
  const nrxGUID factory_iid = Guid(kIID_IClassFactory);
  void* object = nullptr;
  const nrxGUID unknown = Guid("{11111111-2222-3333-4444-555555555555}");
  EXPECT_EQ(kClassNotAvailable, get(&unknown, &factory_iid, &object));
  EXPECT_EQ(nullptr, object);
  const nrxGUID jobprocs = Guid("{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}");
  const nrxGUID other_iid = Guid("{39C5A134-5897-4767-AF44-F631ED82C084}");
  EXPECT_EQ(kE_NOINTERFACE, get(&jobprocs, &other_iid, &object));
  EXPECT_EQ(kE_POINTER, get(&jobprocs, &factory_iid, nullptr));

  ASSERT_EQ(kS_OK, get(&jobprocs, &factory_iid, &object));
  auto* factory = static_cast<ClassFactory*>(object);
  EXPECT_EQ(kS_OK, can_unload());
  {
    std::shared_ptr<Object> procs = factory->CreateInstance();
    ASSERT_TRUE(procs);
    EXPECT_EQ(kS_FALSE, can_unload());
  }
  EXPECT_EQ(kS_OK, can_unload());
  factory->LockServer(true);
  EXPECT_EQ(kS_FALSE, can_unload());
  factory->LockServer(false);
  EXPECT_EQ(kS_OK, can_unload());
}

TEST(GuidTest, TextAndBinaryFormsRoundTrip) {
  nrxGUID guid{};
  ASSERT_TRUE(ParseGuid("{52bf589c-cf92-4f78-aa25-0b816d4d9700}", guid));
  EXPECT_EQ(0x52BF589Cu, guid.Data1);
  EXPECT_EQ(0x0B, guid.Data4[2]);
  EXPECT_EQ("{52BF589C-CF92-4F78-AA25-0B816D4D9700}", FormatGuid(guid));
  EXPECT_FALSE(ParseGuid("{52bf589c-cf92-4f78-aa25-0b816d4d970}", guid));
  EXPECT_FALSE(ParseGuid("52bf589c-cf92-4f78-aa25-0b816d4d97zz", guid));
}

}  // namespace
}  // namespace nrx
