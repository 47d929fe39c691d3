#pragma once
// The numeric constants object of the application's model library.

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

class NRXJOBDB_API NumericConstants : public Object {
 public:
  // A value no coordinate, height or observation takes, and that still fits a Single field.
  static constexpr double kStandardNullValue = -1.0e38;

  // The global object, created on first use and kept until the library is unloaded.
  static NumericConstants& Instance();

  // The number that marks "no value": stored as Null wherever it is met.
  double NullValue() const { return null_value_; }
  void SetNullValue(double value) { null_value_ = value; }
  bool IsNullValue(double value) const { return value == null_value_; }

 private:
  double null_value_ = kStandardNullValue;
};

}  // namespace nrx::model
