#pragma once
// The coordinate reference system of a job's grid coordinates, named by its EPSG code as
// PROJ's database knows it.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace nrx::exchange {

// The JobDetails fields that say where a job's grid coordinates lie.
struct JobProjection {
  std::string projection;  // "UTM" or "TM": a transverse Mercator zone
  std::string spheroid;    // stands for the datum when DatumH is empty ("WGS84")
  std::string datum;       // DatumH: "WGS84", "ETRS89", "NAD83", "GDA2020", ...
  std::optional<int> approx_lat;  // its sign gives the hemisphere
};

struct Crs {
  int epsg = 0;
  std::string name;  // PROJ's name, "WGS 84 / UTM zone 33N"
};

// The EPSG system of the job's projection in `zone` (wrapped into 1..60). Raises 5 naming the
// JobDetails field to set (or --crs) when PROJ's database has no such system.
Crs ZoneCrs(const JobProjection& job, int zone);

// "EPSG:n" (or just n), checked against PROJ's database; raises 5 otherwise.
Crs ParseCrs(std::string_view text);

// The system of each zone: the one given in place of the job's for every zone, or the job's own.
class ZoneSystems {
 public:
  ZoneSystems(JobProjection job, std::optional<Crs> given)
      : job_(std::move(job)), given_(std::move(given)) {}
  const Crs& ForZone(int zone);
  const JobProjection& Job() const { return job_; }

 private:
  JobProjection job_;
  std::optional<Crs> given_;
  std::map<int, Crs> found_;
};

}  // namespace nrx::exchange
