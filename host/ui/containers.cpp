#include "containers.h"

namespace cot {

TPanel::TPanel(const QString& name, QWidget* parent) : ContainerWidget<QFrame>(name, parent) {
    setFrameShape(QFrame::StyledPanel);
}

TGroupBox::TGroupBox(const QString& name, QWidget* parent, const QString& caption)
    : ContainerWidget<QGroupBox>(name, parent) {
    setTitle(caption);
}

TScrollBox::TScrollBox(const QString& name, QWidget* parent) : ContainerWidget<QScrollArea>(name, parent) {
    setWidgetResizable(true);
    auto* inner = new QWidget;
    inner->setObjectName(name + QStringLiteral("_content"));
    setWidget(inner);
}

void SetChildEnabled(QWidget* container, bool on) {
    if (!container) return;
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The scroll area's viewport is plumbing, not a control: look inside it.
        if (dynamic_cast<Control*>(child) == nullptr && !child->isWindow()) {
            SetChildEnabled(child, on);
            continue;
        }
        if (!child->isWindow()) child->setEnabled(on);
    }
}

}  // namespace cot
