#pragma once
#include "services/file_opener.h"

namespace cot {

// Opens files with the desktop's associated program (xdg rules on Linux). A file whose
// type has no program is reported as NoAssociation, so the caller can offer another way.
class DesktopFileOpener : public FileOpener {
public:
    OpenResult open(const QString& path) override;
};

}  // namespace cot
