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

// The dialog goes on every path out (the opener's pointer cleared), only once when its owner
// took it along, and it is the one given, never a later one the opener moved on to.
TEST(ModalOnce, DeletesTheDialogItWasGivenOnceOnEveryPathOut) {
    int destroyed = 0, later = 0;
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

    auto owner = std::make_unique<QObject>();
    opened = new Probe(destroyed, owner.get());
    {
        const ModalOnce<Probe> once(opened);
        owner.reset();  // the screen closes while its dialog is up
        EXPECT_EQ(once.get(), nullptr);
    }
    EXPECT_EQ(destroyed, 3);

    opened = new Probe(destroyed);
    auto next = std::make_unique<Probe>(later);
    {
        const ModalOnce<Probe> once(opened);
        opened = next.get();
    }
    EXPECT_EQ(destroyed, 4);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(opened.data(), next.get());
}

}  // namespace
}  // namespace cot
