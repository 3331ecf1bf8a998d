#pragma once
// A row of buttons that wraps: the widgets go left to right and continue on a new row
// when the width runs out, so a long toolbar never sets the window's minimum width (a
// 1366-pixel screen shows every button, on two rows if need be). The widgets after a
// stretch stand at the right end of the last row, as after a box layout's stretch.
#include <QLayout>
#include <QList>

namespace cot {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void insertWidget(int index, QWidget* widget);
    // What is added after it stands at the right end of the last row.
    void addStretch();

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in `rect` (only measures with `apply` false); the height used.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> items_;
    int stretchAt_ = -1;  // index of the first item after the stretch; -1 for none
};

}  // namespace cot
