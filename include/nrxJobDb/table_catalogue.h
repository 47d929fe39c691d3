#pragma once
// The table catalogue: for each kind of job table, the ordered list of its fields.

#include <cstdint>
#include <string>
#include <vector>

#include "nrxJobDb/export.h"

namespace nrx {

// One field of a catalogue list.
struct NRXJOBDB_API TableFieldDef {
  std::string fieldName;   // compared exactly, case included
  std::int32_t fieldType;  // engine type code
  std::int16_t fieldSiz;   // Text: maximum characters; 0 for every other type
};

// A catalogue list: position i of the list (1-based, as the component counts) is element i - 1.
using TableFieldList = std::vector<TableFieldDef>;

// The 24 list members of a cJobProcs object, in their declaration order. SecondAlphaIDs is
// declared but never filled.
struct NRXJOBDB_API TableCatalogue {
  TableFieldList JobDetails;
  TableFieldList Points;
  TableFieldList Lines;
  TableFieldList DisplaySettings;
  TableFieldList TraverseHeader;
  TableFieldList Traverse;
  TableFieldList LSOptions;
  TableFieldList LSPoints;
  TableFieldList LSObsGen;
  TableFieldList LSCoordObs;
  TableFieldList GridEntryHeader;
  TableFieldList GeoEntryHeader;
  TableFieldList GridEntry;
  TableFieldList GeoEntry;
  TableFieldList RadiationHeader;
  TableFieldList Radiation;
  TableFieldList JobLSOptions;
  TableFieldList Triangles;
  TableFieldList SecondAlphaIDs;
  TableFieldList AlphaIDs;
  TableFieldList PointShift;
  TableFieldList LSObs3D;
  TableFieldList LSVectors;
  TableFieldList LSLocalisation;
};

}  // namespace nrx
