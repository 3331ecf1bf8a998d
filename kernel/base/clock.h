#pragma once
#include <QDate>
#include <QDateTime>
#include <memory>

namespace cot {

// Source of "today" and "now". Production uses the system clock; tests fix it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }

    // The clock everyone asks. Never null.
    static const Clock& current();
    // Replaces the clock (tests); passing nullptr restores the system clock.
    static void setCurrent(std::shared_ptr<const Clock> clock);
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime at) : at_(std::move(at)) {}
    QDateTime now() const override { return at_; }

private:
    QDateTime at_;
};

}  // namespace cot
