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

TEST(ModalOnce, DeletesTheDialogOnEveryPathOutAndClearsTheOpenersPointer) {
    int destroyed = 0;
    QPointer<Probe> opened = new Probe(destroyed);
    {
        const ModalOnce<Probe> once(opened);
        EXPECT_EQ(once.get(), opened.data()) << "the dialog stays up, and readable, while the scope runs";
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(opened.isNull());

    opened = new Probe(destroyed);
    EXPECT_THROW(
        {
            const ModalOnce<Probe> once(opened);
            throw std::runtime_error("the modal loop failed");
        },
        std::runtime_error);
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(opened.isNull());
}

TEST(ModalOnce, ADialogItsOwnerTookAlongIsNotDeletedTwice) {
    int destroyed = 0;
    auto owner = std::make_unique<QObject>();
    QPointer<Probe> opened = new Probe(destroyed, owner.get());
    {
        const ModalOnce<Probe> once(opened);
        owner.reset();  // the screen closes while its dialog is up
        EXPECT_EQ(once.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ModalOnce, DeletesTheDialogItWasGivenNotALaterOne) {
    int first = 0, second = 0;
    QPointer<Probe> opened = new Probe(first);
    auto later = std::make_unique<Probe>(second);
    {
        const ModalOnce<Probe> once(opened);
        opened = later.get();  // the opener moved on while the first dialog was up
    }
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(opened.data(), later.get());
}

}  // namespace
}  // namespace cot
