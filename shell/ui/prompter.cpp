#include "prompter.hpp"

#include <QMessageBox>

#include "ui_text.hpp"

namespace talvex::ui {
namespace {

class BoxPrompter final : public Prompter {
  public:
    void message(QWidget* parent, Icon icon, const QString& caption, const QString& text) override {
        const auto boxIcon = icon == Icon::Stop      ? QMessageBox::Critical
                             : icon == Icon::Warning ? QMessageBox::Warning
                                                     : QMessageBox::Information;
        QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    }
};

BoxPrompter boxPrompter;
Prompter* active = &boxPrompter;  // UI thread only

}  // namespace

Prompter& prompter() {
    return *active;
}
void setPrompter(Prompter* p) {
    active = p ? p : &boxPrompter;
}

void showTip(QWidget* parent, Prompter::Icon icon, const QString& text) {
    prompter().message(parent, icon, uiText("IDD_Message_Tip"), text);
}

}  // namespace talvex::ui
