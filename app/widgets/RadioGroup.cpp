#include "widgets/RadioGroup.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& caption, QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    box_ = new QGroupBox(caption, this);
    outer->addWidget(box_);
    layout_ = new QVBoxLayout(box_);
    buttons_ = new QButtonGroup(this);
    buttons_->setExclusive(true);
}

void TRadioGroup::Clear() {
    for (QAbstractButton* button : buttons_->buttons()) {
        buttons_->removeButton(button);
        delete button;
    }
}

void TRadioGroup::AddItem(const QString& text) {
    auto* button = new QRadioButton(text, box_);
    buttons_->addButton(button, Count());
    layout_->addWidget(button);
}

int TRadioGroup::Count() const {
    return static_cast<int>(buttons_->buttons().size());
}

QString TRadioGroup::Item(int index) const {
    QAbstractButton* button = buttons_->button(index);
    return button ? button->text() : QString();
}

int TRadioGroup::ItemIndex() const {
    return buttons_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= Count())
        index = Count() - 1;
    if (index < 0) {
        if (QAbstractButton* checked = buttons_->checkedButton()) {
            buttons_->setExclusive(false);
            checked->setChecked(false);
            buttons_->setExclusive(true);
        }
        return;
    }
    buttons_->button(index)->setChecked(true);
}
