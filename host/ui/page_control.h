#pragma once
#include <QList>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QWidget>
#include <functional>

#include "containers.h"

namespace cot {

class TPageControl;

// One page; a container for focus enter/exit. A page whose tab is hidden can still be
// the active page (reached through a menu).
class TTabSheet : public ContainerWidget<QWidget> {
public:
    TTabSheet(const QString& name, TPageControl* owner, const QString& caption = {});
    TPageControl* pageControl() const { return owner_; }
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool tabVisible() const { return tabVisible_; }
    void setTabVisible(bool on);
    int pageIndex() const;

private:
    friend class TPageControl;
    TPageControl* owner_;
    QString caption_;
    bool tabVisible_ = true;
};

// Pages with tabs. Changing the page from code (setActivePage) runs no event, so a screen
// that moves between pages while it loads is not called back into its own handlers; a tab
// chosen by the user runs onChanging (set allow=false to refuse) and then onChange.
class TPageControl : public ContainerWidget<QWidget> {
public:
    explicit TPageControl(const QString& name = {}, QWidget* parent = nullptr);

    int pageCount() const { return pages_.size(); }
    TTabSheet* page(int index) const { return pages_.value(index); }
    TTabSheet* findPage(const QString& name) const;
    TTabSheet* activePage() const { return active_; }
    int activePageIndex() const { return pages_.indexOf(active_); }
    void setActivePage(TTabSheet* page);
    void setActivePageIndex(int index) { setActivePage(page(index)); }

    // What a click on a tab does; exposed for tests and keyboard navigation.
    // Returns false when onChanging refused or a handler failed.
    bool selectByUser(TTabSheet* page);

    std::function<void()> onChange;
    std::function<void(bool& allow)> onChanging;

    QTabBar* tabBar() const { return tabs_; }

private:
    friend class TTabSheet;
    void addPage(TTabSheet* page);
    void rebuildTabs();
    void tabChanged(int tabIndex);

    QTabBar* tabs_;
    QStackedWidget* stack_;
    QList<TTabSheet*> pages_;
    QPointer<TTabSheet> active_;
};

}  // namespace cot
