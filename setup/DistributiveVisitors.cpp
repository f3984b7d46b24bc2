#include "setup/DistributiveVisitors.h"
// The visitors' file comparisons join here.
