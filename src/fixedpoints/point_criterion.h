#pragma once
// The criterion that finds a point's record by its number.

#include <cstdint>
#include <string>

namespace nrx::fixedpoints {

// "PointNo = 1204": the number in decimal, no blank before it.
inline std::string PointCriterion(std::int32_t pointNo) {
  return "PointNo = " + std::to_string(pointNo);
}

}  // namespace nrx::fixedpoints
