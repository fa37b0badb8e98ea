#include "file_chooser.hpp"

#include <QFileDialog>

namespace talvex::ui {

FileChooser dialogFileChooser() {
    FileChooser c;
    c.openFile = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, {}, {}, filter, nullptr, QFileDialog::ReadOnly);
    };
    c.saveFile = [](QWidget* parent, const QString& suggestedName, const QString& filter) -> QString {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(filter);
        dialog.setDefaultSuffix(QStringLiteral("xlsx"));
        dialog.selectFile(suggestedName);
        // The dialog asks before overwriting an existing file.
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().front();
    };
    return c;
}

}  // namespace talvex::ui
