// The late-bound calls of the members the component frame implements.

#include "frame/member_adapter.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/cjobprocs.h"

namespace nrx {
namespace {

using frame::MethodAdapter;

template <class C>
struct ClassActiveMembers {
  MemberRegistrar get{C::kClassName, "ClassActive", InvokeKind::PropertyGet,
                      MethodAdapter(&C::ClassActive)};
  MemberRegistrar let{C::kClassName, "ClassActive", InvokeKind::PropertyLet,
                      MethodAdapter(&C::SetClassActive)};
};

const ClassActiveMembers<cJobProcs> kJobProcsClassActive;
const ClassActiveMembers<cDBtransactions> kDBtransactionsClassActive;
const ClassActiveMembers<cFixedPoints> kFixedPointsClassActive;

const MemberRegistrar kSetBlank{cJobProcs::kClassName, "SetBlank", InvokeKind::Method,
                                MethodAdapter(&cJobProcs::SetBlank)};
const MemberRegistrar kNewTableField{cJobProcs::kClassName, "NewTableField_OLD",
                                     InvokeKind::Method,
                                     MethodAdapter(&cJobProcs::NewTableField_OLD)};
const MemberRegistrar kTestChange{cJobProcs::kClassName, "TestChange", InvokeKind::Method,
                                  MethodAdapter(&cJobProcs::TestChange)};

}  // namespace
}  // namespace nrx
