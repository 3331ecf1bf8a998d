#include "roti_geral.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include "ui/buttons.h"
#include "ui/containers.h"

namespace cot {

namespace {

QLabel* codeLabel(const QString& code, QWidget* parent) {
    auto* label = new QLabel(code, parent);
    label->setObjectName("lblCodTela");
    label->setEnabled(false);
    return label;
}

}  // namespace

bool widgetUsesEnter(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w)) return true;
        if (auto* te = qobject_cast<QTextEdit*>(w)) return !te->isReadOnly();
        if (auto* pe = qobject_cast<QPlainTextEdit*>(w)) return !pe->isReadOnly();
        if (auto* cb = qobject_cast<QComboBox*>(w)) return cb->view() && cb->view()->isVisible();
        if (w->isWindow()) break;
    }
    return false;
}

TfrmRotiGeral::TfrmRotiGeral(const QString& screenCode, const QString& caption, QWidget* parent)
    : TForm<QDialog>(parent), screenCode_(screenCode) {
    setObjectName(QStringLiteral("frm") + (screenCode.isEmpty() ? QStringLiteral("RotiGeral") : screenCode));
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    panPrincipal = new QWidget(this);
    panPrincipal->setObjectName("panPrincipal");
    layout->addWidget(panPrincipal, 1);

    panBotoes = new TPanel("panBotoes", this);
    auto* buttons = new QHBoxLayout(panBotoes);
    buttons->setContentsMargins(4, 4, 4, 4);
    lblCodTela = codeLabel(screenCode, panBotoes);
    sbtConfirma = new TSpeedButton("sbtConfirma", panBotoes, QStringLiteral("Confirmar"));
    sbtConfirma->setToolTip(QStringLiteral("Confirmar"));
    sbtCancel = new TSpeedButton("sbtCancel", panBotoes, QStringLiteral("Cancelar"));
    sbtCancel->setToolTip(QStringLiteral("Cancelar"));
    buttons->addWidget(lblCodTela);
    buttons->addStretch();
    buttons->addWidget(sbtConfirma);
    buttons->addWidget(sbtCancel);
    layout->addWidget(panBotoes);

    sbtConfirma->onClick = [this] { sbtConfirmaClick(); };
    sbtCancel->onClick = [this] { sbtCancelClick(); };
    qApp->installEventFilter(this);
}

TfrmRotiGeral::~TfrmRotiGeral() {
    if (qApp) qApp->removeEventFilter(this);
}

void TfrmRotiGeral::sbtConfirmaClick() { closeWith(mrOk); }

void TfrmRotiGeral::sbtCancelClick() { closeWith(mrCancel); }

void TfrmRotiGeral::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return;
    if (key == Qt::Key_Escape) {
        key = 0;
        sbtCancelClick();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !widgetUsesEnter(QApplication::focusWidget())) {
        key = 0;
        focusNextChild();
    }
}

bool TfrmRotiGeral::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible()) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    runHandler([&] { FormKeyDown(key, keyEvent->modifiers()); });
    return key == 0;
}

TfrmPadraoSimples::TfrmPadraoSimples(const QString& screenCode, const QString& caption, QWidget* parent)
    : TForm<QDialog>(parent), screenCode_(screenCode) {
    setObjectName(QStringLiteral("frm") + (screenCode.isEmpty() ? QStringLiteral("PadraoSimples") : screenCode));
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    panPrincipal = new QWidget(this);
    panPrincipal->setObjectName("panPrincipal");
    layout->addWidget(panPrincipal, 1);
    auto* bottom = new QHBoxLayout;
    lblCodTela = codeLabel(screenCode, this);
    sbtFechar = new TSpeedButton("sbtFechar", this, QStringLiteral("Fechar"));
    sbtFechar->setToolTip(QStringLiteral("Fechar"));
    bottom->addWidget(lblCodTela);
    bottom->addStretch();
    bottom->addWidget(sbtFechar);
    layout->addLayout(bottom);
    sbtFechar->onClick = [this] { sbtFecharClick(); };
}

}  // namespace cot
