#include "scenario_dialogs.h"

#include <QFileInfo>

#include "data/client_table.h"
#include "data/field.h"

namespace cot::shell {

namespace {

struct ButtonWord {
    const char* word;
    int result;
    DialogButton button;
};

constexpr ButtonWord kButtons[] = {
    {"sim", mrYes, mbYes},           {"não", mrNo, mbNo},         {"nao", mrNo, mbNo},
    {"ok", mrOk, mbOK},              {"cancelar", mrCancel, mbCancel}, {"abortar", mrAbort, mbAbort},
    {"repetir", mrRetry, mbRetry},   {"ignorar", mrIgnore, mbIgnore},
};

QString buttonNames(DialogButtons buttons) {
    QStringList names;
    const std::pair<DialogButton, const char*> all[] = {{mbYes, "Sim"}, {mbNo, "Não"}, {mbOK, "OK"},
                                                        {mbCancel, "Cancelar"}, {mbAbort, "Abortar"},
                                                        {mbRetry, "Repetir"}, {mbIgnore, "Ignorar"}};
    for (const auto& [button, name] : all)
        if (buttons & button) names << QString::fromUtf8(name);
    return names.join(QLatin1Char('/'));
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString withoutAccelerator(QString caption) { return caption.remove(QLatin1Char('&')); }

QString answerText(const ScenarioDialogs::Answer& a) {
    const QString what = !a.path.isEmpty() ? a.button + QLatin1Char(' ') + a.path
                         : a.field.isEmpty() ? a.button
                                             : QStringLiteral("pick %1 %2").arg(a.field, a.value);
    return QStringLiteral("answer %1 (linha %2)").arg(what).arg(a.line);
}

}  // namespace

int scenarioButtonResult(const QString& button, DialogButtons* offered) {
    const QString word = button.trimmed().toLower();
    for (const ButtonWord& b : kButtons) {
        if (word == QString::fromUtf8(b.word)) {
            if (offered) *offered = b.button;
            return b.result;
        }
    }
    return mrNone;
}

void ScenarioDialogs::fail(const QString& message, const QString& expected, const QString& found) {
    if (!failure_) failure_ = ScenarioFailure{message, expected, found};
}

std::optional<ScenarioDialogs::Answer> ScenarioDialogs::take(const QString& described) {
    ++shown_;
    if (answers_.empty()) {
        fail(QStringLiteral("diálogo não previsto pelo roteiro"), QStringLiteral("nenhum diálogo"), described);
        return std::nullopt;
    }
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScenarioDialogs::error(const QString& text) {
    lastText_ = text;
    const QString described = QStringLiteral("erro ") + quoted(text);
    if (const auto a = take(described); a && (!a->field.isEmpty() || scenarioButtonResult(a->button) != mrOk))
        fail(QStringLiteral("a resposta não serve para o diálogo"), answerText(*a), described + QStringLiteral(" [OK]"));
}

void ScenarioDialogs::information(const QString& text) {
    lastText_ = text;
    const QString described = QStringLiteral("informação ") + quoted(text);
    if (const auto a = take(described); a && (!a->field.isEmpty() || scenarioButtonResult(a->button) != mrOk))
        fail(QStringLiteral("a resposta não serve para o diálogo"), answerText(*a), described + QStringLiteral(" [OK]"));
}

int ScenarioDialogs::messageDlg(const QString& text, DialogType, DialogButtons buttons) {
    lastText_ = text;
    const QString described = QStringLiteral("pergunta %1 [%2]").arg(quoted(text), buttonNames(buttons));
    const int harmless = (buttons & mbNo) ? mrNo : mrCancel;
    const auto a = take(described);
    if (!a) return harmless;
    DialogButtons offered = 0;
    const int result = a->field.isEmpty() ? scenarioButtonResult(a->button, &offered) : mrNone;
    if (result == mrNone || !(buttons & offered)) {
        fail(QStringLiteral("a resposta não serve para o diálogo"), answerText(*a), described);
        return harmless;
    }
    return result;
}

int ScenarioDialogs::alert(const QString& text, DialogType, const QStringList& buttonCaptions) {
    lastText_ = text;
    QStringList captions;
    for (const QString& c : buttonCaptions) captions << withoutAccelerator(c);
    const QString described = QStringLiteral("alerta %1 [%2]").arg(quoted(text), captions.join(QLatin1Char('/')));
    const auto a = take(described);
    if (!a) return -1;
    for (int i = 0; a->field.isEmpty() && i < captions.size(); ++i)
        if (captions[i].compare(a->button.trimmed(), Qt::CaseInsensitive) == 0) return i;
    fail(QStringLiteral("a resposta não serve para o diálogo"), answerText(*a), described);
    return -1;
}

bool ScenarioDialogs::cancelOnly(const QString& described) {
    const auto a = take(described);
    if (a && (!a->field.isEmpty() || scenarioButtonResult(a->button) != mrCancel))
        fail(QStringLiteral("este diálogo só aceita answer Cancelar"), answerText(*a), described);
    return false;
}

QString ScenarioDialogs::chosenPath(const QString& kind, const QString& described) {
    const auto a = take(described);
    if (!a) return {};
    if (a->field.isEmpty() && a->path.isEmpty() && scenarioButtonResult(a->button) == mrCancel) return {};
    if (a->path.isEmpty() || a->button != kind) {
        fail(QStringLiteral("este diálogo aceita answer %1 CAMINHO ou answer Cancelar").arg(kind), answerText(*a),
             described);
        return {};
    }
    return QFileInfo(a->path).absoluteFilePath();
}

QStringList ScenarioDialogs::openFiles(const QString& caption, const QString&, bool) {
    lastText_ = caption;
    const QString path = chosenPath(QStringLiteral("arquivo"), QStringLiteral("escolha de arquivos ") + quoted(caption));
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString ScenarioDialogs::chooseFolder(const QString& caption, const QString&, bool) {
    lastText_ = caption;
    return chosenPath(QStringLiteral("pasta"), QStringLiteral("escolha de pasta ") + quoted(caption));
}

QString ScenarioDialogs::pickMany(ClientTable&, const QString&, const QString& caption) {
    lastText_ = caption;
    cancelOnly(QStringLiteral("seleção de vários ") + quoted(caption));
    return {};
}

bool ScenarioDialogs::pickRow(ClientTable& table, const QString& described) {
    const auto a = take(described);
    if (!a) return false;
    if (a->field.isEmpty()) {
        if (scenarioButtonResult(a->button) != mrCancel)
            fail(QStringLiteral("a resposta não serve para o diálogo"), answerText(*a), described);
        return false;
    }
    if (!table.findField(a->field)) {
        fail(QStringLiteral("a lista não tem o campo %1").arg(a->field), answerText(*a), described);
        return false;
    }
    bool found = false;
    try {
        found = table.locate(a->field, a->value);
    } catch (const std::exception&) {
        found = false;  // a value the field cannot hold matches no row
    }
    if (!found) {
        fail(QStringLiteral("nenhuma linha da lista tem %1 = %2").arg(a->field, a->value), answerText(*a),
             QStringLiteral("%1 com %2 linha(s)").arg(described).arg(table.recordCount()));
        return false;
    }
    return true;
}

bool ScenarioDialogs::pick(ClientTable& table, const QString& caption, const QString&) {
    lastText_ = caption;
    return pickRow(table, QStringLiteral("lista ") + quoted(caption));
}

bool ScenarioDialogs::find(ClientTable& table, const QString&) {
    lastText_ = QStringLiteral("Localizar");
    return pickRow(table, QStringLiteral("localizar em ") + table.objectName());
}

}  // namespace cot::shell
