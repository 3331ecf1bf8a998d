#include "support/quiet_dialogs.h"

#include <QStringList>
#include <cstdio>

namespace cot::bench {

void QuietDialogs::note(const char* kind, const QString& text) {
    ++shown_;
    std::fprintf(stderr, "[%s] %s\n", kind, qPrintable(text));
}

void QuietDialogs::error(const QString& text) { note("erro", text); }
void QuietDialogs::information(const QString& text) { note("informação", text); }

int QuietDialogs::messageDlg(const QString& text, DialogType, DialogButtons buttons) {
    note("pergunta", text);
    if (buttons & mbNo) return mrNo;
    if (buttons & mbCancel) return mrCancel;
    return mrOk;
}

int QuietDialogs::alert(const QString& text, DialogType, const QStringList&) {
    note("alerta", text);
    return -1;
}

QStringList QuietDialogs::openFiles(const QString& caption, const QString&, bool) {
    note("arquivos", caption);
    return {};
}

QString QuietDialogs::chooseFolder(const QString& caption, const QString&, bool) {
    note("pasta", caption);
    return {};
}

bool QuietDialogs::pick(ClientTable&, const QString& caption, const QString&) {
    note("escolha", caption);
    return false;
}

QString QuietDialogs::pickMany(ClientTable&, const QString&, const QString& caption) {
    note("escolha", caption);
    return {};
}

bool QuietDialogs::find(ClientTable&, const QString&) {
    note("procura", QStringLiteral("(tabela)"));
    return false;
}

}  // namespace cot::bench
