// The reports whose source and line are part of the text the user sees: they stand as they
// are here, whichever line of the code raises them.
#pragma once

#include "../shared/cgen.h"

#define CORRUPT_REGISTRY_TEXT "Corrupt registry"

const FixedReport REPORT_REGISTRY_PROBLEM = {"shared", 26, "Registry problem"};
const FixedReport REPORT_CLOSE_USER_KEY = {"shared", 63, "Could not close user key"};
const FixedReport REPORT_CORRUPT_SHOW_ENTRY = {"SSaver", 71, CORRUPT_REGISTRY_TEXT};
