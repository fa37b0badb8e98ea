#include "fitting_dialog_base.hpp"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "talvex/acquisition/link_arbiter.hpp"
#include "talvex/language.hpp"
#include "talvex/ui/core/operation_runner.hpp"
#include "talvex/ui/prompter.hpp"

namespace talvex::ui {

using namespace calibration::fitting;

QString text(const char* key) {
    return QString::fromStdString(GetText(key));
}

FittingDialogBase::FittingDialogBase(FittingContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
    runner_ = new OperationRunner(context_.arbiter, this, context_.prompter);
    runner_->setObjectName(QStringLiteral("writeRunner"));
    if (context_.progress) runner_->setProgress(context_.progress);
    runner_->attachToWindow(context_.window);
    runner_->setRegisterIo(context_.io);
    runner_->setPacer(context_.pacer);
    runner_->setPrompter(context_.corePrompter);
}

QLineEdit* FittingDialogBase::field(const std::string& name) const {
    const auto it = fields_.find(name);
    return it == fields_.end() ? nullptr : it->second;
}

QTableWidget* FittingDialogBase::makePointList(const QStringList& headers, const std::vector<int>& widths) {
    list_ = new QTableWidget(0, static_cast<int>(headers.size()), this);
    list_->setObjectName(QStringLiteral("pointList"));
    list_->setHorizontalHeaderLabels(headers);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    int total = 0;
    for (int c = 0; c < list_->columnCount() && c < static_cast<int>(widths.size()); ++c) {
        list_->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
        total += widths[static_cast<std::size_t>(c)];
    }
    list_->setMinimumWidth(total + 24);  // every column in view beside the scroll bar
    return list_;
}

void FittingDialogBase::insertRows(const std::vector<PointRow>& rows, int at) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = at + static_cast<int>(i);
        list_->insertRow(row);
        for (std::size_t c = 0; c < rows[i].columns.size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(rows[i].columns[c]));
            if (rows[i].marked) {
                item->setBackground(QColor(51, 153, 255));
                item->setForeground(Qt::white);
            }
            list_->setItem(row, static_cast<int>(c), item);
        }
    }
}

QGridLayout* FittingDialogBase::makeFields(const Fields& names, int columns) {
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("field.") + QString::fromStdString(names[i].name));
        fields_[names[i].name] = edit;
        const int row = static_cast<int>(i) / columns, column = static_cast<int>(i) % columns;
        grid->addWidget(new QLabel(QString::fromStdString(names[i].name), this), row, 2 * column);
        grid->addWidget(edit, row, 2 * column + 1);
    }
    return grid;
}

void FittingDialogBase::showFields(const Fields& fields) {
    for (const Field& f : fields)
        if (QLineEdit* edit = field(f.name)) edit->setText(QString::fromStdString(f.text));
}

Fields FittingDialogBase::currentFields(Fields names) const {
    for (Field& f : names)
        if (QLineEdit* edit = field(f.name)) f.text = edit->text().toStdString();
    return names;
}

QPushButton* FittingDialogBase::tallButton(const char* key, const char* objectName) {
    auto* button = new QPushButton(text(key), this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button->setFixedWidth(std::max(48, button->sizeHint().width()));
    return button;
}

void FittingDialogBase::message(const std::string& msg) {
    Prompter& p = context_.prompter ? *context_.prompter : activePrompter();
    p.message(this, QString::fromStdString(msg));
}

void FittingDialogBase::startWrite(const FittingWritePlan& plan) {
    const bool closed = context_.arbiter ? context_.arbiter->linkClosed() : !context_.io;
    if (closed) {
        message(GetText("IDS_Fit_OpenPortFirst"));
        return;
    }
    if (!plan.write) {
        message(plan.refusal);
        return;
    }
    if (runner_->busy()) {
        message(GetText("IDS_Fit_Busy"));
        return;
    }
    const int id = context_.sensorId;
    RunOptions options;
    options.closedLinkKey = "IDS_Fit_OpenPortFirst";  // the port closed after the check above
    runner_->start(
        [id, write = *plan.write](RegisterIo& io, Pacer& pacer, talvex::Prompter& prompter) {
            runFittingWrite(io, pacer, prompter, id, write);
        },
        {}, options);
}

}  // namespace talvex::ui
