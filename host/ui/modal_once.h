#pragma once
#include <QPointer>

namespace cot {

// A dialog built for one modal showing and deleted on every path out of the scope that
// shows it, exceptions included. The opener keeps the dialog in a QPointer of its own and
// the screen that owns it finds it among its children while it is up (shownDialog), so
// deleting the dialog leaves neither a dangling pointer nor a dialog the screen would
// still find.
//
// The guard holds the dialog it was given through a QPointer too: when the screen that owns
// the dialog deletes it first (taking it along as it closes), there is nothing left to
// delete, and a pointer the opener later points elsewhere does not change which dialog goes.
//
//     QPointer<TfrmX> dialog = createForm<TfrmX>(screen, &screen.dialogParent());
//     const ModalOnce<TfrmX> once(dialog);
//     dialog->ShowModal();
template <class Form>
class ModalOnce {
public:
    explicit ModalOnce(const QPointer<Form>& dialog) : dialog_(dialog) {}
    ~ModalOnce() { delete dialog_.data(); }
    ModalOnce(const ModalOnce&) = delete;
    ModalOnce& operator=(const ModalOnce&) = delete;

    // The dialog, null once something else has deleted it.
    Form* get() const { return dialog_.data(); }
    Form* operator->() const { return dialog_.data(); }

private:
    QPointer<Form> dialog_;
};

}  // namespace cot
