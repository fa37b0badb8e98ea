#include "history_options_dialog.hpp"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "talvex/acquisition/history_requests.hpp"
#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

CVelDlgQuery::CVelDlgQuery(Prompter& prompter, std::function<bool()> linkClosed, QWidget* parent)
    : QDialog(parent), prompter_(prompter), linkClosed_(std::move(linkClosed)) {
    setWindowTitle(uiText("IDS_Dlg_Query_Title"));
    version_ = new QComboBox(this);
    version_->addItem(uiText("IDS_Dlg_Query_V1"));
    version_->addItem(uiText("IDS_Dlg_Query_V2"));
    version_->setCurrentIndex(0);
    count_ = new QLineEdit(this);
    start_ = new QPushButton(uiText("IDS_Dlg_Query_Start"), this);
    cancel_ = new QPushButton(uiText("IDS_Dlg_Query_Cancel"), this);
    start_->setDefault(true);
    // Found by these object names (unique in the dialog).
    version_->setObjectName(QStringLiteral("versionBox"));
    count_->setObjectName(QStringLiteral("countEdit"));
    start_->setObjectName(QStringLiteral("startButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));

    auto* note = new QLabel(uiText("IDS_Dlg_Query_Note"), this);
    note->setWordWrap(true);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(uiText("IDS_Dlg_Query_Display"), this), 0, 0, 1, 2);
    grid->addWidget(new QLabel(uiText("IDS_Dlg_Query_Version"), this), 1, 0);
    grid->addWidget(version_, 1, 1);
    grid->addWidget(new QLabel(uiText("IDS_Dlg_Query_Count"), this), 2, 0);
    grid->addWidget(count_, 2, 1);
    grid->addWidget(note, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    grid->addLayout(buttons, 4, 0, 1, 2);

    connect(start_, &QPushButton::clicked, this, &CVelDlgQuery::onStart);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CVelDlgQuery::onStart() {
    if (linkClosed_ && linkClosed_()) {
        prompter_.message(this, uiText("IDS_Tab_Query_OpenPortFirst"));
        return;
    }
    // An empty box reads every record the sensor holds (0), as the box starts empty.
    const std::string typed = count_->text().trimmed().toStdString();
    const auto count = typed.empty() ? std::optional<std::uint32_t>(0) : acquisition::parseRecordCount(typed);
    if (!count) {
        prompter_.message(this, uiText("IDS_Tab_Query_BadCount"));
        count_->setFocus();
        count_->selectAll();
        return;
    }
    choice_ = HistoryReadChoice{
        version_->currentIndex() == 1 ? acquisition::HistoryFormat::V2 : acquisition::HistoryFormat::V1,
        *count};
    accept();
}

}  // namespace talvex::ui
