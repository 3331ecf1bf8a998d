#include "scripted_dialogs.h"

#include <gtest/gtest.h>

namespace cot {

const char* kindName(ScriptedDialogs::Kind kind) {
    switch (kind) {
    case ScriptedDialogs::Kind::Error: return "error";
    case ScriptedDialogs::Kind::Information: return "information";
    case ScriptedDialogs::Kind::MessageDlg: return "messageDlg";
    case ScriptedDialogs::Kind::Alert: return "alert";
    case ScriptedDialogs::Kind::OpenFiles: return "openFiles";
    case ScriptedDialogs::Kind::ChooseFolder: return "chooseFolder";
    case ScriptedDialogs::Kind::Pick: return "pick";
    case ScriptedDialogs::Kind::PickMany: return "pickMany";
    case ScriptedDialogs::Kind::Find: return "find";
    }
    return "?";
}

void ScriptedDialogs::expectConfirm(bool yes) { answers_.push_back({Kind::MessageDlg, yes ? mrYes : mrNo, {}, {}}); }

void ScriptedDialogs::expectMessageDlg(int result) { answers_.push_back({Kind::MessageDlg, result, {}, {}}); }

void ScriptedDialogs::expectAlert(int buttonIndex) { answers_.push_back({Kind::Alert, buttonIndex, {}, {}}); }

void ScriptedDialogs::expectOpenFiles(const QStringList& files) { answers_.push_back({Kind::OpenFiles, 0, files, {}}); }

void ScriptedDialogs::expectFolder(const QString& path) { answers_.push_back({Kind::ChooseFolder, 0, {path}, {}}); }

void ScriptedDialogs::expectPick(std::function<bool(ClientTable&)> choose) {
    answers_.push_back({Kind::Pick, 0, {}, std::move(choose)});
}

void ScriptedDialogs::expectPickMany(const QString& selection) {
    answers_.push_back({Kind::PickMany, 0, {selection}, {}});
}

void ScriptedDialogs::expectFind(std::function<bool(ClientTable&)> find) {
    answers_.push_back({Kind::Find, 0, {}, std::move(find)});
}

bool ScriptedDialogs::take(Kind kind, const QString& what, Answer& out) {
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << " with no scripted answer: \"" << what.toStdString()
                      << "\"";
        return false;
    }
    if (answers_.front().kind != kind) {
        ADD_FAILURE() << "scripted answer is for " << kindName(answers_.front().kind) << " but a " << kindName(kind)
                      << " came: \"" << what.toStdString() << "\"";
        return false;
    }
    out = std::move(answers_.front());
    answers_.pop_front();
    return true;
}

QStringList ScriptedDialogs::errors() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Error) out << s.text;
    return out;
}

QStringList ScriptedDialogs::informations() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Information) out << s.text;
    return out;
}

QStringList ScriptedDialogs::questions() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::MessageDlg || s.kind == Kind::Alert) out << s.text;
    return out;
}

QStringList ScriptedDialogs::allTexts() const {
    QStringList out;
    for (const Shown& s : shown_) out << s.text;
    return out;
}

void ScriptedDialogs::error(const QString& text) { shown_.push_back({Kind::Error, text, DialogType::Error, {}, 0}); }

void ScriptedDialogs::information(const QString& text) {
    shown_.push_back({Kind::Information, text, DialogType::Information, {}, 0});
}

int ScriptedDialogs::messageDlg(const QString& text, DialogType type, DialogButtons buttons) {
    shown_.push_back({Kind::MessageDlg, text, type, {}, buttons});
    Answer a;
    if (!take(Kind::MessageDlg, text, a)) return (buttons & mbNo) ? mrNo : mrCancel;
    return a.number;
}

int ScriptedDialogs::alert(const QString& text, DialogType type, const QStringList& buttonCaptions) {
    shown_.push_back({Kind::Alert, text, type, buttonCaptions, 0});
    Answer a;
    if (!take(Kind::Alert, text, a)) return -1;
    if (a.number >= buttonCaptions.size()) {
        ADD_FAILURE() << "scripted alert button " << a.number << " but only " << buttonCaptions.size()
                      << " buttons: \"" << text.toStdString() << "\"";
        return -1;
    }
    return a.number;
}

QStringList ScriptedDialogs::openFiles(const QString& caption, const QString& filter, bool multiple) {
    shown_.push_back({Kind::OpenFiles, caption, DialogType::Custom, {filter}, 0});
    Answer a;
    if (!take(Kind::OpenFiles, caption, a)) return {};
    if (!multiple && a.texts.size() > 1) ADD_FAILURE() << "several files scripted for a single-file chooser";
    return a.texts;
}

QString ScriptedDialogs::chooseFolder(const QString& caption, const QString& start, bool) {
    shown_.push_back({Kind::ChooseFolder, caption, DialogType::Custom, {start}, 0});
    Answer a;
    if (!take(Kind::ChooseFolder, caption, a)) return {};
    return a.texts.value(0);
}

bool ScriptedDialogs::pick(ClientTable& table, const QString& caption, const QString& emptyText) {
    shown_.push_back({Kind::Pick, caption, DialogType::Custom, {emptyText}, 0});
    Answer a;
    if (!take(Kind::Pick, caption, a)) return false;
    return a.onTable ? a.onTable(table) : false;
}

QString ScriptedDialogs::pickMany(ClientTable&, const QString& keyField, const QString& caption) {
    shown_.push_back({Kind::PickMany, caption, DialogType::Custom, {keyField}, 0});
    Answer a;
    if (!take(Kind::PickMany, caption, a)) return {};
    return a.texts.value(0);
}

bool ScriptedDialogs::find(ClientTable& table, const QString& startField) {
    shown_.push_back({Kind::Find, startField, DialogType::Custom, {}, 0});
    Answer a;
    if (!take(Kind::Find, QStringLiteral("find"), a)) return false;
    return a.onTable ? a.onTable(table) : false;
}

ScriptedDialogs::Scope::Scope(ScriptedDialogs& dialogs, bool requireAllAnswered)
    : dialogs_(dialogs), previous_(Dialogs::installed() ? &Dialogs::current() : nullptr),
      requireAll_(requireAllAnswered) {
    Dialogs::setCurrent(&dialogs_);
}

ScriptedDialogs::Scope::~Scope() {
    Dialogs::setCurrent(previous_);
    if (requireAll_ && dialogs_.pendingAnswers() > 0) {
        ADD_FAILURE() << dialogs_.pendingAnswers() << " scripted answer(s) never asked for, the next is for "
                      << kindName(dialogs_.answers_.front().kind);
    }
}

}  // namespace cot
