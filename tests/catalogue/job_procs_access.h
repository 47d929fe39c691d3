#pragma once
// The private members of cJobProcs, for the catalogue's tests.

#include <cstdint>
#include <string>

#include "nrxJobDb/cjobprocs.h"

namespace nrx {

struct JobProcsTestAccess {
  static TableCatalogue& Catalogue(cJobProcs& procs) { return procs.catalogue_; }

  static void SetupTableArrays(cJobProcs& procs) { procs.SetupTableArrays(); }
  static void SetTableArrayValues(cJobProcs& procs, TableFieldList& list, std::int16_t& index,
                                  const std::string& fieldName, std::int16_t fieldType,
                                  std::int16_t fieldSiz) {
    procs.SetTableArrayValues(list, index, fieldName, fieldType, fieldSiz);
  }
  static bool FieldsInTable(cJobProcs& procs, const TableFieldList& list,
                            const TableDefPtr& tableDef, bool addMissing) {
    return procs.FieldsInTable(list, tableDef, addMissing);
  }
  static void ClearTableArrays(cJobProcs& procs) { procs.ClearTableArrays(); }
  static bool JobTableFields(cJobProcs& procs, const DatabasePtr& jobDB, bool addMissing) {
    return procs.JobTableFields(jobDB, addMissing);
  }
  static void CheckTableIndex(cJobProcs& procs, const DatabasePtr& jobDB,
                              const TableDefPtr& tableDef, const std::string& indexName,
                              const std::string& indexFields, bool makePrimary) {
    procs.CheckTableIndex(jobDB, tableDef, indexName, indexFields, makePrimary);
  }
};

}  // namespace nrx
