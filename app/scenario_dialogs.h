#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "scenario_script.h"
#include "base/dialogs.h"

namespace cot::shell {

// Dialogs service of a scenario run: every dialog takes the next answer the scenario
// queued (`answer Sim`, `answer OK`, `answer pick CAMPO VALOR`...), in order. A dialog
// with no answer for it, or with an answer it cannot take, is the run's failure; it
// then gets a harmless answer (Não / Cancelar / nothing chosen) so nothing ever waits.
class ScenarioDialogs : public Dialogs {
public:
    struct Answer {
        QString button;  // Sim, Não, OK, Cancelar... or an alert's caption
        QString field;   // pick answers: the row whose field holds `value`
        QString value;
        int line = 0;
        QString path;    // `answer arquivo PATH` / `answer pasta PATH` (button: arquivo, pasta)
    };

    void queue(const Answer& answer) { answers_.push_back(answer); }
    const std::deque<Answer>& pending() const { return answers_; }

    // Text of the last dialog shown (message, question or chooser caption).
    const QString& lastText() const { return lastText_; }
    bool anyShown() const { return shown_ > 0; }

    // The first dialog that went wrong; later ones add nothing to it.
    const std::optional<ScenarioFailure>& failure() const { return failure_; }

    void error(const QString& text) override;
    void information(const QString& text) override;
    int messageDlg(const QString& text, DialogType type, DialogButtons buttons) override;
    int alert(const QString& text, DialogType type, const QStringList& buttonCaptions) override;
    QStringList openFiles(const QString& caption, const QString& filter, bool multiple) override;
    QString chooseFolder(const QString& caption, const QString& start, bool allowCreate) override;
    bool pick(ClientTable& table, const QString& caption, const QString& emptyText) override;
    QString pickMany(ClientTable& table, const QString& keyField, const QString& caption) override;
    bool find(ClientTable& table, const QString& startField) override;

private:
    // The next answer, recording the dialog as shown; nothing (and a failure) when none.
    std::optional<Answer> take(const QString& described);
    void fail(const QString& message, const QString& expected, const QString& found);
    // A chooser answered by picking a row of `table`; false when cancelled or not found.
    bool pickRow(ClientTable& table, const QString& described);
    bool cancelOnly(const QString& described);
    // A file or folder chooser: the path of an answer of `kind` (arquivo, pasta), made
    // absolute against the working folder; empty when cancelled or not answered so.
    QString chosenPath(const QString& kind, const QString& described);

    std::deque<Answer> answers_;
    QString lastText_;
    int shown_ = 0;
    std::optional<ScenarioFailure> failure_;
};

// Result of a message box button named in Portuguese ("Sim" → mrYes), mrNone when unknown;
// `offered` gets the DialogButton that offers it.
int scenarioButtonResult(const QString& button, DialogButtons* offered = nullptr);

}  // namespace cot::shell
