// CVelPageLoad: the parameter import page. Loads a production workbook into its edits, writes the four
// identity texts and the ten coefficient blocks (one button each), marks blocks for the continued
// write and, with the chain box, sends the chain-capable blocks to every enabled channel's sensor.
#pragma once

#include <QString>
#include <array>

#include "file_chooser.hpp"
#include "talvex/production/import_ops.hpp"
#include "talvex/ui/core/page_context.hpp"
#include "talvex/ui/page.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace talvex::ui {

class OperationRunner;

class CVelPageLoad : public Page {
    Q_OBJECT
  public:
    explicit CVelPageLoad(PageContext ctx, QWidget* parent = nullptr);
    ~CVelPageLoad() override;

    void retranslate() override;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    OperationRunner* runner() const { return runner_; }

  signals:
    void operationFinished();

  private:
    QLineEdit* edit(std::string_view field) const;
    production::ImportRecord record() const;
    production::WriteTargets writeTargets() const;
    void say(const QString& text, bool warning = false);

    void onImport();
    void onWriteText(int index);
    void onWriteBlock(int block);
    void onChain(bool on);
    void onWriteMarked();

    PageContext ctx_;
    OperationRunner* runner_ = nullptr;
    FileChooser chooser_;
    std::array<std::string, production::kImportFields> importedCells_;  // where each edit's text came from
    std::array<std::string, production::kImportFields> importedTexts_;

    QPushButton* import_ = nullptr;
    QCheckBox* chain_ = nullptr;
    QPushButton* writeMarked_ = nullptr;
    std::array<QLineEdit*, production::kImportFields> edits_{};
    std::array<QLabel*, 4> textLabels_{};
    std::array<QPushButton*, 4> textButtons_{};
    std::array<QGroupBox*, 10> blockBoxes_{};
    std::array<QPushButton*, 10> blockButtons_{};
    std::array<QCheckBox*, 10> marks_{};
    std::vector<QLabel*> fieldLabels_;
};

}  // namespace talvex::ui
