#include "exchange/crs.h"

#include <fmt/format.h>
#include <proj.h>
#include <proj_experimental.h>

#include <cctype>
#include <cstdlib>
#include <charconv>
#include <memory>

#include "exchange/job_data.h"
#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

constexpr std::string_view kSource = "nrxExchange.Crs";

struct ContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct ObjectDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};
struct ListDeleter {
  void operator()(PJ_OBJ_LIST* l) const { proj_list_destroy(l); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, ObjectDeleter>;
using List = std::unique_ptr<PJ_OBJ_LIST, ListDeleter>;

// One context a thread keeps PROJ's database open between look-ups. PROJ would print its
// complaints on stderr; the errors raised here say what went wrong.
PJ_CONTEXT* ThreadContext() {
  thread_local Context ctx = [] {
    Context made(proj_context_create());
    proj_log_level(made.get(), PJ_LOG_NONE);
    return made;
  }();
  return ctx.get();
}

// Letters and digits only, upper case: "WGS 84" and "wgs84" name the same datum.
std::string Folded(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

Crs CrsOf(const PJ* object) {
  const char* code = proj_get_id_code(object, 0);
  return {code ? std::atoi(code) : 0, proj_get_name(object)};
}

// The geographic system whose name is `name`, spaces and case aside.
Object FindGeographic(PJ_CONTEXT* ctx, const std::string& name) {
  const PJ_TYPE types[] = {PJ_TYPE_GEOGRAPHIC_2D_CRS};
  List found(proj_create_from_name(ctx, "EPSG", name.c_str(), types, 1, 1, 0, nullptr));
  const int count = found ? proj_list_get_count(found.get()) : 0;
  for (int i = 0; i < count; ++i) {
    Object candidate(proj_list_get(ctx, found.get(), i));
    if (Folded(proj_get_name(candidate.get())) == Folded(name)) return candidate;
  }
  return nullptr;
}

// The same, found once a thread: a search by name costs tens of milliseconds, and every zone of a
// job asks for its datum again. Null when PROJ has no such system, which is not kept: PROJ's
// database may only have been out of reach.
const PJ* GeographicNamed(PJ_CONTEXT* ctx, const std::string& name) {
  thread_local std::map<std::string, Object> found;
  auto known = found.find(Folded(name));
  if (known != found.end()) return known->second.get();
  Object system = FindGeographic(ctx, name);
  if (!system) return nullptr;
  return found.emplace(Folded(name), std::move(system)).first->second.get();
}

bool IsTransverseMercatorZone(std::string_view projection) {
  const std::string p = Folded(projection);
  return p == "UTM" || p == "TM";
}

// The first EPSG code of the usual datums' transverse Mercator zone systems, numbered on by zone
// (0: none in that hemisphere). Looking a code up takes a millisecond where asking PROJ to identify
// the zone's definition takes seconds on most datums; each code found is checked against the zone
// before it is taken, so a datum not listed, or a zone the numbering misses, goes the long way.
struct ZoneNumbering {
  const char* datum;  // folded
  int north;
  int south;
};
constexpr ZoneNumbering kZoneNumberings[] = {
    {"WGS84", 32600, 32700}, {"WGS72", 32200, 32300}, {"ETRS89", 25800, 0},
    {"ED50", 23000, 0},      {"NAD83", 26900, 0},     {"NAD27", 26700, 0},
    {"GDA94", 0, 28300},     {"GDA2020", 0, 7800},    {"NZGD2000", 0, 2075},
};

// The zone's system by its code, when the datum's numbering gives one that is this zone on this
// datum: same geographic system by name, same projection and parameters.
std::optional<Crs> NumberedZone(PJ_CONTEXT* ctx, const std::string& datum, int zone, bool north) {
  const std::string folded = Folded(datum);
  for (const ZoneNumbering& numbering : kZoneNumberings) {
    const int first = north ? numbering.north : numbering.south;
    if (folded != numbering.datum || first == 0) continue;
    Object crs(proj_create_from_database(ctx, "EPSG", std::to_string(first + zone).c_str(),
                                         PJ_CATEGORY_CRS, 0, nullptr));
    if (!crs || proj_get_type(crs.get()) != PJ_TYPE_PROJECTED_CRS || proj_is_deprecated(crs.get())) {
      return std::nullopt;
    }
    Object base(proj_crs_get_geodetic_crs(ctx, crs.get()));
    Object conversion(proj_crs_get_coordoperation(ctx, crs.get()));
    Object expected(proj_create_conversion_utm(ctx, zone, north ? 1 : 0));
    const bool same = base && conversion && Folded(proj_get_name(base.get())) == folded &&
                      proj_is_equivalent_to(conversion.get(), expected.get(), PJ_COMP_EQUIVALENT);
    return same ? std::optional<Crs>(CrsOf(crs.get())) : std::nullopt;
  }
  return std::nullopt;
}

// The EPSG projected system that a zone's definition on `base` matches, if any.
std::optional<Crs> IdentifyZone(PJ_CONTEXT* ctx, const PJ* base, int zone, bool north) {
  Object conversion(proj_create_conversion_utm(ctx, zone, north ? 1 : 0));
  Object cs(proj_create_cartesian_2D_cs(ctx, PJ_CART2D_EASTING_NORTHING, nullptr, 0));
  Object crs(proj_create_projected_crs(ctx, "zone", base, conversion.get(), cs.get()));
  if (!crs) return std::nullopt;
  int* confidence = nullptr;
  List matches(proj_identify(ctx, crs.get(), "EPSG", nullptr, &confidence));
  std::optional<Crs> best;
  int best_confidence = 0;
  const int count = matches ? proj_list_get_count(matches.get()) : 0;
  for (int i = 0; i < count; ++i) {
    // 70 and up: the same definition, whatever its name.
    if (confidence[i] < 70 || confidence[i] <= best_confidence) continue;
    Object match(proj_list_get(ctx, matches.get(), i));
    if (proj_is_deprecated(match.get())) continue;
    best = CrsOf(match.get());
    best_confidence = confidence[i];
  }
  proj_int_list_destroy(confidence);
  return best;
}

[[noreturn]] void Unnamed(std::string text) {
  RaiseText(err::kInvalidCall, kSource, std::move(text) + " (or give --crs EPSG:n)");
}

}  // namespace

Crs ZoneCrs(const JobProjection& job, int zone) {
  if (!IsTransverseMercatorZone(job.projection)) {
    Unnamed(fmt::format("The job's projection '{}' is not a transverse Mercator zone: set "
                        "JobDetails.Projection to UTM",
                        job.projection));
  }
  const std::string datum = job.datum.empty() ? job.spheroid : job.datum;
  if (datum.empty()) Unnamed("The job names no datum: set JobDetails.DatumH (WGS84, ETRS89, ...)");
  if (!job.approx_lat) {
    Unnamed("The job's hemisphere is not known: set JobDetails.ApproxLat");
  }
  if (NormalZone(zone) == 0) Unnamed("The points have no zone: set JobDetails.Zone");
  const int wrapped = NormalZone(zone);
  const bool north = *job.approx_lat >= 0;
  PJ_CONTEXT* ctx = ThreadContext();
  if (std::optional<Crs> numbered = NumberedZone(ctx, datum, wrapped, north)) return *numbered;
  const PJ* base = GeographicNamed(ctx, datum);
  if (!base) {
    Unnamed(fmt::format("PROJ knows no geographic system named '{}': set JobDetails.DatumH",
                        datum));
  }
  std::optional<Crs> crs = IdentifyZone(ctx, base, wrapped, north);
  if (!crs) {
    Unnamed(fmt::format("PROJ's database has no system for zone {}{} on {}: set "
                        "JobDetails.DatumH or JobDetails.Zone",
                        wrapped, north ? 'N' : 'S', proj_get_name(base)));
  }
  return *crs;
}

Crs ParseCrs(std::string_view text) {
  std::string_view digits = text;
  if (Folded(digits.substr(0, 5)) == "EPSG" && digits.size() > 5 && digits[4] == ':') {
    digits.remove_prefix(5);
  }
  int code = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  PJ_CONTEXT* ctx = ThreadContext();
  Object crs;
  if (ec == std::errc() && end == digits.data() + digits.size()) {
    crs.reset(proj_create_from_database(ctx, "EPSG", std::string(digits).c_str(),
                                        PJ_CATEGORY_CRS, 0, nullptr));
  }
  if (!crs) {
    RaiseText(err::kInvalidCall, kSource,
              fmt::format("'{}' is no coordinate reference system of PROJ's database: give "
                          "EPSG:n",
                          text));
  }
  return CrsOf(crs.get());
}

const Crs& ZoneSystems::ForZone(int zone) {
  if (given_) return *given_;
  auto found = found_.find(zone);
  if (found == found_.end()) found = found_.emplace(zone, ZoneCrs(job_, zone)).first;
  return found->second;
}

}  // namespace nrx::exchange
