// Creates a job database through the installed library, reads it back, and meets one of its
// errors: what a program built elsewhere needs from the shared library's exports.
//
// Usage: consumer FOLDER. Exit status 0 when everything read back as written.

#include <cstdio>
#include <filesystem>
#include <string>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "consumer: %s\n", what.c_str());
  return 1;
}

void WriteJob(const std::string& path) {
  nrx::WorkspacePtr ws = nrx::DBEngine::Instance().Workspaces(0);
  nrx::DatabasePtr db = ws->CreateDatabase(path, nrx::kJobConnect, nrx::dbEncrypt);
  nrx::TableDefPtr points = db->CreateTableDef("Points");
  points->FieldsAppend(points->CreateField("PointNo", nrx::dbLong, 0));
  points->FieldsAppend(points->CreateField("Code", nrx::dbText, 16));
  db->TableDefsAppend(points);
  nrx::RecordsetPtr rs = db->OpenRecordset("Points", nrx::dbOpenTable);
  for (int i = 1; i <= 3; ++i) {
    rs->AddNew();
    rs->Fields("PointNo")->SetValue(nrx::Variant(i));
    rs->Fields("Code")->SetValue(nrx::Variant(i == 1 ? "CP" : "PEG"));
    rs->Update();
  }
  rs->Close();
  db->Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return Fail("usage: consumer FOLDER");
  const std::string path = (std::filesystem::path(argv[1]) / "consumer.njb").string();
  std::filesystem::remove(path);
  try {
    WriteJob(path);
    nrx::DatabasePtr db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(path, false, true);
    int own_tables = 0;
    for (const nrx::TableDefPtr& table : db->TableDefs()) own_tables += table->IsSystem() ? 0 : 1;
    if (own_tables != 1 || !db->TableDefs().FindExact("Points") || db->TableDefs().FindExact("POINTS"))
      return Fail("the tables are not as written");
    nrx::RecordsetPtr rs =
        db->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", nrx::dbOpenSnapshot);
    std::string read;
    for (; !rs->Eof(); rs->MoveNext()) {
      read += std::to_string(rs->Fields("PointNo")->Value().ToLong()) + ":" +
              rs->Fields("Code")->Value().ToText() + " ";
    }
    db->Close();
    if (read != "1:CP 2:PEG 3:PEG ") return Fail("read back " + read);
  } catch (const nrx::Error& e) {
    return Fail("error " + std::to_string(e.Number()) + ": " + e.what());
  }
  // The library's exception reaches the program as its own type, with its number.
  try {
    nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(path + ".missing");
    return Fail("opened a missing file");
  } catch (const nrx::Error& e) {
    if (e.Number() != nrx::err::kFileMissing) return Fail("missing file: " + std::string(e.what()));
  }
  std::printf("consumer: wrote and read back %s\n", path.c_str());
  return 0;
}
