// cJobProcs::DecimalsOK: whether every entered decimal text ends in the digit 0.

#include "frame/job_procs_members.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

bool cJobProcs::DecimalsOK(const std::vector<std::string>& field, std::int16_t records) {
  return Guard(JobProcsLabel("DecimalsOK"), [&] {
    for (std::int16_t i = 0; i < records; ++i) {
      if (static_cast<std::size_t>(i) >= field.size()) {
        Raise(err::kSubscript, kRuntimeErrorSource, "field");
      }
      const std::string& entry = field[static_cast<std::size_t>(i)];
      // Only blanks at the end are trimmed for the test of emptiness; the last character is
      // taken from the text as entered, so "1.20 " is not accepted.
      if (!Blank(entry) && entry.back() != '0') return false;
    }
    return true;
  });
}

}  // namespace nrx
