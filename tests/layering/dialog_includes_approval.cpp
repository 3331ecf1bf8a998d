// Must not compile: the dialogs sit below the approval.
#include "approval/approval_checks.h"
