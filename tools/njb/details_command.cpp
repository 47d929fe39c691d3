// njb details JOB [--set FIELD=VALUE ...]: the job-details record, shown or changed through one
// open-work-close cycle of the job.

#include <fmt/format.h>

#include <cctype>
#include <filesystem>
#include <utility>
#include <vector>

#include "commands.h"
#include "job_session.h"
#include "json.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

constexpr std::string_view kSource = "njb.details";

const std::string& DetailsTable() { return nrx::model::TableNames::Instance().JobDetailsTable(); }

std::pair<std::string, std::string> SplitAssignment(const std::string& assignment) {
  const std::size_t at = assignment.find('=');
  if (at == std::string::npos || at == 0) {
    nrx::RaiseText(nrx::err::kInvalidCall, kSource,
                   fmt::format("'{}' is not FIELD=VALUE", assignment));
  }
  return {assignment.substr(0, at), assignment.substr(at + 1)};
}

nrx::Variant BooleanValue(const std::string& field, const std::string& text) {
  std::string lowered;
  for (char c : text) lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lowered == "true" || lowered == "yes" || lowered == "-1" || lowered == "1") return true;
  if (lowered == "false" || lowered == "no" || lowered == "0") return false;
  nrx::RaiseText(nrx::err::kTypeMismatch, kSource,
                 fmt::format("{}.{} is Boolean: '{}' is neither True nor False", DetailsTable(),
                             field, text));
}

nrx::VarType NumericKind(int type) {
  switch (type) {
    case nrx::dbByte: return nrx::VarType::Byte;
    case nrx::dbInteger: return nrx::VarType::Integer;
    case nrx::dbLong: return nrx::VarType::Long;
    case nrx::dbSingle: return nrx::VarType::Single;
    default: return nrx::VarType::Double;
  }
}

// The value `text` gives a field of type `type`: "" clears it, a number must fit the type.
nrx::Variant FieldValue(const std::string& field, int type, const std::string& text) {
  if (text.empty()) return nrx::Variant::Null();
  if (type == nrx::dbText) return nrx::Variant(text);
  if (type == nrx::dbBoolean) return BooleanValue(field, text);
  const std::optional<double> number = nrx::ParseNumber(text);
  if (!number) {
    nrx::RaiseText(nrx::err::kTypeMismatch, kSource,
                   fmt::format("{}.{} is numeric: '{}' is not a number", DetailsTable(), field,
                               text));
  }
  try {
    return nrx::Variant(*number).ConvertTo(NumericKind(type));
  } catch (const nrx::Error& e) {
    nrx::RaiseText(e.Number(), kSource,
                   fmt::format("{}.{}: {} does not fit the field ({})", DetailsTable(), field,
                               text, e.what()));
  }
}

std::string JsonValue(const nrx::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return "null";
  if (value.Type() == nrx::VarType::Boolean) return value.ToBoolean() ? "true" : "false";
  if (value.IsText()) return JsonText(value.ToText());
  return value.ToText();
}

void PrintRecord(std::FILE* out, nrx::Database& db, const std::string& file, bool json) {
  nrx::RecordsetPtr record;
  if (db.FindTableDef(DetailsTable())) record = db.OpenRecordset(DetailsTable(), nrx::dbOpenTable);
  const bool any = record && !record->Eof();
  if (json) {
    fmt::print(out, "{{\"file\":{},\"details\":", JsonText(file));
    if (!any) {
      fmt::print(out, "null}}\n");
      return;
    }
    const char* separator = "{";
    for (const nrx::FieldPtr& field : record->Fields()) {
      fmt::print(out, "{}{}:{}", separator, JsonText(field->Name()), JsonValue(field->Value()));
      separator = ",";
    }
    fmt::print(out, "}}}}\n");
    return;
  }
  if (!any) {
    fmt::print(out, "{} has no job-details record\n", file);
    return;
  }
  fmt::print(out, "Job details of {}:\n", file);
  for (const nrx::FieldPtr& field : record->Fields()) {
    const nrx::Variant value = field->Value();
    fmt::print(out, "  {:<17} {}\n", field->Name(), value.IsNull() ? "" : value.ToText());
  }
}

// Writes the assignments into the record (made when there is none), all of them or none.
void SetFields(JobSession& job, const std::vector<std::string>& assignments) {
  job.CreateTables({DetailsTable()});
  nrx::RecordsetPtr record = job.Db().OpenRecordset(DetailsTable(), nrx::dbOpenTable);
  std::vector<std::pair<nrx::FieldPtr, nrx::Variant>> values;
  for (const std::string& assignment : assignments) {
    const auto [name, text] = SplitAssignment(assignment);
    nrx::FieldPtr field = record->Fields(name);
    values.emplace_back(field, FieldValue(field->Name(), field->Type(), text));
  }
  record->Eof() ? record->AddNew() : record->Edit();
  for (const auto& [field, value] : values) field->SetValue(value);
  record->Update();
  job.CountChange();
}

}  // namespace

int RunDetails(const DetailsOptions& options, const Context& context) {
  if (!std::filesystem::exists(options.file)) {
    nrx::Raise(nrx::err::kFileNotFound, kSource, options.file);
  }
  if (!options.sets.empty()) {
    UseMessageBoxes({}, context);
    JobSession job(options.file);
    if (!job.Open(false)) return kExitNegative;
    // An error leaves the session to roll the work back: nothing of it is saved.
    SetFields(job, options.sets);
    if (!job.Close(/*forceSave=*/true)) return kExitNegative;
  }
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  PrintRecord(context.out, *db, options.file, options.json);
  db->Close();
  return kExitOk;
}

}  // namespace njb
