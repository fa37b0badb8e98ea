#include "about_box.hpp"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "talvex/ui/startup.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

void showAboutBox(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(uiText("IDS_Window_AboutTitle"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")).pixmap(48, 48));
    auto* text = new QLabel(uiText("IDS_Window_AboutVersion"), &box);
    // The build's own version under the historic line, the same string as the window's frame.
    auto* build = new QLabel(versionText(), &box);
    build->setObjectName(QStringLiteral("buildVersion"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->addWidget(text);
    texts->addWidget(build);
    row->addLayout(texts, 1);
    auto* outer = new QVBoxLayout(&box);
    outer->addLayout(row);
    outer->addWidget(buttons);
    box.exec();
}

}  // namespace talvex::ui
