#include "nrxJobDb/numeric_constants.h"

namespace nrx::model {

NumericConstants& NumericConstants::Instance() {
  static NumericConstants constants;
  return constants;
}

}  // namespace nrx::model
