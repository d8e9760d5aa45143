// The batch views of the log (statistics, trend chart, CSV), bound to the
// log's rows and to the line editor's tolerances.

#include "app/form1.h"

#include "app/message_box.h"
#include "batch/batch_controller.h"
#include "batch/log_context_menu.h"
#include "sorting/sorting_controller.h"
#include "log/log_table_model.h"
#include "panel/drop_down.h"
#include "profiles/line_editor_controller.h"
#include "profiles/part_mode.h"

#include <QAction>

void TForm1::bindBatchViews()
{
    batchViews = new BatchController(
        SG, this, lexicons, [this](int row) { return logModel->reading(row); },
        [this] { return logModel->rowCount(); }, this);

    sorting = new SortingController(this, this);
    if (options.lexiconTranslator) {
        batchViews->Dstat.setLangManEngine(options.lexiconTranslator);
        sorting->Dbins.setLangManEngine(options.lexiconTranslator);
    }
    connect(batchViews->contextMenu()->sortingAction(), &QAction::triggered, sorting,
            &SortingController::showWindow);
    batchViews->setTallySummary([this] { return sorting->tallySummary(); });
    connect(sorting, &SortingController::tallyChanged, batchViews, &BatchController::figuresChanged);
    connect(sorting, &SortingController::failed, this,
            [this](const QString &caption, const QString &text) { app::showMessage(this, caption, text); });

    batchViews->setTolerances([this] {
        // In multi-part mode every row has its own line's nominal: no single
        // tolerance describes the batch.
        if (!lineEditor || profiles::isMultiPart(CBox10->currentIndex()))
            return BatchTolerances{};
        return batchTolerances(lineEditor->referenceValue());
    });

    connect(logModel, &LogTableModel::readingWritten, batchViews, &BatchController::rowWritten);
    connect(logModel, &QAbstractItemModel::modelReset, batchViews, &BatchController::rowsReset);
    connect(logModel, &QAbstractItemModel::rowsRemoved, batchViews, &BatchController::rowsReset);
    // Emptying the log rewrites the texts of every row at once; the marks of
    // every row also change at once, but they carry no reading.
    connect(logModel, &QAbstractItemModel::dataChanged, batchViews,
            [this](const QModelIndex &first, const QModelIndex &last, const QList<int> &roles) {
                if (first.row() != last.row() && (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
                    batchViews->rowsReset();
            });
    connect(batchViews, &BatchController::failed, this,
            [this](const QString &caption, const QString &text) { app::showMessage(this, caption, text); });
}
