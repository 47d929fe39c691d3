#include "frame/class_table.h"

namespace nrx::frame {
namespace {

constexpr std::int32_t kVariable = 0x40030000;
constexpr std::int32_t kProcedure = 0x60030000;
constexpr unsigned kMethod = static_cast<unsigned>(InvokeKind::Method);
constexpr unsigned kGet = static_cast<unsigned>(InvokeKind::PropertyGet);
constexpr unsigned kLet = static_cast<unsigned>(InvokeKind::PropertyLet);
constexpr unsigned kSet = static_cast<unsigned>(InvokeKind::PropertySet);

MemberInfo Variable(const char* name, int index, unsigned kinds) {
  return {name, kVariable + index, kinds, false};
}
MemberInfo Sub(const char* name, int slot) { return {name, kProcedure + slot, kMethod, false}; }
MemberInfo Function(const char* name, int slot) { return {name, kProcedure + slot, kMethod, true}; }
MemberInfo Property(const char* name, int slot, unsigned kinds) {
  return {name, kProcedure + slot, kinds, (kinds & kGet) != 0};
}

ClassInfo JobProcs() {
  return {"cJobProcs",
          "{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}",
          "_cJobProcs",
          "{39C5A134-5897-4767-AF44-F631ED82C084}",
          "nrxJobDb.cJobProcs",
          true,
          {
              Variable("ClassActive", 0, kGet | kLet),
              Sub("SetBlank", 2),
              Sub("CreateJobDBTable", 3),
              Function("CloseDBfiles", 4),
              Sub("NewTableField_OLD", 5),
              Sub("TestChange", 6),
              Function("MultiZoneSELECT", 7),
              Sub("OpenDB_LSdata", 8),
              Sub("OpenDBPointEntry", 9),
              Sub("OpenDBRadEntry", 10),
              Sub("OpenDBTravEntry", 11),
              Sub("OpenJobDB", 12),
              Function("DecimalsOK", 13),
              Sub("SaveJobBounds", 14),
              Sub("BackupJobDB", 15),
              Sub("CloseRecordSets", 21),
              Sub("NewLSOptionFieldDefaults", 23),
              Sub("EnterPointsSetup", 27),
              Sub("EnterPointsSave", 28),
              Function("PointEntryStored", 29),
              Function("CheckAlphaIDs", 31),
              Function("RenameField", 32),
              Function("LocatePointRecord", 33),
              Function("VerifyPointRecord", 34),
              Function("OpenRecordsetSafely", 35),
              Function("VerifyRecsetFields", 36),
              Function("VerifyTableFields", 37),
              Function("VerifyOpenRecordSets", 38),
              Sub("NewFieldValue", 39),
              Function("GetAlphaForPtNum", 40),
              Function("VerifyTableIndexes", 41),
              Sub("RequeryOrReOpenOnFail", 42),
          }};
}

// Slots: ClassActive get 0, let 1; ActiveTransactions get 2, let 3; methods from 4.
ClassInfo DBtransactions() {
  return {"cDBtransactions",
          "{8C3021D2-2A3F-4B97-8F05-39DA799FF230}",
          "_cDBtransactions",
          "{A6D3BD92-2484-4B69-BD2C-67C10E28AFD9}",
          "nrxJobDb.cDBtransactions",
          false,
          {
              Variable("ClassActive", 0, kGet | kLet),
              Variable("ActiveTransactions", 1, kGet | kLet),
              Sub("SetBlank", 4),
              Sub("RollBackTransIfPending", 5),
              Sub("BeginTransIfNotPending", 6),
              Sub("CommitTransIfPending", 7),
              Sub("RecordsetOPEN", 8),
              Sub("RecordsetCLOSE", 9),
          }};
}

// Slots: ClassActive get 0, let 1; FixedPointsTable get 2, let 3, set 4; methods from 5, each
// property procedure pair under the slot of its get.
ClassInfo FixedPoints() {
  return {"cFixedPoints",
          "{370EB7B5-400E-4DEC-8A80-C7A22B2DAA2B}",
          "_cFixedPoints",
          "{52BF589C-CF92-4F78-AA25-0B816D4D9700}",
          "nrxJobDb.cFixedPoints",
          false,
          {
              Variable("ClassActive", 0, kGet | kLet),
              Variable("FixedPointsTable", 1, kGet | kLet | kSet),
              Function("PointInList", 5),
              Sub("AddFixedPoint", 6),
              Sub("RemoveFixedPoint", 7),
              Sub("ClearFixedPoints", 8),
              Function("HaveFixedPoints", 9),
              Property("FixedPoints", 10, kGet | kLet),
              Function("AssignFixedPtsList_OLD", 12),
              Property("Clone", 13, kGet),
              Property("FixedDBPoints", 14, kGet | kLet),
              Function("PointFixedInTable", 16),
              Function("PointFixedInListOrTable", 17),
              Sub("CountFixedPts", 18),
              Function("CreateFixedPtsRecordset", 19),
              Function("DebugPrintFixedPoints", 20),
              Function("PointFixedInPE", 21),
          }};
}

}  // namespace

std::vector<ClassInfo> ComponentClasses() { return {JobProcs(), DBtransactions(), FixedPoints()}; }

}  // namespace nrx::frame
