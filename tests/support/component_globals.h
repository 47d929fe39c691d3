#pragma once
// Every global the component keeps, set to a known state for one test and put back after it: the
// error stack empty and active, the table names as shipped, the engine's default type, message
// boxes answered by a script, the job-file operations on the disk, and the default workspace
// left without transactions or databases. A fixture holds one from SetUp to TearDown; the user's
// folders are TempDirTest's business.

#include <memory>

#include "lifecycle/job_files.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/message_box.h"
#include "nrxJobDb/table_names.h"

namespace nrx::test {

class ComponentGlobals {
 public:
  explicit ComponentGlobals(std::shared_ptr<MessageBoxService> boxes)
      : default_type_(DBEngine::Instance().DefaultType()),
        previous_boxes_(SetMessageBoxService(std::move(boxes))),
        previous_files_(lifecycle::SetJobFiles(nullptr)) {
    ClearErrorStack();
    model::TableNames::Instance().Restore();
  }
  ~ComponentGlobals() {
    WorkspacePtr ws = DBEngine::Instance().Workspaces(0);
    while (ws->TransactionLevel() > 0) ws->Rollback();
    ws->Close();
    lifecycle::SetJobFiles(previous_files_);
    SetMessageBoxService(previous_boxes_);
    DBEngine::Instance().SetDefaultType(default_type_);
    model::TableNames::Instance().Restore();
    ClearErrorStack();
  }
  ComponentGlobals(const ComponentGlobals&) = delete;
  ComponentGlobals& operator=(const ComponentGlobals&) = delete;

 private:
  static void ClearErrorStack() {
    ErrorStack::Instance().SetSuspended(false);
    ErrorStack::Instance().Reset();
  }

  int default_type_;
  std::shared_ptr<MessageBoxService> previous_boxes_;
  std::shared_ptr<lifecycle::JobFiles> previous_files_;
};

}  // namespace nrx::test
