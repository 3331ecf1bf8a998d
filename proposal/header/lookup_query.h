#pragma once
#include <QString>

#include "services/local_query.h"

namespace cot {

// Runs a host lookup query for one code (`all` false) or for every row (`all` true: the
// query's "all" parameter takes "T"), as the header's and the indexes' lookups are written.
inline void runLookup(TADOIBQuery& q, const char* codeParam, const QString& code, const char* allParam, bool all) {
    q.close();
    q.paramByName(QString::fromLatin1(codeParam)).setValue(code);
    q.paramByName(QString::fromLatin1(allParam)).setValue(all ? QStringLiteral("T") : QString());
    q.open();
}

}  // namespace cot
