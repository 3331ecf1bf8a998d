#include "page_control.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

#include "event_boundary.h"

namespace cot {

TTabSheet::TTabSheet(const QString& name, TPageControl* owner, const QString& caption)
    : ContainerWidget<QWidget>(name, nullptr), owner_(owner), caption_(caption) {
    owner->addPage(this);
}

void TTabSheet::setCaption(const QString& caption) {
    caption_ = caption;
    owner_->rebuildTabs();
}

void TTabSheet::setTabVisible(bool on) {
    if (tabVisible_ == on) return;
    tabVisible_ = on;
    owner_->rebuildTabs();
}

int TTabSheet::pageIndex() const { return owner_->pages_.indexOf(const_cast<TTabSheet*>(this)); }

TPageControl::TPageControl(const QString& name, QWidget* parent)
    : ContainerWidget<QWidget>(name, parent), tabs_(new QTabBar(this)), stack_(new QStackedWidget(this)) {
    tabs_->setObjectName(name + QStringLiteral("_tabs"));
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->setDrawBase(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addWidget(stack_, 1);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) { tabChanged(i); });
    // While a page with a hidden tab is active, the bar still marks some tab as current;
    // a click on that tab changes nothing in the bar but must still change the page.
    connect(tabs_, &QTabBar::tabBarClicked, this, [this](int i) {
        if (i >= 0 && i == tabs_->currentIndex()) tabChanged(i);
    });
}

void TPageControl::addPage(TTabSheet* page) {
    pages_.append(page);
    stack_->addWidget(page);
    if (!active_) {
        active_ = page;
        stack_->setCurrentWidget(page);
    }
    rebuildTabs();
}

TTabSheet* TPageControl::findPage(const QString& name) const {
    for (TTabSheet* p : pages_)
        if (p->objectName().compare(name, Qt::CaseInsensitive) == 0) return p;
    return nullptr;
}

void TPageControl::setActivePage(TTabSheet* page) {
    if (!page || !pages_.contains(page)) return;
    active_ = page;
    stack_->setCurrentWidget(page);
    rebuildTabs();
}

bool TPageControl::selectByUser(TTabSheet* page) {
    if (!page || page == active_ || !pages_.contains(page)) return page == active_;
    bool allow = true;
    if (onChanging && (!runHandler([&] { onChanging(allow); }) || !allow)) {
        rebuildTabs();  // the tab bar goes back to the page that stays
        return false;
    }
    setActivePage(page);
    return runHandler(onChange);
}

void TPageControl::rebuildTabs() {
    const QSignalBlocker block(tabs_);
    while (tabs_->count() > 0) tabs_->removeTab(0);
    int current = -1;
    for (TTabSheet* p : pages_) {
        if (!p->tabVisible_) continue;
        const int i = tabs_->addTab(p->caption_);
        tabs_->setTabData(i, QVariant::fromValue<void*>(p));
        if (p == active_) current = i;
    }
    if (current >= 0) tabs_->setCurrentIndex(current);
}

void TPageControl::tabChanged(int tabIndex) {
    if (tabIndex < 0) return;
    auto* page = static_cast<TTabSheet*>(tabs_->tabData(tabIndex).value<void*>());
    selectByUser(page);
}

}  // namespace cot
