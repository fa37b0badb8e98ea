#include "talvex/ui/log_box.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "talvex/ui/prompter.hpp"
#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

LogBox::LogBox(QWidget* parent) : QWidget(parent) {
    view_ = new QPlainTextEdit(this);
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    save_ = new QCheckBox(this);
    recv_ = new QCheckBox(this);
    logFile_ = new QPushButton(this);
    logClear_ = new QPushButton(this);
    for (auto* b : {logFile_, logClear_}) b->setAutoDefault(false);
    // Found by these object names (unique in the box).
    view_->setObjectName(QStringLiteral("logView"));
    save_->setObjectName(QStringLiteral("saveBox"));
    recv_->setObjectName(QStringLiteral("recvBox"));
    logFile_->setObjectName(QStringLiteral("logFileButton"));
    logClear_->setObjectName(QStringLiteral("logClearButton"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(view_, 0, 0, 3, 1);
    grid->addWidget(save_, 0, 1);
    grid->addWidget(recv_, 0, 2);
    grid->addWidget(logFile_, 1, 1, 1, 2);
    grid->addWidget(logClear_, 2, 1, 1, 2);
    grid->setColumnStretch(0, 1);

    connect(recv_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) view_->clear();
        emit loggingChanged(on);
    });
    connect(logClear_, &QPushButton::clicked, this, &LogBox::clear);
    connect(logFile_, &QPushButton::clicked, this,
            [this] { activePrompter().message(this, uiText("IDD_Message_DebugSaveUnsup")); });
    retranslate();
}

void LogBox::append(const QString& text) {
    if (logging()) appendNotice(text);
}

void LogBox::appendNotice(const QString& text) {
    if (text.isEmpty()) return;
    if (lineCount() > kMaxLines) view_->clear();
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    QTextCursor end(view_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(plain);
    view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
}

int LogBox::lineCount() const {
    const QTextDocument* doc = view_->document();
    // Text ending in a line break leaves an empty last block that holds no line.
    return doc->blockCount() - (doc->lastBlock().text().isEmpty() ? 1 : 0);
}

bool LogBox::logging() const {
    return recv_->isChecked();
}

void LogBox::clear() {
    view_->clear();
}

void LogBox::retranslate() {
    save_->setText(uiText("IDS_Tab_Config_Save"));
    recv_->setText(uiText("IDS_Tab_Config_Recv"));
    logFile_->setText(uiText("IDS_Tab_Config_LogFile"));
    logClear_->setText(uiText("IDS_Tab_Config_LogClear"));
}

}  // namespace talvex::ui
