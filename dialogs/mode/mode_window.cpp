#include "dialogs/mode/mode_window.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>
#include <memory>

#include "ui/containers.h"
#include "ui/screen.h"

namespace cot {

TfrmModoProc::TfrmModoProc(QWidget* parent) : TForm<QDialog>(parent) {
    setObjectName(QStringLiteral("frmModoProc"));
    setWindowTitle(QStringLiteral("Modo de Processamento"));
    // Only the system close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(949, 612);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    panFundo = new TPanel(QStringLiteral("panFundo"), this);
    panFundo->setFrameShape(QFrame::Panel);
    panFundo->setFrameShadow(QFrame::Sunken);
    layout->addWidget(panFundo);
    auto* inner = new QVBoxLayout(panFundo);
    inner->setContentsMargins(2, 2, 2, 2);
    scbImagem = new TScrollBox(QStringLiteral("scbImagem"), panFundo);
    inner->addWidget(scbImagem);

    // The picture keeps its own size inside the scroll box: a part that does not fit the
    // window is scrolled to, never cut off.
    imgModoProc = new QLabel(scbImagem);
    imgModoProc->setObjectName(QStringLiteral("imgModoProc"));
    imgModoProc->setPixmap(QPixmap(QStringLiteral(":/cot05009/processing_mode.png")));
    imgModoProc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgModoProc->adjustSize();
    scbImagem->setWidget(imgModoProc);
    scbImagem->setWidgetResizable(false);
}

namespace Cli_cot05009 {

void CriaModoProc(QWidget* owner) {
    QPointer<TfrmModoProc> window =
        owner ? owner->findChild<TfrmModoProc*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    std::unique_ptr<TfrmModoProc> alone;
    if (!window) {
        HourGlass hourGlass;
        window = createForm<TfrmModoProc>(owner);
        if (!owner) alone.reset(window.data());
    }
    window->ShowModal();
    if (window) window->setWindowState(Qt::WindowNoState);
}

}  // namespace Cli_cot05009

}  // namespace cot
