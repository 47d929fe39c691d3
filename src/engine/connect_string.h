#pragma once
// The connect string of a job: ";KEY=value" parts. Only the password (";PWD=") matters to the
// engine; it is never stored.

#include <string>
#include <string_view>

namespace nrx::detail {

// The value of the ";PWD=" part (its key in any letter case), up to the next ';'; "" when none.
std::string ConnectPassword(std::string_view connect);

// The connect string without its ";PWD=" part, as it is kept in the job.
std::string WithoutPassword(std::string_view connect);

}  // namespace nrx::detail
