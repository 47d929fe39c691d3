#pragma once
// The show-and-continue rule of the verification members: a step that fails is reported (a box
// titled by the message title prefix and the member's label, or to the caller's collector) and
// the walk goes on with the next step. Nothing is recorded on the error stack and no error
// reaches the caller.

#include <string>
#include <string_view>
#include <utility>

#include "frame/member_support.h"
#include "nrxJobDb/error_convention.h"

namespace nrx::integrity {

class VerifyWalk {
 public:
  explicit VerifyWalk(const MemberLabel& label) : label_(label) {}

  // Runs one step and tells whether it went through. An nrx::Error it raises is reported,
  // unless the walk was silenced, and goes no further. `table` and `field` name what the step
  // was reading, for a collector's report.
  template <class F>
  bool Step(F&& step, std::string_view table = {}, std::string_view field = {}) {
    try {
      std::forward<F>(step)();
      return true;
    } catch (const Error& e) {
      if (!silent_) Report(e.Number(), frame::DescriptionOf(e), table, field);
      return false;
    }
  }

  // From now on failures are passed over without a word.
  void Silence() { silent_ = true; }

  // A finding of the member's own, with no error behind it: shown under the default title.
  void Tell(const std::string& text);

 private:
  void Report(int number, const std::string& text, std::string_view table, std::string_view field);

  MemberLabel label_;
  bool silent_ = false;
};

}  // namespace nrx::integrity
