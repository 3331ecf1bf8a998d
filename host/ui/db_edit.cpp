#include "db_edit.h"

#include <QKeySequence>

#include "event_boundary.h"

namespace cot {

TDBEdit::TDBEdit(const QString& name, QWidget* parent)
    : ControlWidget<QLineEdit>(name, parent), link_(new FieldDataLink(this)) {
    link_->onRefresh = [this] {
        // Something typed and not written survives refreshes caused by other fields of
        // the same row; a new row, a cancel or a change of this field reloads.
        Field* f = field();
        if (pending_ && f && link_->editing() && f->value() == loadedValue_) return;
        load();
    };
    link_->onUpdateRecord = [this] { updateRecord(); };
    // Any change not made by loading is pending, typed or set by a handler.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!loading_) pending_ = true;
        fire(onChange);
    });
}

void TDBEdit::setReadOnly(bool on) {
    readOnly_ = on;
    load();
}

QString TDBEdit::text() const {
    if (appliedMask_.isEmpty()) return QLineEdit::text();
    return maskedStoredText(appliedMask_, displayText());
}

void TDBEdit::setText(const QString& text) {
    loading_ = true;
    QLineEdit::setText(text);
    loading_ = false;
    pending_ = true;
}

QString TDBEdit::textToStore() const { return text(); }

void TDBEdit::writeToField(Field& f, const QString& text) { f.setText(text); }

void TDBEdit::updateRecord() {
    if (!pending_) return;
    Field* f = field();
    if (!f) {
        pending_ = false;
        return;
    }
    writeToField(*f, textToStore());
    pending_ = false;
    loadedValue_ = f->value();
}

void TDBEdit::reset() {
    pending_ = false;
    load();
}

void TDBEdit::applyMask(Field* f) {
    const QString mask = f && !f->editMask.isEmpty() ? f->editMask : defaultMask();
    if (mask == appliedMask_) return;
    appliedMask_ = mask;
    setInputMask(parseEditMask(mask).qtMask);
}

void TDBEdit::load() {
    Field* f = field();
    loading_ = true;
    applyMask(f);
    if (!f || !link_->active()) {
        if (!QLineEdit::text().isEmpty()) QLineEdit::setText(QString());
        if (!isReadOnly()) QLineEdit::setReadOnly(true);
        loadedValue_ = QVariant();
    } else {
        const bool editor = hasFocus() && link_->canModify() && !readOnly_;
        const QString shown = editor || !appliedMask_.isEmpty() ? f->text() : f->displayText();
        // Same text: leave it alone, so the cursor and the selection survive refreshes
        // (the first keystroke puts the table in edit, which refreshes every link).
        if (shown != text()) QLineEdit::setText(shown);
        const bool stringType = f->dataType() == FieldType::String || f->dataType() == FieldType::FixedString;
        // Each setter below re-sets the text in Qt (losing the selection): only on change.
        const int maxLength = stringType && f->size() > 0 && appliedMask_.isEmpty() ? f->size() : 32767;
        if (QLineEdit::maxLength() != maxLength) setMaxLength(maxLength);
        const bool ro = readOnly_ || !link_->canModify();
        if (isReadOnly() != ro) QLineEdit::setReadOnly(ro);
        loadedValue_ = f->value();
    }
    pending_ = false;
    loading_ = false;
}

bool TDBEdit::keyChangesText(QKeyEvent* e) const {
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
        e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo))
        return true;
    switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete: return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab: return false;
    default: break;
    }
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    return !typedChar(e).isNull();
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    dispatchKeyPress(event, [this](QKeyEvent* e) {
        if (e->key() == Qt::Key_Escape && pending_) {
            reset();
            e->accept();
            return;
        }
        if (keyChangesText(e) && (readOnly_ || !link_->edit())) {
            e->accept();  // the field cannot change now: the key is refused
            return;
        }
        QLineEdit::keyPressEvent(e);
    });
}

void TDBEdit::beforeExit() {
    try {
        updateRecord();
    } catch (...) {
        selectAll();
        throw;
    }
    if (!pending_) load();  // back to the display text
}

void TDBEdit::beforeEnter() {
    if (!pending_) load();  // the editor text
    // An empty masked edit takes typing from its first position, however it got the
    // focus (Qt leaves the cursor after the mask's blanks unless tabbed into).
    if (!appliedMask_.isEmpty() && !pending_ && field() && field()->isNull()) setCursorPosition(0);
}

}  // namespace cot
