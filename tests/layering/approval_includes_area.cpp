// Must not compile: the approval reaches the areas through reach/ only.
#include "proposal/product_lines/product_line_area.h"
