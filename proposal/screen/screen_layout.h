#pragma once
// The layout helpers live with the areas; this name stays until its last includer moves.
#include "proposal/area/area_layout.h"
