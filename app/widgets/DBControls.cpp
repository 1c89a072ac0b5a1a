#include "widgets/DBControls.h"

#include "widgets/MemTableModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>

// Cells with a list of choices are edited in a drop-down list; the others in a line edit.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = nullptr;
        const QStringList choices = index.data(MemTableModel::PickListRole).toStringList();
        if (!choices.isEmpty()) {
            auto* list = new QComboBox(parent);
            list->addItems(choices);
            editor = list;
        } else {
            editor = QStyledItemDelegate::createEditor(parent, option, index);
        }
        grid_->editor_ = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* list = qobject_cast<QComboBox*>(editor)) {
            list->setCurrentText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* list = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, list->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TDBGrid* grid_;
};

// ---- grid ----

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new TDBGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void TDBGrid::SetDataModel(MemTableModel* model) {
    model_ = model;
    setModel(model);
    if (!model)
        return;
    connect(model, &MemTableModel::CurrentRowMoved, this, &TDBGrid::FollowTable,
            Qt::UniqueConnection);
    connect(model, &MemTableModel::UpdateRecord, this, &TDBGrid::UpdateRecord,
            Qt::UniqueConnection);
    FollowTable(model->CurrentRow());
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !model_ || model_->Busy() || !current.isValid() ||
        current.row() == previous.row())
        return;
    if (current.row() != model_->CurrentRow())
        model_->MoveToRow(current.row());
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_)
        editor_.clear();
    QTableView::closeEditor(editor, hint);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        QTableView::keyPressEvent(event);
        event->accept();
        return;
    case Qt::Key_Escape:
        if (model_ && model_->Editing()) {
            model_->Cancel();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::FollowTable(int row) {
    if (!model_ || row < 0 || row >= model_->rowCount())
        return;
    const int column = std::max(0, currentIndex().column());
    const QModelIndex target = model_->index(row, column);
    if (currentIndex() == target)
        return;
    following_ = true;
    setCurrentIndex(target);
    following_ = false;
}

void TDBGrid::UpdateRecord(bool commit) {
    if (commit)
        CommitEditor();
    else
        DiscardEditor();
}

bool TDBGrid::CommitEditor() {
    if (editor_.isNull() || committing_ || !model_)
        return true;
    committing_ = true;
    bool refused = false;
    const auto watch =
        connect(model_, &MemTableModel::EditRefused, this, [&refused] { refused = true; });
    QPointer<QWidget> editor = editor_;
    commitData(editor);
    disconnect(watch);
    if (editor)
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    committing_ = false;
    return !refused;
}

void TDBGrid::DiscardEditor() {
    if (editor_.isNull() || committing_)
        return;
    closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
}

// ---- navigator ----

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    // The style's own icons: every desktop theme has them, whereas arrow characters are
    // missing from some fonts. The plain texts stand where a style has no icon.
    struct Bouton {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* text;
        const char* hint;
    };
    static const Bouton boutons[kButtons] = {
        {"nbFirst", QStyle::SP_MediaSkipBackward, "|<", "Premier enregistrement"},
        {"nbPrior", QStyle::SP_ArrowLeft, "<", "Enregistrement précédent"},
        {"nbNext", QStyle::SP_ArrowRight, ">", "Enregistrement suivant"},
        {"nbLast", QStyle::SP_MediaSkipForward, ">|", "Dernier enregistrement"},
        {"nbInsert", QStyle::SP_CustomBase, "+", "Insérer enregistrement"},
        {"nbDelete", QStyle::SP_CustomBase, "-", "Supprimer enregistrement"},
        {"nbEdit", QStyle::SP_ArrowUp, "^", "Modifier enregistrement"},
        {"nbPost", QStyle::SP_DialogApplyButton, "OK", "Valider modifications"},
        {"nbCancel", QStyle::SP_DialogCancelButton, "X", "Annuler modifications"},
    };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < kButtons; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(boutons[i].name);
        button->setText(QString::fromUtf8(boutons[i].text));
        if (boutons[i].icon != QStyle::SP_CustomBase) {
            const QIcon icon = style()->standardIcon(boutons[i].icon);
            if (!icon.isNull())
                button->setIcon(icon);
        }
        button->setToolTip(QString::fromUtf8(boutons[i].hint));
        button->setAutoRaise(false);
        button->setMinimumWidth(24);
        const auto which = static_cast<Button>(i);
        connect(button, &QToolButton::clicked, this, [this, which] { Click(which); });
        layout->addWidget(button);
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    layout->addStretch(1);
    UpdateButtons();
}

void TDBNavigator::SetDataModel(MemTableModel* model) {
    model_ = model;
    if (model) {
        const auto update = [this, model](auto signal) {
            connect(model, signal, this, &TDBNavigator::UpdateButtons, Qt::UniqueConnection);
        };
        update(&MemTableModel::StateChanged);
        update(&MemTableModel::CurrentRowMoved);
        update(&QAbstractItemModel::rowsInserted);
        update(&QAbstractItemModel::rowsRemoved);
        update(&QAbstractItemModel::modelReset);
    }
    UpdateButtons();
}

void TDBNavigator::Click(Button button) {
    if (!model_ || !buttons_[button]->isEnabled())
        return;
    switch (button) {
    case nbFirst:
        model_->First();
        break;
    case nbPrior:
        model_->Prior();
        break;
    case nbNext:
        model_->Next();
        break;
    case nbLast:
        model_->Last();
        break;
    case nbInsert:
        model_->Insert();
        if (model_->Inserting())
            FocusCurrentRow();
        break;
    case nbDelete:
        if (model_->Inserting() || !ConfirmDelete || ConfirmDelete())
            model_->Delete();
        break;
    case nbEdit:
        model_->Edit();
        break;
    case nbPost:
        model_->Post();
        break;
    case nbCancel:
        model_->Cancel();
        break;
    }
    UpdateButtons();
}

TDBGrid* TDBNavigator::Grid() const {
    for (TDBGrid* grid : window()->findChildren<TDBGrid*>())
        if (grid->DataModel() == model_)
            return grid;
    return nullptr;
}

void TDBNavigator::FocusCurrentRow() {
    TDBGrid* grid = Grid();
    const int row = model_->CurrentRow();
    if (grid == nullptr || row < 0)
        return;
    int column = 0;
    while (column < model_->columnCount() && grid->isColumnHidden(column))
        ++column;
    grid->setFocus(Qt::OtherFocusReason);
    grid->setCurrentIndex(model_->index(row, column));
}

void TDBNavigator::UpdateButtons() {
    const bool active = model_ != nullptr;
    const int rows = active ? model_->rowCount() : 0;
    const int current = active ? model_->CurrentRow() : -1;
    const bool editing = active && model_->Editing();
    const auto enable = [this](Button button, bool on) { buttons_[button]->setEnabled(on); };
    enable(nbFirst, rows > 0 && current > 0);
    enable(nbPrior, rows > 0 && current > 0);
    enable(nbNext, rows > 0 && current < rows - 1);
    enable(nbLast, rows > 0 && current < rows - 1);
    enable(nbInsert, active);
    enable(nbDelete, rows > 0);
    enable(nbEdit, rows > 0 && !editing);
    enable(nbPost, editing);
    enable(nbCancel, editing);
}
