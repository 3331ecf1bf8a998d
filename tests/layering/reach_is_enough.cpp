// Must compile: what a dialog is given to reach the screen.
#include "reach/proposal_reach.h"
