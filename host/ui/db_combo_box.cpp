#include "db_combo_box.h"

namespace cot {

TDBComboBox::TDBComboBox(const QString& name, QWidget* parent)
    : ControlWidget<QComboBox>(name, parent), link_(new FieldDataLink(this)) {
    setEditable(false);
    link_->onRefresh = [this] {
        Field* f = field();
        if (pending_ && f && link_->editing() && f->value() == loadedValue_) return;
        load();
    };
    link_->onUpdateRecord = [this] { updateRecord(); };
    // The choice is pending before OnChange runs, so a handler that changes another
    // field of the row (which refreshes every control) does not undo it.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading_) return;
        accepted_ = accept(index);
        if (!accepted_) {
            load();
            return;
        }
        fire(onChange);
    });
}

void TDBComboBox::setItems(const QStringList& items) {
    loading_ = true;
    clear();
    addItems(items);
    loading_ = false;
    load();
}

QStringList TDBComboBox::items() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << itemText(i);
    return out;
}

bool TDBComboBox::choose(int index) {
    if (index == currentIndex()) return accept(index);
    accepted_ = false;
    setCurrentIndex(index);  // accepted (and OnChange fired) by currentIndexChanged
    return accepted_;
}

bool TDBComboBox::accept(int index) {
    if (readOnly_ || !link_->edit()) return false;
    // Putting the table in edit refreshes the controls, which shows the stored value again.
    if (currentIndex() != index) {
        loading_ = true;
        setCurrentIndex(index);
        loading_ = false;
    }
    pending_ = true;
    return true;
}

void TDBComboBox::updateRecord() {
    if (!pending_) return;
    Field* f = field();
    pending_ = false;
    if (!f) return;
    f->setText(currentText());
    loadedValue_ = f->value();
}

void TDBComboBox::beforeExit() { updateRecord(); }

void TDBComboBox::load() {
    loading_ = true;
    Field* f = field();
    const bool usable = f && link_->active();
    setCurrentIndex(usable ? findText(f->text()) : -1);
    loadedValue_ = usable ? f->value() : QVariant();
    pending_ = false;
    loading_ = false;
}

}  // namespace cot
