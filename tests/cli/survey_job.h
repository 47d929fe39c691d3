#pragma once
// Jobs with details, points and lines for the exchange commands, written through the engine.

#include <fmt/format.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/engine.h"

namespace nrx::test {

struct SurveyPoint {
  std::int32_t number;
  double x, y;
  std::optional<double> z;
  int zone;
  std::string description = "";
  bool fixed = false;
  std::string alpha_id = "";
};

struct SurveyJob {
  std::map<std::string, Variant> details = {};
  std::vector<SurveyPoint> points = {};
  std::vector<std::pair<std::int32_t, std::int32_t>> lines = {};
};

// Details of a job on WGS84 transverse Mercator zones south of the equator.
inline std::map<std::string, Variant> SouthernUtmDetails(std::int16_t zone) {
  return {{"Projection", Variant("UTM")},
          {"DatumH", Variant("WGS84")},
          {"Zone", Variant(zone)},
          {"ApproxLat", Variant(std::int16_t{-41})},
          {"OutputDecH", Variant(std::uint8_t{3})},
          {"OutputDecV", Variant(std::uint8_t{2})}};
}

inline void CreateListTable(Database& db, const char* list) {
  const CatalogueList described = DescribeCatalogueList(list);
  TableDefPtr table = db.CreateTableDef(described.table);
  for (const CatalogueField& field : described.fields) {
    table->FieldsAppend(table->CreateField(field.name, field.type, field.size));
  }
  db.TableDefsAppend(table);
}

inline void WritePoint(Recordset& points, const SurveyPoint& p) {
  points.AddNew();
  points.Fields("PointNo")->SetValue(Variant(p.number));
  points.Fields("X")->SetValue(Variant(p.x));
  points.Fields("Y")->SetValue(Variant(p.y));
  if (p.z) points.Fields("Z")->SetValue(Variant(*p.z));
  points.Fields("Zone")->SetValue(Variant(static_cast<std::int16_t>(p.zone)));
  if (!p.description.empty()) points.Fields("Description")->SetValue(Variant(p.description));
  points.Fields("Fixed")->SetValue(Variant(static_cast<std::uint8_t>(p.fixed ? 1 : 0)));
  points.Update();
}

// A new encrypted job at `path` holding `job`.
inline void MakeSurveyJob(const std::string& path, const SurveyJob& job) {
  auto ws = std::make_shared<Workspace>("survey");
  DatabasePtr db = ws->CreateDatabase(path, kJobConnect, dbEncrypt);
  for (const char* list : {"JobDetails", "Points", "Lines", "AlphaIDs"}) CreateListTable(*db, list);
  ws->BeginTrans();
  if (!job.details.empty()) {
    RecordsetPtr details = db->OpenRecordset("JobDetails", dbOpenTable);
    details->AddNew();
    for (const auto& [name, value] : job.details) details->Fields(name)->SetValue(value);
    details->Update();
  }
  RecordsetPtr points = db->OpenRecordset("Points", dbOpenTable);
  RecordsetPtr alpha = db->OpenRecordset("AlphaIDs", dbOpenTable);
  for (const SurveyPoint& p : job.points) {
    WritePoint(*points, p);
    if (p.alpha_id.empty()) continue;
    alpha->AddNew();
    alpha->Fields("AlphaID")->SetValue(Variant(p.alpha_id));
    alpha->Fields("PointNum")->SetValue(Variant(p.number));
    alpha->Update();
  }
  RecordsetPtr lines = db->OpenRecordset("Lines", dbOpenTable);
  for (const auto& [from, to] : job.lines) {
    lines->AddNew();
    lines->Fields("Point1")->SetValue(Variant(from));
    lines->Fields("Point2")->SetValue(Variant(to));
    lines->Update();
  }
  ws->CommitTrans();
  db->Close();
}

}  // namespace nrx::test
