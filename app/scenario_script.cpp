#include "scenario_script.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace cot::shell {

namespace {

struct Arity {
    int min;
    int max;
};

const QHash<QString, Arity>& verbs() {
    static const QHash<QString, Arity> table{
        {"signin", {2, 3}},        {"server", {1, 1}},      {"open", {1, 1}},
        {"page", {1, 1}},          {"focus", {1, 1}},       {"type", {1, 2}},
        {"press", {1, 2}},         {"click", {1, 1}},       {"select", {3, 3}},
        {"answer", {1, 3}},        {"window", {1, 1}},      {"close", {0, 0}},
        {"wait", {1, 1}},          {"expect-dialog", {1, 1}}, {"expect-text", {2, 2}},
        {"expect-field", {3, 3}},  {"expect-rows", {2, 2}},    {"screenshot", {1, 1}},
        {"expect-opened", {1, 1}}, {"double-click", {2, 2}}, {"right-click", {2, 2}},
    };
    return table;
}

// Checks what the arity table cannot; empty when the step is well formed.
QString checkArguments(const ScenarioStep& s) {
    const QString& v = s.verb;
    if (v == QLatin1String("press")) {
        int key = 0;
        Qt::KeyboardModifiers modifiers;
        if (!parseScenarioKey(s.args.last(), key, modifiers)) return QStringLiteral("tecla desconhecida: %1").arg(s.args.last());
    } else if (v == QLatin1String("answer")) {
        const QString kind = s.args.first().toLower();
        const bool pick = kind == QLatin1String("pick");
        const bool path = kind == QLatin1String("arquivo") || kind == QLatin1String("pasta");
        if (pick != (s.args.size() == 3) || path != (s.args.size() == 2))
            return QStringLiteral("use answer BOTÃO, answer pick CAMPO VALOR, answer arquivo CAMINHO ou answer pasta CAMINHO");
    } else if (v == QLatin1String("wait")) {
        bool ok = false;
        const int ms = s.args.first().toInt(&ok);
        if (!ok || ms < 0 || ms > 10000) return QStringLiteral("espera em milissegundos, de 0 a 10000");
    } else if (v == QLatin1String("expect-rows")) {
        bool ok = false;
        if (s.args.last().toInt(&ok) < 0 || !ok) return QStringLiteral("número de linhas inválido: %1").arg(s.args.last());
    } else if (v == QLatin1String("server")) {
        const QString& a = s.args.first();
        const int colon = a.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? a.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port <= 0 || port > 65535) return QStringLiteral("servidor inválido: %1 (use HOST:PORTA)").arg(a);
    }
    return {};
}

int namedKey(const QString& name) {
    static const QHash<QString, int> keys{
        {"enter", Qt::Key_Return},  {"return", Qt::Key_Return},   {"tab", Qt::Key_Tab},
        {"esc", Qt::Key_Escape},    {"escape", Qt::Key_Escape},   {"space", Qt::Key_Space},
        {"backspace", Qt::Key_Backspace}, {"delete", Qt::Key_Delete}, {"del", Qt::Key_Delete},
        {"insert", Qt::Key_Insert}, {"ins", Qt::Key_Insert},      {"home", Qt::Key_Home},
        {"end", Qt::Key_End},       {"pageup", Qt::Key_PageUp},   {"pgup", Qt::Key_PageUp},
        {"pagedown", Qt::Key_PageDown}, {"pgdown", Qt::Key_PageDown}, {"up", Qt::Key_Up},
        {"down", Qt::Key_Down},     {"left", Qt::Key_Left},       {"right", Qt::Key_Right},
    };
    const QString n = name.toLower();
    if (const auto it = keys.find(n); it != keys.end()) return *it;
    if (n.size() == 1 && n[0] >= u'a' && n[0] <= u'z') return Qt::Key_A + (n[0].unicode() - u'a');
    if (n.size() == 1 && n[0].isDigit()) return Qt::Key_0 + n[0].digitValue();
    if (n.size() >= 2 && n[0] == u'f') {
        bool ok = false;
        const int f = n.mid(1).toInt(&ok);
        if (ok && f >= 1 && f <= 12) return Qt::Key_F1 + (f - 1);
    }
    return 0;
}

}  // namespace

bool splitScenarioLine(const QString& line, QStringList& words, QString& error) {
    words.clear();
    QString word;
    bool inWord = false, quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < line.size() && (line[i + 1] == u'"' || line[i + 1] == u'\\')) {
                word += line[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else if (c == u'"') {
            quoted = inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = QStringLiteral("aspas sem fechamento");
        return false;
    }
    if (inWord) words << word;
    return true;
}

bool parseScenarioKey(const QString& text, int& key, Qt::KeyboardModifiers& modifiers) {
    modifiers = Qt::NoModifier;
    QStringList parts = text.split(QLatin1Char('+'));
    // "Ctrl++" is not a key anyone needs here; an empty part is a mistake.
    for (int i = 0; i + 1 < parts.size(); ++i) {
        const QString m = parts[i].toLower();
        if (m == QLatin1String("ctrl")) modifiers |= Qt::ControlModifier;
        else if (m == QLatin1String("shift")) modifiers |= Qt::ShiftModifier;
        else if (m == QLatin1String("alt")) modifiers |= Qt::AltModifier;
        else return false;
    }
    key = namedKey(parts.last());
    return key != 0;
}

QString expandScenarioDates(const QString& text, const QDate& today) {
    static const QRegularExpression token(QStringLiteral("\\{hoje(?:([+-])(\\d{1,5}))?\\}"));
    QString out;
    qsizetype from = 0;
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const qint64 days = m.captured(2).toLongLong() * (m.captured(1) == QLatin1String("-") ? -1 : 1);
        out += text.mid(from, m.capturedStart() - from) + today.addDays(days).toString(QStringLiteral("dd/MM/yyyy"));
        from = m.capturedEnd();
    }
    return out + text.mid(from);
}

ScenarioScript ScenarioScript::parse(const QString& text) {
    ScenarioScript script;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const auto fail = [&](const QString& why) {
            script.steps.clear();
            script.error = QStringLiteral("linha %1: %2").arg(n + 1).arg(why);
            return script;
        };
        QStringList words;
        QString error;
        if (!splitScenarioLine(line, words, error)) return fail(error);
        ScenarioStep step{n + 1, words.takeFirst().toLower(), words, line};
        const auto arity = verbs().find(step.verb);
        if (arity == verbs().end()) return fail(QStringLiteral("passo desconhecido: %1").arg(step.verb));
        if (step.args.size() < arity->min || step.args.size() > arity->max)
            return fail(QStringLiteral("número de argumentos errado para %1").arg(step.verb));
        if (const QString why = checkArguments(step); !why.isEmpty()) return fail(why);
        script.steps << step;
    }
    if (script.steps.isEmpty() && script.error.isEmpty()) script.error = QStringLiteral("o roteiro não tem passos");
    return script;
}

ScenarioScript ScenarioScript::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ScenarioScript script;
        script.error = QStringLiteral("não foi possível ler %1: %2").arg(path, file.errorString());
        return script;
    }
    return parse(QString::fromUtf8(file.readAll()));
}

}  // namespace cot::shell
