#pragma once
#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <memory>
#include <type_traits>

#include "ui/event_boundary.h"
#include "ui/modal_runner.h"

namespace cot {

// What closing a screen does, decided by FormClose.
enum class CloseAction { caNone, caHide, caFree, caMinimize };

// Lifetime events of a screen, as the screens' handlers are written:
//   FormCreate   once, right after construction (createForm); an exception ends the
//                creation and reaches the caller;
//   FormShow     each time the window is shown;
//   FormActivate when shown and whenever it becomes the active window again;
//   FormClose    when it is asked to close; sets the action (caNone refuses).
// Handlers of show, activate and close run inside the error boundary.
template <class Base>
class TForm : public Base {
public:
    explicit TForm(QWidget* parent = nullptr) : Base(parent) {}

    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormClose(CloseAction& action) { action = defaultCloseAction; }

    // Asks the window to close (runs FormClose).
    bool Close() { return this->close(); }
    // Closes with a modal result (mrOk, mrCancel...).
    bool closeWith(int modalResult) {
        ModalRunner::setModalResult(*this, modalResult);
        return this->close();
    }
    // Shows the window modally through the modal runner; returns the modal result.
    int ShowModal() {
        if constexpr (std::is_base_of_v<QDialog, Base>) return ModalRunner::current().exec(*this);
        else return ModalRunner::current().showModal(*this);
    }

    CloseAction defaultCloseAction = CloseAction::caHide;

protected:
    void showEvent(QShowEvent* e) override {
        Base::showEvent(e);
        if (e->spontaneous()) return;
        runHandler([this] { FormShow(); });
        activate();
    }
    void changeEvent(QEvent* e) override {
        Base::changeEvent(e);
        if (e->type() != QEvent::ActivationChange) return;
        if (this->isActiveWindow()) activate();
        else activated_ = false;
    }
    void hideEvent(QHideEvent* e) override {
        Base::hideEvent(e);
        activated_ = false;
    }
    void closeEvent(QCloseEvent* e) override {
        CloseAction action = defaultCloseAction;
        if (!runHandler([&] { FormClose(action); }) || action == CloseAction::caNone) {
            ModalRunner::clearModalResult(*this);
            e->ignore();
            return;
        }
        if (action == CloseAction::caMinimize) {
            e->ignore();
            this->showMinimized();
            return;
        }
        if (action == CloseAction::caFree) this->setAttribute(Qt::WA_DeleteOnClose);
        Base::closeEvent(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if constexpr (std::is_base_of_v<QDialog, Base>) {
            // Escape closes through FormClose, like the close button, instead of a bare reject.
            if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
                e->accept();
                this->close();
                return;
            }
        }
        Base::keyPressEvent(e);
    }

private:
    void activate() {
        if (activated_ || !this->isVisible()) return;
        activated_ = true;
        runHandler([this] { FormActivate(); });
    }
    bool activated_ = false;
};

// Builds a screen and runs its FormCreate; on failure the screen is destroyed and the
// exception passes on.
template <class T, class... Args>
T* createForm(Args&&... args) {
    std::unique_ptr<T> form(new T(std::forward<Args>(args)...));
    form->FormCreate();
    return form.release();
}

}  // namespace cot
