#pragma once
// The coordinate utilities object of the application's model library.

#include <cstdint>

#include "nrxJobDb/export.h"
#include "nrxJobDb/variant.h"

namespace nrx::model {

class NRXJOBDB_API CoordUtilities : public Object {
 public:
  // The global object, created on first use and kept until the library is unloaded.
  static CoordUtilities& Instance();

  // Converts a geographic value between decimal degrees (as points hold latitude and
  // longitude) and the packed sexagesimal form the entry tables store and show, D.MMSSsss:
  // whole degrees, then two digits of minutes, two of seconds and decimals of seconds.
  // With `toPacked` True, `value` is in decimal degrees and the result is packed, rounded to
  // `places` decimal places of the packed form (7 keeps thousandths of a second; 4 whole
  // seconds; 2 whole minutes), carrying 60 seconds into the minutes and 60 minutes into the
  // degrees. With `toPacked` False, `value` is packed and the result is in decimal degrees,
  // rounded to `places` decimals. The sign belongs to the whole angle. Raises 5 when `places`
  // is outside 0 to 12, or when a packed value holds 60 or more minutes or seconds.
  double ConvertGeoValue(double value, std::int16_t places, bool toPacked) const;
};

}  // namespace nrx::model
