#include "talvex/ui/shell_prompter.hpp"

#include <QMessageBox>

#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {
namespace {

class BoxPrompter final : public ShellPrompter {
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
ShellPrompter* active = &boxPrompter;  // UI thread only

}  // namespace

ShellPrompter& shellPrompter() {
    return *active;
}
void setShellPrompter(ShellPrompter* p) {
    active = p ? p : &boxPrompter;
}

void showTip(QWidget* parent, ShellPrompter::Icon icon, const QString& text) {
    shellPrompter().message(parent, icon, uiText("IDD_Message_Tip"), text);
}

}  // namespace talvex::ui
