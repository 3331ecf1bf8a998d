#pragma once
// The addresses a proposal is sent to, as the salesperson types them: separated by ';' or
// ',', each one well formed, a few distinct ones at most. The same address typed twice
// (in any case) is sent to once.
#include <QString>
#include <QStringList>

namespace cot::server::client_page {

inline constexpr int kMostAddresses = 5;
inline constexpr qsizetype kAddressText = 250;  // ENVIOPROP.DSEMAILDEST

// The distinct addresses in the order typed (the first spelling of each kept), or
// MethodError: none; the text over kAddressText or more than kMostAddresses distinct
// ones; one malformed (named on one line).
QStringList sendingAddresses(const QString& typed);

}  // namespace cot::server::client_page
