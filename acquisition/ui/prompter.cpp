#include "talvex/ui/acquisition/prompter.hpp"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#include "talvex/language.hpp"
#include "talvex/ui/shell_prompter.hpp"

namespace talvex::ui {

// Messages go through the shell's prompter, like every other message box of the program.
void Prompter::message(QWidget* parent, const QString& text, const QString& caption) {
    if (caption.isEmpty())
        showTip(parent, ShellPrompter::Icon::Information, text);
    else
        shellPrompter().message(parent, ShellPrompter::Icon::Warning, caption, text);
}

bool Prompter::question(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, caption.isEmpty() ? QStringLiteral("Talvex") : caption, text,
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
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

Prompter& defaultPrompter() {
    static Prompter p;
    return p;
}

QString tr_(const char* key) {
    return QString::fromStdString(GetText(key));
}

}  // namespace talvex::ui
