#pragma once
// cJobProcs: the component's class of job-database operations. It is also the application
// object: Default() is the one instance that serves calls made without an instance of their own.
//
// Every member is passed its arguments by reference, as the automation interface passes them;
// a member's result, where it has one, is its return value. Errors reach the caller as
// nrx::Error with the number first raised and the member's label as source (error_convention.h).

#include <cstdint>
#include <memory>
#include <string>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/table_catalogue.h"
#include "nrxJobDb/variant.h"

namespace nrx {

namespace frame {
struct Lifecycle;
}  // namespace frame

class cJobProcs : public Object {
 public:
  static constexpr std::string_view kClassName = "cJobProcs";

  // Sets ClassActive and builds the table catalogue. A failure is raised with the label
  // "(Class Module) cJobProcs::Sub Class_Initialize".
  cJobProcs();
  // Clears the catalogue and ClassActive. A failure is recorded on the error stack under
  // "(Class Module) cJobProcs::Sub Class_Terminate" but cannot reach anyone.
  ~cJobProcs() override;
  cJobProcs(const cJobProcs&) = delete;
  cJobProcs& operator=(const cJobProcs&) = delete;

  // The application object's instance, made (with its catalogue) on first use.
  static const std::shared_ptr<cJobProcs>& Default();

  // True from creation to destruction; the caller may also set it.
  bool ClassActive() const { return class_active_; }
  void SetClassActive(bool value) { class_active_ = value; }

  // Does nothing.
  void SetBlank();

  // Superseded by NewFieldValue, which takes the same arguments: does nothing and changes none
  // of them.
  void NewTableField_OLD(const DatabasePtr& jobDB, const RecordsetPtr& currentTable,
                         const std::string& tableName, const std::string& fieldName,
                         std::int16_t fieldType, std::int16_t fieldSiz, const Variant& newValue,
                         const model::JobGeneralPtr& jobGeneral, bool* fieldAdded = nullptr);

  // Sets `desc` to "Changed it!!"; the caller sees its own variable changed.
  void TestChange(std::string& desc);

 private:
  friend struct frame::Lifecycle;
  // Creation and destruction steps, each under its own label.
  void Class_Initialize();
  void Class_Terminate();

  // Gives the test suites the private members; defined by the tests only.
  friend struct JobProcsTestAccess;

  // The table catalogue (src/catalogue).
  void SetupTableArrays();
  void SetTableArrayValues(TableFieldList& list, std::int16_t& index, const std::string& fieldName,
                           std::int16_t fieldType, std::int16_t fieldSiz);
  bool FieldsInTable(const TableFieldList& list, const TableDefPtr& tableDef, bool addMissing);
  void ClearTableArrays();

  bool class_active_ = false;
  TableCatalogue catalogue_;
};

}  // namespace nrx
