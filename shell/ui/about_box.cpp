#include "about_box.hpp"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace talvex::ui {

void showAboutBox(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(QString::fromUtf8("关于 Talvex"));
    auto* icon = new QLabel(&box);
    icon->setPixmap(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")).pixmap(48, 48));
    auto* text = new QLabel(QString::fromUtf8("Talvex，1.367版"), &box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* outer = new QVBoxLayout(&box);
    outer->addLayout(row);
    outer->addWidget(buttons);
    box.exec();
}

}  // namespace talvex::ui
