#pragma once
// cJobProcs' members: its interface in slot order, then its private procedures. To add a member,
// declare it, write its body under Guard(JobProcsLabel("Name"), ...) and give it its line here.

#include <cstdint>
#include <tuple>

#include "frame/member_table.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx {
namespace frame {

template <>
struct ClassMembers<cJobProcs> {
  using C = cJobProcs;
  static constexpr ClassIdentity kIdentity{"{BD5CB1F4-896F-4D0A-954A-83B4F82E45F6}",
                                           "{39C5A134-5897-4767-AF44-F631ED82C084}", true};
  static constexpr std::int16_t kTableType = dbOpenTable;

  // clang-format off
  static constexpr auto kTable = std::tuple{
      Variable("ClassActive", 0, &C::ClassActive, &C::SetClassActive),
      Sub("SetBlank", 2, &C::SetBlank),
      Sub("CreateJobDBTable", 3, &C::CreateJobDBTable, {false}),
      Function("CloseDBfiles", 4, &C::CloseDBfiles, {false, true}),
      Sub("NewTableField_OLD", 5, &C::NewTableField_OLD),
      Sub("TestChange", 6, &C::TestChange),
      Function("MultiZoneSELECT", 7, &C::MultiZoneSELECT, {false}),
      Sub("OpenDB_LSdata", 8, &C::OpenDB_LSdata, {DefaultValue(), ""}),
      Sub("OpenDBPointEntry", 9, &C::OpenDBPointEntry),
      Sub("OpenDBRadEntry", 10, &C::OpenDBRadEntry),
      Sub("OpenDBTravEntry", 11, &C::OpenDBTravEntry),
      Sub("OpenJobDB", 12, &C::OpenJobDB),
      Function("DecimalsOK", 13, &C::DecimalsOK),
      Sub("SaveJobBounds", 14, &C::SaveJobBounds),
      Sub("BackupJobDB", 15, &C::BackupJobDB).LabelledAs(MemberKind::Function),
      Sub("CloseRecordSets", 21, &C::CloseRecordSets),
      Sub("NewLSOptionFieldDefaults", 23, &C::NewLSOptionFieldDefaults),
      Sub("EnterPointsSetup", 27, &C::EnterPointsSetup),
      Sub("EnterPointsSave", 28, &C::EnterPointsSave),
      Function("PointEntryStored", 29, &C::PointEntryStored),
      Function("CheckAlphaIDs", 31, &C::CheckAlphaIDs, {false}),
      Function("RenameField", 32, &C::RenameField),
      Function("LocatePointRecord", 33, &C::LocatePointRecord),
      Function("VerifyPointRecord", 34, &C::VerifyPointRecord, {DefaultValue()}),
      Function("OpenRecordsetSafely", 35, &C::OpenRecordsetSafely, {kTableType}),
      Function("VerifyRecsetFields", 36, &C::VerifyRecsetFields, {false}),
      Function("VerifyTableFields", 37, &C::VerifyTableFields),
      Function("VerifyOpenRecordSets", 38, &C::VerifyOpenRecordSets, {false, false, true}),
      Sub("NewFieldValue", 39, &C::NewFieldValue),
      Function("GetAlphaForPtNum", 40, &C::GetAlphaForPtNum, {false}),
      Function("VerifyTableIndexes", 41, &C::VerifyTableIndexes),
      Sub("RequeryOrReOpenOnFail", 42, &C::RequeryOrReOpenOnFail, {kTableType}),

      PrivateSub("Class_Initialize"),
      PrivateSub("Class_Terminate"),
      PrivateSub("SetupTableArrays"),
      PrivateSub("SetTableArrayValues"),
      PrivateFunction("FieldsInTable"),
      PrivateSub("ClearTableArrays"),
      PrivateFunction("JobTableFields"),
      PrivateSub("CheckTableIndex"),
      PrivateSub("EnterPointsNewPage"),
  };
  // clang-format on
};

}  // namespace frame

// The label of a cJobProcs member; a name the table does not hold stops the build.
consteval MemberLabel JobProcsLabel(std::string_view member, InvokeKind kind = InvokeKind::Method) {
  return frame::LabelOf<cJobProcs>(member, kind);
}

}  // namespace nrx
