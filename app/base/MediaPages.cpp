#include "app/base/MediaPages.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace app {

namespace {

std::vector<QPointer<QWidget>>& Pages() {
    static std::vector<QPointer<QWidget>> s_pages;
    return s_pages;
}

}  // namespace

void FollowMediaWhileShown(QWidget* page) { Pages().emplace_back(page); }

bool AnyMediaPageShown() {
    auto& pages = Pages();
    std::erase_if(pages, [](const QPointer<QWidget>& page) { return page.isNull(); });
    return std::any_of(pages.begin(), pages.end(), [](const QPointer<QWidget>& page) { return page->isVisible(); });
}

}  // namespace app
