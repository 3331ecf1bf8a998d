#pragma once
#include <QStringList>

#include "screens/roti_geral.h"

class QListWidget;

namespace cot {

class ProposalReach;
class TButton;
class TEdit;
class TLabel;
class TPanel;

// Attachments of the proposal version under the proposal screen's cursor (COT05010), in
// one of two modes chosen by the popup entry that opened it: removal (the selected files
// are deleted from the version's folder, the folder with the last one) or save (the
// selected files are copied to a folder the user names).
//
// The list holds the files the popup listed, each item keeping its file's real name.
class TfrmAnexoProposta : public TfrmPadraoSimples {
    Q_OBJECT
public:
    enum class Mode { Removal, Save };

    // Works on the attachments of the proposal under `screen`'s cursor; `popTag` is the
    // index of the popup entry that opened it, which chooses the mode.
    TfrmAnexoProposta(ProposalReach& screen, int popTag, QWidget* parent = nullptr);

    void FormCreate() override;

    void btfDiretorioClick();
    void btfSelecionaClick();
    void btfSalvarClick();
    void btfCancelarClick();

    Mode mode() const { return mode_; }
    // The file names listed, in order.
    QStringList listed() const;
    // The version folder the dialog works on.
    QString folder() const { return folder_; }

    TPanel* panAnexo;
    TLabel* lblArquivos;
    QListWidget* lbxAnexo;
    TLabel* Label2;
    TEdit* edtAnexo;
    TButton *btfDiretorio, *btfSeleciona, *btfSalvar, *btfCancelar;

private:
    void applyMode(Mode mode);
    void remove(const QList<int>& rows);
    void save(const QList<int>& rows);
    QString fileOf(int row) const;

    Mode mode_ = Mode::Save;
    QString folder_;
    const int popTag_;
    ProposalReach& screen_;
};

namespace Cli_cot05010 {

// Opens the dialog on `screen` for the popup entry `stTag` of its popAnexo: the entry
// count − 2 (removal) runs the operator check first, whose refusal stops here; the entry
// count − 1 saves. Shown modally and freed afterwards; a second call while it is open only
// brings it up. Failures reach the caller.
void CriaAnexoProposta(ProposalReach& screen, int stTag);

}  // namespace Cli_cot05010

}  // namespace cot
