#include "import_page.hpp"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "page_support.hpp"
#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/channel_table.hpp"
#include "talvex/language.hpp"
#include "talvex/production/chain.hpp"
#include "talvex/production/import_ops.hpp"
#include "talvex/ui/ui_text.hpp"
#include "talvex/workbook/reader.hpp"

namespace talvex::ui {
namespace {

constexpr const char* kTextKeys[4] = {"IDS_Load_ProductModel", "IDS_Load_ProductNumber",
                                      "IDS_Load_BoardNumber", "IDS_Load_CoreNumber"};
constexpr int kBlockColumns = 2;  // group boxes side by side

}  // namespace

CVelPageLoad::CVelPageLoad(PageContext ctx, QWidget* parent)
    : Page(parent), ctx_(std::move(ctx)), chooser_(dialogFileChooser()) {
    runner_ = new OperationRunner(ctx_.arbiter, this, ctx_.prompter);
    if (ctx_.progress) runner_->setProgress(ctx_.progress);
    // The parts a user works with carry stable object names, so they can be found without the page
    // exposing them: "importButton", "chainBox", "writeMarkedButton", the edits "field.<name>" by
    // their importFields() name ("field.product number", "field.RHigh"), and per block i of
    // importBlocks() (0..9) "blockButton<i>" and "markBox<i>".
    for (size_t i = 0; i < edits_.size(); ++i) {
        const std::string_view name = production::importFields()[i].name;
        edits_[i] = new QLineEdit;
        edits_[i]->setObjectName(QStringLiteral("field.") +
                                 QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }

    import_ = new QPushButton(this);
    import_->setObjectName(QStringLiteral("importButton"));
    chain_ = new QCheckBox(this);
    chain_->setObjectName(QStringLiteral("chainBox"));
    writeMarked_ = new QPushButton(this);
    writeMarked_->setObjectName(QStringLiteral("writeMarkedButton"));
    auto* top = new QHBoxLayout;
    top->addWidget(import_);
    top->addWidget(chain_);
    top->addWidget(writeMarked_);
    top->addStretch();

    // Identity texts: one row each.
    auto* identity = new QGridLayout;
    const auto texts = production::identityTexts();
    for (int i = 0; i < 4; ++i) {
        textLabels_[i] = new QLabel;
        textButtons_[i] = new QPushButton;
        identity->addWidget(textLabels_[i], i / 2, (i % 2) * 3);
        identity->addWidget(edits_[static_cast<size_t>(production::importFieldIndex(texts[i].field))], i / 2,
                            (i % 2) * 3 + 1);
        identity->addWidget(textButtons_[i], i / 2, (i % 2) * 3 + 2);
        connect(textButtons_[i], &QPushButton::clicked, this, [this, i] { onWriteText(i); });
    }

    // The ten blocks: their fields' edits, the write button and the continued-write mark.
    auto* blocks = new QGridLayout;
    const auto all = production::importBlocks();
    for (int b = 0; b < static_cast<int>(all.size()); ++b) {
        auto* box = new QGroupBox;
        auto* grid = new QGridLayout(box);
        int row = 0;
        for (std::string_view field : all[b].fields) {
            auto* label = new QLabel(QString::fromUtf8(field.data(), static_cast<int>(field.size())));
            fieldLabels_.push_back(label);
            grid->addWidget(label, row, 0);
            grid->addWidget(edits_[static_cast<size_t>(production::importFieldIndex(field))], row++, 1);
        }
        blockButtons_[b] = new QPushButton;
        blockButtons_[b]->setObjectName(QStringLiteral("blockButton%1").arg(b));
        marks_[b] = new QCheckBox;
        marks_[b]->setObjectName(QStringLiteral("markBox%1").arg(b));
        grid->addWidget(marks_[b], row, 0);
        grid->addWidget(blockButtons_[b], row, 1);
        blockBoxes_[b] = box;
        blocks->addWidget(box, b / kBlockColumns, b % kBlockColumns);
        connect(blockButtons_[b], &QPushButton::clicked, this, [this, b] { onWriteBlock(b); });
    }
    auto* inner = new QWidget;
    auto* innerLayout = new QVBoxLayout(inner);
    innerLayout->addLayout(identity);
    innerLayout->addLayout(blocks);
    innerLayout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(inner);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(scroll, 1);

    connect(import_, &QPushButton::clicked, this, &CVelPageLoad::onImport);
    connect(chain_, &QCheckBox::toggled, this, &CVelPageLoad::onChain);
    connect(writeMarked_, &QPushButton::clicked, this, &CVelPageLoad::onWriteMarked);
    retranslate();
}

CVelPageLoad::~CVelPageLoad() {
    runner_->cancel();
    runner_->wait();
}

void CVelPageLoad::retranslate() {
    import_->setText(uiText("IDS_Load_Import"));
    chain_->setText(uiText("IDS_Load_Chain"));
    writeMarked_->setText(uiText("IDS_Load_WriteMarked"));
    for (int i = 0; i < 4; ++i) {
        textLabels_[i]->setText(uiText(kTextKeys[i]));
        textButtons_[i]->setText(uiText("IDS_Prod_Write"));
    }
    const auto all = production::importBlocks();
    for (size_t b = 0; b < all.size(); ++b) {
        blockBoxes_[b]->setTitle(uiText(std::string(all[b].captionKey).c_str()));
        blockButtons_[b]->setText(uiText("IDS_Prod_Write"));
        marks_[b]->setText(uiText("IDS_Load_Continued"));
    }
}

QLineEdit* CVelPageLoad::edit(std::string_view field) const {
    const int i = production::importFieldIndex(field);
    return i < 0 ? nullptr : edits_[static_cast<size_t>(i)];
}

production::ImportRecord CVelPageLoad::record() const {
    production::ImportRecord r;
    for (size_t i = 0; i < edits_.size(); ++i) {
        r.texts[i] = edits_[i]->text().toStdString();
        // A cell is named only while the edit still holds what came from it.
        if (r.texts[i] == importedTexts_[i]) r.cells[i] = importedCells_[i];
    }
    return r;
}

production::WriteTargets CVelPageLoad::writeTargets() const {
    const Session& s = ctx_.session ? *ctx_.session : session();
    production::WriteTargets t;
    t.selected = s.selectedSensorId.load();
    t.chain = production::chainMode();
    if (t.chain) t.chainIds = production::chainTargets(s.enumUintEN);
    return t;
}

void CVelPageLoad::say(const QString& text, bool warning) {
    ui::say(ctx_, this, text, warning);
}

void CVelPageLoad::onImport() {
    const QString path = chooser_.openFile(this, uiText("IDS_Load_ImportFilter"));
    if (path.isEmpty()) return;
    const workbook::ReadResult read = workbook::readFirstSheet(path.toStdString());
    if (!read.ok()) {  // nothing on the page changes
        say(QString::fromStdString(workbook::readErrorMessage(read, GetText)), true);
        return;
    }
    const production::ImportRecord r = production::importFromSheet(read.sheet);
    for (size_t i = 0; i < edits_.size(); ++i) {
        edits_[i]->setText(QString::fromStdString(r.texts[i]));
        importedTexts_[i] = r.texts[i];
        importedCells_[i] = r.cells[i];
    }
}

void CVelPageLoad::onWriteText(int index) {
    if (runner_->busy()) return;
    const production::IdentityText target = production::identityTexts()[static_cast<size_t>(index)];
    const std::string value = edit(target.field)->text().toStdString();
    const int id = writeTargets().selected;
    runner_->start(
        [=](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            production::writeIdentityText(io, pacer, prompter, id, target, value);
        },
        [this](bool) { emit operationFinished(); }, closedLink("IDS_Prod_OpenPortFirst", false));
}

void CVelPageLoad::onWriteBlock(int b) {
    const production::ImportBlock& block = production::importBlocks()[static_cast<size_t>(b)];
    const bool warn = block.warnCaption;
    if (runner_->busy()) return;
    const production::ImportRecord r = record();
    const production::WriteTargets t = writeTargets();
    const bool marked = marks_[static_cast<size_t>(b)]->isChecked();
    runner_->start(
        [=, &block](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            production::writeBlock(io, pacer, prompter, block, r, t, marked);
        },
        [this](bool) { emit operationFinished(); },
        closedLink(warn ? "IDS_Prod_ConnectPortFirst" : "IDS_Prod_OpenPortFirst", warn));
}

void CVelPageLoad::onChain(bool on) {
    if (on && !promptOf(ctx_).question(this, uiText("IDS_Prod_AutoPollConfirm"))) {
        const QSignalBlocker block(chain_);
        chain_->setChecked(false);
        on = false;
    }
    production::chainMode() = on;
}

void CVelPageLoad::onWriteMarked() {
    if (runner_->busy()) return;
    const production::ImportRecord r = record();
    const production::WriteTargets t = writeTargets();
    std::array<bool, 10> marks{};
    for (size_t b = 0; b < marks.size(); ++b) marks[b] = marks_[b]->isChecked();
    runner_->start(
        [=](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            production::writeMarkedBlocks(io, pacer, prompter, r, marks, t);
        },
        [this](bool) { emit operationFinished(); }, closedLink("IDS_Prod_OpenPortFirst", false));
}

}  // namespace talvex::ui
