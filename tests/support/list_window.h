#pragma once
// What the host's list window (COT00900) showed: its message and, per row, the first
// `columns` shown cells joined by a blank.
#include <QString>
#include <QStringList>

class ScriptedModalRunner;

namespace cot::testing {

struct ListedWindow {
    QString message;
    QStringList rows;
};

// The next list window is read into `out` (kept by the caller until it is shown).
void expectListWindow(::ScriptedModalRunner& runner, ListedWindow& out, int columns = 1);

}  // namespace cot::testing
