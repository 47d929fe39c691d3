#include "frame/member_support.h"

#include "nrxJobDb/message_box.h"

namespace nrx::frame {

TableDefPtr FindExactTable(Database& db, std::string_view name) {
  const int count = db.TableDefsCount();
  for (int i = 0; i < count; ++i) {
    TableDefPtr table = db.TableDefs(i);
    if (table->Name() == name) return table;
  }
  return nullptr;
}

FieldPtr FindExactField(TableDef& table, std::string_view name) {
  const int count = table.FieldsCount();
  for (int i = 0; i < count; ++i) {
    FieldPtr field = table.Fields(i);
    if (field->Name() == name) return field;
  }
  return nullptr;
}

std::string DescriptionOf(const Error& e) {
  if (!e.Description().empty()) return e.Description();
  return std::string(ErrorText(e.Number()));
}

void RepairAndTell(const std::string& path, const std::string& message) {
  try {
    DBEngine::Instance().RepairDatabase(path);
  } catch (const Error&) {
  }
  try {
    ShowMessageBox(message, std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
  } catch (const Error&) {
  }
}

}  // namespace nrx::frame
