#pragma once
#include "base/dialogs.h"

class QWidget;

namespace cot {

// The desktop's dialogs service: Qt message boxes with Portuguese buttons ("Sim",
// "Não", "OK", "Cancelar", ...), Qt file and folder choosers, and the host's list, multi-
// row and find windows. Every window is shown through ModalRunner::current().
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void error(const QString& text) override;
    void information(const QString& text) override;
    int messageDlg(const QString& text, DialogType type, DialogButtons buttons) override;
    int alert(const QString& text, DialogType type, const QStringList& buttonCaptions) override;
    QStringList openFiles(const QString& caption, const QString& filter, bool multiple) override;
    QString chooseFolder(const QString& caption, const QString& start, bool allowCreate) override;
    bool pick(ClientTable& table, const QString& caption, const QString& emptyText) override;
    QString pickMany(ClientTable& table, const QString& keyField, const QString& caption) override;
    bool find(ClientTable& table, const QString& startField = {}) override;

    // Title of the message box of a kind ("Aviso", "Erro", "Informação", "Confirmação").
    static QString titleFor(DialogType type);

private:
    QWidget* parent_;
};

}  // namespace cot
