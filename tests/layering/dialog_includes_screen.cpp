// Must not compile: a dialog reaches the screen through reach/ only.
#include "proposal/screen/proposal_screen.h"
