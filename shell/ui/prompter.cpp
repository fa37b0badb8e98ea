#include "talvex/ui/prompter.hpp"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#include "talvex/ui/ui_text.hpp"

namespace talvex::ui {

void Prompter::message(QWidget* parent, const QString& text, const QString& caption, Icon icon) {
    const auto boxIcon = icon == Icon::Stop      ? QMessageBox::Critical
                         : icon == Icon::Warning ? QMessageBox::Warning
                                                 : QMessageBox::Information;
    QMessageBox box(boxIcon, caption.isEmpty() ? uiText("IDD_Message_Tip") : caption, text, QMessageBox::Ok,
                    parent);
    box.exec();
}

bool Prompter::question(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, caption.isEmpty() ? QStringLiteral("Talvex") : caption, text,
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

bool Prompter::retry(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Warning, caption.isEmpty() ? uiText("IDD_Message_Tip") : caption, text,
                    QMessageBox::Retry | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Retry);
    return box.exec() == QMessageBox::Retry;
}

QString Prompter::saveFileName(QWidget* parent, const QString& suggestedName, const QString& filter) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggestedName);
    // The dialog asks before overwriting an existing file.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

bool Prompter::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool Prompter::canOpenFiles() const {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty();
#else
    return true;
#endif
}

namespace {
Prompter dialogs;
Prompter* active = &dialogs;
}  // namespace

Prompter& activePrompter() {
    return *active;
}

void setActivePrompter(Prompter* p) {
    active = p ? p : &dialogs;
}

}  // namespace talvex::ui
