#include "messages.h"

#include <QFile>

#include "base/errors.h"

namespace cot {

namespace {

QString foldKey(const QString& key) { return key.trimmed().toCaseFolded(); }

QString unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            if (text[i + 1] == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (text[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Texts of the host base screens, shared by every screen.
const char* const kStandardMessages = R"(# host standard messages
Canc|Deseja cancelar as alterações?
ConfExcl|Confirma a exclusão do registro?
Excluir|Confirma a exclusão do registro?
Confirma|Confirma
Cancela|Cancela
Arq_Delete|Deseja realmente remover o anexo?
)";

}  // namespace

void TMessages::loadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Catálogo de mensagens '%1' não encontrado.").arg(path));
    loadFromText(QString::fromUtf8(file.readAll()));
}

void TMessages::loadFromText(const QString& text) {
    const QStringList lines = text.split('\n');
    for (QString line : lines) {
        if (line.endsWith('\r')) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#') || trimmed.startsWith(';')) continue;
        const int bar = line.indexOf('|');
        if (bar <= 0 || line.left(bar).trimmed().isEmpty()) continue;
        add(line.left(bar), unescape(line.mid(bar + 1)));
    }
}

TMessages TMessages::fromText(const QString& text) {
    TMessages m;
    m.loadFromText(text);
    return m;
}

void TMessages::add(const QString& key, const QString& text) { texts_.insert(foldKey(key), text); }

bool TMessages::contains(const QString& key) const { return texts_.contains(foldKey(key)); }

QString TMessages::Msg(const QString& key) const {
    const auto it = texts_.constFind(foldKey(key));
    if (it != texts_.constEnd()) return *it;
    // The screen shows the key itself; the log says which entry its catalogue lacks.
    if (!key.trimmed().isEmpty()) qWarning("Mensagem sem texto no catálogo: chave '%s'.", qUtf8Printable(key));
    return key;
}

QString TMessages::Msg(const QString& key, const QStringList& args) const { return format(Msg(key), args); }

int TMessages::ShowMsg(const QString& key, DialogType type, DialogButtons buttons, int) const {
    return Dialogs::current().messageDlg(Msg(key), type, buttons);
}

int TMessages::ShowMsgAlert(const QString& key, DialogType type, const QStringList& buttonKeys, int) const {
    QStringList captions;
    for (const QString& b : buttonKeys) captions << Msg(b);
    const int index = Dialogs::current().alert(Msg(key), type, captions);
    if (index < 0 || index >= captions.size()) return mrNone;
    return mrYesToAll + index;  // 10, 11, ...
}

QString TMessages::format(const QString& text, const QStringList& args) {
    QString out;
    int next = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && next < args.size()) {
            out += args[next++];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const TMessages& msgMensagensPadroes() {
    static const TMessages catalogue = TMessages::fromText(QString::fromUtf8(kStandardMessages));
    return catalogue;
}

}  // namespace cot
