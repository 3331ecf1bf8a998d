#pragma once
#include <QDialog>
#include <QPointer>

#include "screens/form.h"

class QLabel;

namespace cot {

class TPanel;
class TScrollBox;

// Explanatory picture of a product line's processing mode and processing location
// (head office or branch). Only shows the picture; closing hides it.
class TfrmModoProc : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit TfrmModoProc(QWidget* parent = nullptr);

    TPanel* panFundo;
    TScrollBox* scbImagem;
    QLabel* imgModoProc;
};

namespace Cli_cot05009 {

extern bool boStCriado;  // the picture window has been built
extern QPointer<TfrmModoProc> frmModoProc;

// Builds the window once per module load (hourglass meanwhile) and shows it modally; later
// calls show the same window again.
void CriaModoProc();

// Module load and unload: the flag as the unit starts it; the window freed.
void initialization();
void finalization();

}  // namespace Cli_cot05009

}  // namespace cot
