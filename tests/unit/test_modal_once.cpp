#include <gtest/gtest.h>

#include <QObject>
#include <QPointer>
#include <memory>
#include <stdexcept>

#include "ui/modal_once.h"

namespace cot {
namespace {

// Stands in for a dialog: counts how often it is destroyed.
class Probe : public QObject {
public:
    explicit Probe(int& destroyed, QObject* parent = nullptr) : QObject(parent), destroyed_(destroyed) {}
    ~Probe() override { ++destroyed_; }

private:
    int& destroyed_;
};

TEST(ModalOnce, DeletesTheDialogOnEveryPathOutAndClearsTheGlobal) {
    int destroyed = 0;
    QPointer<Probe> global = new Probe(destroyed);
    {
        const ModalOnce<Probe> once(global);
        EXPECT_EQ(once.get(), global.data()) << "the dialog stays up, and readable, while the scope runs";
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(global.isNull());

    global = new Probe(destroyed);
    EXPECT_THROW(
        {
            const ModalOnce<Probe> once(global);
            throw std::runtime_error("the modal loop failed");
        },
        std::runtime_error);
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(global.isNull());
}

TEST(ModalOnce, ADialogItsOwnerTookAlongIsNotDeletedTwice) {
    int destroyed = 0, freed = 0;
    auto owner = std::make_unique<QObject>();
    QPointer<Probe> global = new Probe(destroyed, owner.get());
    {
        const ModalOnce<Probe> once(global, [&] { ++freed; });
        owner.reset();  // the screen closes while its dialog is up
        EXPECT_EQ(once.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(freed, 1) << "the unit's flags are put back even when there was nothing to delete";
}

TEST(ModalOnce, DeletesTheDialogItWasGivenNotALaterOne) {
    int first = 0, second = 0;
    QPointer<Probe> global = new Probe(first);
    auto later = std::make_unique<Probe>(second);
    {
        const ModalOnce<Probe> once(global);
        global = later.get();  // the global moved on while the first dialog was up
    }
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(global.data(), later.get());
}

}  // namespace
}  // namespace cot
