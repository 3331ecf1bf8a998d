// Must compile: what a dialog is given to reach the screen.
#include "proposal/reach/proposal_reach.h"
