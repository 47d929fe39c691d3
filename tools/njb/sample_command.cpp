// njb sample: makes a small job file through the engine and shows what it holds.

#include <fmt/format.h>

#include <filesystem>

#include "commands.h"

namespace njb {
namespace {

struct SampleField {
  const char* name;
  int type;
  int size;
};

nrx::TableDefPtr MakeTable(nrx::Database& db, const char* name,
                           std::initializer_list<SampleField> fields) {
  auto table = db.CreateTableDef(name);
  for (const auto& f : fields) table->FieldsAppend(table->CreateField(f.name, f.type, f.size));
  db.TableDefsAppend(table);
  return table;
}

void AddIndex(nrx::TableDef& table, const char* name, const char* fields, bool primary,
              bool unique) {
  auto ix = table.CreateIndex(name);
  ix->SetFields(fields);
  ix->SetPrimary(primary);
  ix->SetUnique(unique);
  table.IndexesAppend(ix);
}

}  // namespace

int RunSample(const SampleOptions& options, const Context& context) {
  std::filesystem::create_directories(options.dir);
  auto path = (std::filesystem::path(options.dir) / "sample.njb").string();
  std::filesystem::remove(path);
  auto ws = nrx::DBEngine::Instance().Workspaces(0);
  auto db = ws->CreateDatabase(path, nrx::kJobConnect, nrx::dbEncrypt);
  ws->BeginTrans();
  MakeTable(*db, "JobDetails",
            {{"CreateVersion", nrx::dbSingle, 0},
             {"Description", nrx::dbText, 255},
             {"Surveyor", nrx::dbText, 60},
             {"OutputDecH", nrx::dbByte, 0},
             {"Zone", nrx::dbInteger, 0}});
  auto points = MakeTable(*db, "Points",
                          {{"PointNo", nrx::dbLong, 0},
                           {"Easting", nrx::dbDouble, 0},
                           {"Northing", nrx::dbDouble, 0},
                           {"Code", nrx::dbText, 16},
                           {"Fixed", nrx::dbBoolean, 0}});
  AddIndex(*points, "PointNo_Index", "PointNo", true, true);
  auto lines = MakeTable(*db, "Lines", {{"Point1", nrx::dbLong, 0}, {"Point2", nrx::dbLong, 0}});
  AddIndex(*lines, "Line_Index", "Point1;Point2", true, true);
  AddIndex(*lines, "Line_Pt1Index", "Point1", false, false);
  db->Execute(
      "INSERT INTO Points (PointNo, Easting, Northing, Code, Fixed) "
      "VALUES (1, 1000.0, 5000.0, 'CP', True)");
  db->Execute(
      "INSERT INTO Points (PointNo, Easting, Northing, Code, Fixed) "
      "VALUES (2, 1010.5, 5003.25, 'TREE', False)");
  db->Execute("INSERT INTO Lines (Point1, Point2) VALUES (1, 2)");
  ws->CommitTrans();
  db->Close();
  fmt::print(context.out, "Created {} (encrypted)\n\n", path);
  auto reopened = ws->OpenDatabase(path, false, true);
  PrintSchema(context.out, *reopened, false, false);
  return kExitOk;
}

}  // namespace njb
