#pragma once
// A real one-page PDF written by hand (objects, cross-reference table, trailer), small
// enough to send many times; `line` is its text, so different lines give different files.
#include <QByteArray>

namespace cot::testing {

QByteArray smallPdf(const QByteArray& line = "Proposta");

}  // namespace cot::testing
