// One place where the page layers plug in: add a case for each page a layer provides.
#include "page_factory.hpp"

#include "shell/ui/page.hpp"

namespace talvex::app {

ui::Page* createPage(ui::PageSlot slot, const ui::PageSite& context, QWidget* parent) {
    (void)context;
    (void)parent;
    switch (slot) {
        default:
            break;
    }
    return nullptr;
}

}  // namespace talvex::app
