#pragma once
// Where the verification members of cJobProcs (VerifyPointRecord, VerifyRecsetFields,
// VerifyTableFields, VerifyOpenRecordSets, VerifyTableIndexes) send what they could not read.
// By default each failure is a message box and the walk goes on. A caller that wants the
// failures themselves (a batch check, a report) collects them instead while a
// VerifyFailureCollector lives: then no box is shown.

#include <string>
#include <vector>

#include "nrxJobDb/export.h"

namespace nrx {

// One step of a verification walk that failed.
struct NRXJOBDB_API VerifyFailure {
  std::string member;  // the member's label: "(Class Module) cJobProcs::Function VerifyTableFields"
  int number = 0;      // the error's number; 0 for a finding of the member's own
  std::string text;    // what the box says: the error's description
  std::string table;   // the table or recordset being read, when there was one
  std::string field;   // the field or index being read, when there was one
};

// While it lives, the verification members called on this thread hand their failures to it
// instead of showing them. Collectors nest: the one made before gets the failures again when
// this one goes.
class NRXJOBDB_API VerifyFailureCollector {
 public:
  VerifyFailureCollector();
  ~VerifyFailureCollector();
  VerifyFailureCollector(const VerifyFailureCollector&) = delete;
  VerifyFailureCollector& operator=(const VerifyFailureCollector&) = delete;

  // The collector failures go to on this thread; nullptr when they are shown.
  static VerifyFailureCollector* Current();

  void Add(VerifyFailure failure) { failures_.push_back(std::move(failure)); }
  // Every failure collected, in the order met.
  const std::vector<VerifyFailure>& Failures() const { return failures_; }
  void Clear() { failures_.clear(); }

 private:
  std::vector<VerifyFailure> failures_;
  VerifyFailureCollector* previous_;
};

}  // namespace nrx
