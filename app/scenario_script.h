#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

namespace cot::shell {

// A scenario file: one step per line, `verb arg arg...`; words are split on blanks and
// "double quotes" keep blanks (\" and \\ inside them). Lines starting with # and blank
// lines are skipped. docs/scenarios.md lists the verbs.
struct ScenarioStep {
    int line = 0;       // 1-based line of the file
    QString verb;       // lower case
    QStringList args;
    QString text;       // the line as written, for the run's output
};

// What a step found wrong. `expected`/`found` are empty when the step was simply refused.
struct ScenarioFailure {
    QString message;
    QString expected;
    QString found;
};

struct ScenarioScript {
    QList<ScenarioStep> steps;
    QString error;  // "linha N: ..." when the text is not a valid scenario

    static ScenarioScript parse(const QString& text);
    static ScenarioScript load(const QString& path);
};

// Splits a line into words; false (with the reason) on an unterminated quote.
bool splitScenarioLine(const QString& line, QStringList& words, QString& error);

// "Enter", "Tab", "Esc", "F2", "Ctrl+A", "Shift+Tab"... → key and modifiers.
bool parseScenarioKey(const QString& text, int& key, Qt::KeyboardModifiers& modifiers);

// Dates relative to the day of the run: every "{hoje}", "{hoje+N}" or "{hoje-N}" (N days)
// in the text becomes that date as dd/mm/yyyy, so a scenario over dates the demo data
// takes from its own creation day holds on any day.
QString expandScenarioDates(const QString& text, const QDate& today);

}  // namespace cot::shell
