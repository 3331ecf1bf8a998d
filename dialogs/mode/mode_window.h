#pragma once
#include <QDialog>

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

// Shows the picture modally. `owner` (the proposal screen) keeps the window it builds the
// first time (hourglass meanwhile) and later calls show the same window again; without an
// owner the window is built for this showing and freed after it.
void CriaModoProc(QWidget* owner);

}  // namespace Cli_cot05009

}  // namespace cot
