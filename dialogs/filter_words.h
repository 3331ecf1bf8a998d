#pragma once
#include <QStringList>

#include "dialogs/filter_criteria.h"

namespace cot::Cli_cot05002 {

// The criteria that restrict the list, each in words as the marker above the list names
// them ("cadastro de 01/12/2026 a 31/12/2026", "situação: Válidas, A Vencer"...); empty
// when the criteria list everything, as a clean filter does.
QStringList filterWords(const TFILTRO& criteria);

}  // namespace cot::Cli_cot05002
