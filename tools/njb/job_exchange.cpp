#include "job_exchange.h"

#include <fmt/format.h>

#include <optional>
#include <unordered_map>

#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

namespace ex = nrx::exchange;
const nrx::model::TableNames& Names() { return nrx::model::TableNames::Instance(); }

std::optional<double> OptionalDouble(const nrx::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return std::nullopt;
  return value.ToDouble();
}

std::string TextOf(const nrx::Variant& value) {
  return value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

int IntOr(const nrx::Variant& value, int otherwise) {
  return value.IsNull() || value.IsEmpty() ? otherwise : value.ToLong();
}

// The job-details record, or nothing when the job has none.
nrx::RecordsetPtr DetailsRecord(nrx::Database& db) {
  if (!db.FindTableDef(Names().JobDetailsTable())) return nullptr;
  nrx::RecordsetPtr record = db.OpenRecordset(Names().JobDetailsTable(), nrx::dbOpenSnapshot);
  return record->Eof() ? nullptr : record;
}

// `columns` of `table` in `order`; a job's tables carry many more fields than an export reads,
// and sorting them all would cost more than the reading.
nrx::RecordsetPtr Rows(nrx::Database& db, const std::string& table, const char* order,
                       const char* columns = "*") {
  if (!db.FindTableDef(table)) return nullptr;
  return db.OpenRecordset(fmt::format("SELECT {} FROM [{}] ORDER BY [{}]", columns, table, order),
                          nrx::dbOpenSnapshot);
}

std::unordered_map<std::int32_t, std::string> AlphaIds(nrx::Database& db) {
  std::unordered_map<std::int32_t, std::string> ids;
  nrx::RecordsetPtr rows = Rows(db, Names().AlphaIDsTable(), "PointNum");
  for (; rows && !rows->Eof(); rows->MoveNext()) {
    if (IntOr((*rows)["DeleteFlag"], 0) != 0 || (*rows)["PointNum"].IsNull()) continue;
    ids.emplace((*rows)["PointNum"].ToLong(), TextOf((*rows)["AlphaID"]));
  }
  return ids;
}

void ReadPoints(nrx::Database& db, int job_zone, ex::JobData& job) {
  nrx::RecordsetPtr rows = Rows(db, Names().PointsTable(), "PointNo",
                                "[PointNo], [X], [Y], [Z], [Zone], [Description], [Fixed]");
  if (!rows) return;
  const auto ids = AlphaIds(db);
  // Fields followed from record to record, looked up once.
  const nrx::FieldPtr number = rows->Fields("PointNo"), x = rows->Fields("X"),
                      y = rows->Fields("Y"), z = rows->Fields("Z"), zone = rows->Fields("Zone"),
                      description = rows->Fields("Description"), fixed = rows->Fields("Fixed");
  for (; !rows->Eof(); rows->MoveNext()) {
    ex::Point& point = job.points.emplace_back();
    point.number = number->Value().ToLong();
    point.easting = OptionalDouble(x->Value()).value_or(0);
    point.northing = OptionalDouble(y->Value()).value_or(0);
    point.height = OptionalDouble(z->Value());
    const int own_zone = IntOr(zone->Value(), 0);
    point.zone = ex::NormalZone(own_zone != 0 ? own_zone : job_zone);
    point.description = TextOf(description->Value());
    point.fixed = IntOr(fixed->Value(), 0) != 0;
    if (const auto id = ids.find(point.number); id != ids.end()) point.alpha_id = id->second;
  }
}

void ReadLines(nrx::Database& db, ex::JobData& job) {
  nrx::RecordsetPtr rows = Rows(db, Names().LinesTable(), "Point1");
  for (; rows && !rows->Eof(); rows->MoveNext()) {
    job.lines.push_back({IntOr((*rows)["Point1"], 0), IntOr((*rows)["Point2"], 0),
                         IntOr((*rows)["LineType"], 0)});
  }
}

}  // namespace

ex::JobData ReadJobData(nrx::Database& db) {
  ex::JobData job;
  int job_zone = 0;
  if (nrx::RecordsetPtr details = DetailsRecord(db)) {
    job_zone = IntOr((*details)["Zone"], 0);
    job.decimals_h = IntOr((*details)["OutputDecH"], job.decimals_h);
    job.decimals_v = IntOr((*details)["OutputDecV"], job.decimals_v);
  }
  ReadPoints(db, job_zone, job);
  ReadLines(db, job);
  return job;
}

int ReadJobZone(nrx::Database& db) {
  nrx::RecordsetPtr details = DetailsRecord(db);
  return details ? ex::NormalZone(IntOr((*details)["Zone"], 0)) : 0;
}

ex::JobProjection ReadJobProjection(nrx::Database& db) {
  ex::JobProjection projection;
  nrx::RecordsetPtr details = DetailsRecord(db);
  if (!details) return projection;
  projection.projection = TextOf((*details)["Projection"]);
  projection.spheroid = TextOf((*details)["Spheroid"]);
  projection.datum = TextOf((*details)["DatumH"]);
  if (!(*details)["ApproxLat"].IsNull()) projection.approx_lat = (*details)["ApproxLat"].ToLong();
  return projection;
}

}  // namespace njb
