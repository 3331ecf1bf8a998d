#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "qt_printers.h"
#include "base/dialogs.h"

namespace cot {

// Dialogs service for tests: questions are answered from a queue, in order, and
// everything shown or asked is recorded. A question with no queued answer (or a
// queued answer of another kind) is a test failure and gets a harmless answer
// (No / cancel / nothing chosen), so a test never waits on a window.
//
//   ScriptedDialogs dialogs;
//   ScriptedDialogs::Scope scope(dialogs);   // installs it as Dialogs::current()
//   dialogs.expectConfirm(true);             // the next Yes/No question gets "Yes"
//   ... run the handler ...
//   EXPECT_EQ(dialogs.errors(), QStringList{"Índice 1 deve ser informado"});
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Error, Information, MessageDlg, Alert, OpenFiles, ChooseFolder, Pick, PickMany, Find };

    // One thing shown or asked.
    struct Shown {
        Kind kind;
        QString text;             // message; caption for choosers and pick lists; a find's start field
        DialogType type = DialogType::Custom;
        QStringList buttons;      // alert captions
        DialogButtons buttonSet = 0;
    };

    // ----- answers, consumed in order
    void expectConfirm(bool yes);          // messageDlg → mrYes / mrNo
    void expectMessageDlg(int result);     // messageDlg → any DialogResult
    void expectAlert(int buttonIndex);     // alert → 0-based index (-1: closed)
    void expectOpenFiles(const QStringList& files);  // empty list: cancelled
    void expectFolder(const QString& path);          // empty: cancelled
    // The function positions the table (locate, next...) and returns whether a row was picked.
    void expectPick(std::function<bool(ClientTable&)> choose);
    void expectPickMany(const QString& selection);
    void expectFind(std::function<bool(ClientTable&)> find);

    int pendingAnswers() const { return static_cast<int>(answers_.size()); }
    void clearAnswers() { answers_.clear(); }

    // ----- what happened
    const std::vector<Shown>& shown() const { return shown_; }
    QStringList errors() const;        // texts of error()
    QStringList informations() const;  // texts of information()
    QStringList questions() const;     // texts of messageDlg() and alert()
    QStringList allTexts() const;      // every text, in order
    void clearShown() { shown_.clear(); }

    // ----- Dialogs
    void error(const QString& text) override;
    void information(const QString& text) override;
    int messageDlg(const QString& text, DialogType type, DialogButtons buttons) override;
    int alert(const QString& text, DialogType type, const QStringList& buttonCaptions) override;
    QStringList openFiles(const QString& caption, const QString& filter, bool multiple) override;
    QString chooseFolder(const QString& caption, const QString& start, bool allowCreate) override;
    bool pick(ClientTable& table, const QString& caption, const QString& emptyText) override;
    QString pickMany(ClientTable& table, const QString& keyField, const QString& caption) override;
    bool find(ClientTable& table, const QString& startField) override;

    // Installs the dialogs as Dialogs::current() and restores the previous service on
    // destruction. With `requireAllAnswered`, answers never asked for are a failure.
    class Scope {
    public:
        explicit Scope(ScriptedDialogs& dialogs, bool requireAllAnswered = true);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ScriptedDialogs& dialogs_;
        Dialogs* previous_;
        bool requireAll_;
    };

private:
    struct Answer {
        Kind kind;
        int number = 0;
        QStringList texts;
        std::function<bool(ClientTable&)> onTable;
    };
    // The next answer when it is of `kind`; otherwise records a failure and returns false.
    bool take(Kind kind, const QString& what, Answer& out);

    std::deque<Answer> answers_;
    std::vector<Shown> shown_;
};

const char* kindName(ScriptedDialogs::Kind kind);

}  // namespace cot

namespace cot::test {
using cot::ScriptedDialogs;
}
