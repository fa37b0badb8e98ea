#include "talvex/ui/login_dialog.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

CVelLogin::CVelLogin(QWidget* parent) : QDialog(parent) {
    ensureResources();
    setWindowTitle(QStringLiteral("Talvex"));
    setWindowIcon(QIcon(QStringLiteral(":/talvex/icons/talvex.svg")));

    title_ = new QLabel(QStringLiteral("Talvex"), this);
    QFont big = title_->font();
    big.setPixelSize(40);
    title_->setFont(big);
    title_->setAlignment(Qt::AlignCenter);

    label_ = new QLabel(uiText("IDS_Login_ModelSelection"), this);
    list_ = new QComboBox(this);
    for (auto name : kModelNames)
        list_->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
    list_->addItem(QString());
    list_->setCurrentIndex(static_cast<int>(kModelNames.size()));
    list_->setMinimumWidth(260);
    label_->setBuddy(list_);

    cancel_ = new QPushButton(uiText("IDS_Login_Cancel"), this);
    ok_ = new QPushButton(uiText("IDS_Login_OK"), this);
    cancel_->setAutoDefault(false);
    ok_->setDefault(true);  // Enter acts as OK
    // Found by these object names (unique in the dialog).
    list_->setObjectName(QStringLiteral("modelList"));
    ok_->setObjectName(QStringLiteral("okButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));

    auto* form = new QVBoxLayout;
    form->addWidget(label_);
    form->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    form->addLayout(buttons);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(36, 24, 36, 24);
    outer->setSpacing(18);
    outer->addWidget(title_);
    outer->addLayout(form);

    connect(ok_, &QPushButton::clicked, this, &CVelLogin::onOk);
    connect(cancel_, &QPushButton::clicked, this, [this] { done(kExitProgram); });
}

void CVelLogin::onOk() {
    if (auto m = parseModelName(list_->currentText().toStdString())) model_ = *m;
    if (model_ != SensorModel::None) {
        accept();
        return;
    }
    activePrompter().message(this, uiText("IDS_Login_SelectModelTip"), QStringLiteral("Talvex"));
}

}  // namespace talvex::ui
