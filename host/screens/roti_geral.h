#pragma once
#include <QDialog>

#include "form.h"
#include "services/messages.h"

class QLabel;
class QVBoxLayout;

namespace cot {

class TPanel;
class TSpeedButton;

// General routine dialog: a client area for the derived dialog's controls, a button
// panel with confirm (`sbtConfirma`) and cancel (`sbtCancel`), the screen code and the
// dialog's catalogue `msgPadrao`. Keys are previewed by the dialog (FormKeyDown): Enter
// moves to the next control (buttons, multi-line editors and grids keep their Enter),
// Escape cancels.
class TfrmRotiGeral : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit TfrmRotiGeral(const QString& screenCode = {}, const QString& caption = {}, QWidget* parent = nullptr);
    ~TfrmRotiGeral() override;

    QString screenCode() const { return screenCode_; }
    // Adds the entries of a catalogue file or resource to msgPadrao.
    void loadMessages(const QString& path) { msgPadrao.loadFromFile(path); }

    // Default handlers: confirm closes with mrOk, cancel with mrCancel.
    virtual void sbtConfirmaClick();
    virtual void sbtCancelClick();
    // Key preview of the whole dialog. Set key to 0 to swallow it.
    virtual void FormKeyDown(int& key, Qt::KeyboardModifiers modifiers);

    QWidget* clientArea() const { return panPrincipal; }

    TMessages msgPadrao;
    QWidget* panPrincipal;   // the derived dialog's controls go here
    TPanel* panBotoes;
    TSpeedButton* sbtConfirma;
    TSpeedButton* sbtCancel;
    QLabel* lblCodTela;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString screenCode_;
};

// Plain host screen: a client area and a close button (`sbtFechar`).
class TfrmPadraoSimples : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit TfrmPadraoSimples(const QString& screenCode = {}, const QString& caption = {}, QWidget* parent = nullptr);

    QString screenCode() const { return screenCode_; }
    virtual void sbtFecharClick() { Close(); }

    TMessages msgPadrao;
    QWidget* panPrincipal;
    TSpeedButton* sbtFechar;
    QLabel* lblCodTela;

private:
    QString screenCode_;
};

// Whether Enter belongs to the focused widget itself (buttons, multi-line editors,
// grids, drop-down lists) rather than moving to the next control.
bool widgetUsesEnter(QWidget* widget);

}  // namespace cot
