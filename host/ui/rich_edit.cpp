#include "rich_edit.h"

#include <QKeySequence>
#include <QMimeData>

namespace cot {

TDBRichEdit::TDBRichEdit(const QString& name, QWidget* parent)
    : ControlWidget<QTextEdit>(name, parent), link_(new FieldDataLink(this)) {
    setAcceptRichText(true);
    link_->onRefresh = [this] {
        Field* f = field();
        if (pending_ && f && link_->editing() && f->value() == loadedValue_) return;
        load();
    };
    link_->onUpdateRecord = [this] { updateRecord(); };
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (loading_) return;
        pending_ = true;
        fire(onChange);
    });
}

QString TDBRichEdit::storedText() const { return isEmpty() ? QString() : toHtml(); }

bool TDBRichEdit::beginEdit() { return !readOnly_ && link_->edit(); }

void TDBRichEdit::updateRecord() {
    if (!pending_) return;
    Field* f = field();
    pending_ = false;
    if (!f) return;
    const QString text = storedText();
    if (text.isEmpty()) f->clear();
    else f->setValue(text);
    loadedValue_ = f->value();
}

void TDBRichEdit::beforeExit() { updateRecord(); }

void TDBRichEdit::load() {
    loading_ = true;
    Field* f = field();
    const bool usable = f && link_->active();
    const QVariant value = usable ? f->value() : QVariant();
    // The same value again (a refresh caused by another field or by entering edit):
    // keep the document, its cursor and its selection.
    if (value != loadedValue_ || !loadedOnce_ || pending_) {
        const QString text = usable ? f->asString() : QString();
        if (Qt::mightBeRichText(text)) setHtml(text);
        else setPlainText(text);
        loadedOnce_ = true;
    }
    const bool ro = readOnly_ || !link_->canModify();
    if (isReadOnly() != ro) QTextEdit::setReadOnly(ro);
    loadedValue_ = value;
    pending_ = false;
    loading_ = false;
}

void TDBRichEdit::keyPressEvent(QKeyEvent* event) {
    dispatchKeyPress(event, [this](QKeyEvent* e) {
        const bool changes = e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
                             e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete ||
                             e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
                             (!typedChar(e).isNull() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                              e->key() != Qt::Key_Escape && e->key() != Qt::Key_Tab);
        if (changes && !beginEdit()) {
            e->accept();
            return;
        }
        QTextEdit::keyPressEvent(e);
    });
}

void TDBRichEdit::insertFromMimeData(const QMimeData* source) {
    if (!beginEdit()) return;
    QTextEdit::insertFromMimeData(source);
}

}  // namespace cot
