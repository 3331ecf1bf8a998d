#pragma once
#include <QWidget>

namespace cot {

// The desktop's screen: its cursor and the control that has the focus.
class Screen {
public:
    // Cursor codes as the screens use them: 0 default, -11 hourglass.
    enum : int { crDefault = 0, crHourGlass = -11 };
    static void setCursor(int cursor);
    static int cursor();
    static QWidget* activeControl();
};

// Shows the hourglass while alive and puts back the previous cursor on every path out.
class HourGlass {
public:
    HourGlass();
    ~HourGlass();
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;

private:
    int previous_;
};

}  // namespace cot
