#pragma once
// Every object of the application's model library that the component uses.

#include "nrxJobDb/coord_utilities.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/ls_preferences.h"
#include "nrxJobDb/numeric_constants.h"
#include "nrxJobDb/point_entry_model.h"
#include "nrxJobDb/table_names.h"
#include "nrxJobDb/text_utility.h"
