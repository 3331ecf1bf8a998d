#pragma once
#include <QPointer>
#include <functional>
#include <utility>

namespace cot {

// A dialog built for one modal showing and deleted on every path out of the scope that
// shows it, exceptions included. The dialog lives in a unit's global pointer, which other
// code (and the tests) read while it is up; since that pointer is a QPointer, deleting the
// dialog clears it.
//
// The guard holds the dialog the global pointed to when the guard was made, also through a
// QPointer: when the screen that owns the dialog deletes it first (taking it along as it
// closes), there is nothing left to delete. afterFree, when given, runs once the dialog is
// gone (it must not throw): the unit's own flags put back.
//
//     frmX = createForm<TfrmX>(owner);
//     const ModalOnce<TfrmX> once(frmX);
//     frmX->ShowModal();
template <class Form>
class ModalOnce {
public:
    explicit ModalOnce(const QPointer<Form>& global, std::function<void()> afterFree = {})
        : dialog_(global), afterFree_(std::move(afterFree)) {}
    ~ModalOnce() {
        delete dialog_.data();
        if (afterFree_) afterFree_();
    }
    ModalOnce(const ModalOnce&) = delete;
    ModalOnce& operator=(const ModalOnce&) = delete;

    // The dialog, null once something else has deleted it.
    Form* get() const { return dialog_.data(); }
    Form* operator->() const { return dialog_.data(); }

private:
    QPointer<Form> dialog_;
    std::function<void()> afterFree_;
};

}  // namespace cot
