#pragma once
// The tracker's counts are 16-bit, as its interface gives them.

#include <cstdint>
#include <string_view>

namespace nrx::transactions {

// `count` + 1; past 32767 the runtime's overflow (6), naming the count `what`.
std::int16_t OneMore(std::int16_t count, std::string_view what);

}  // namespace nrx::transactions
