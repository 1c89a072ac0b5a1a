#pragma once

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QVBoxLayout;

// A group of radio buttons addressed by index, whose items can be replaced.
class TRadioGroup : public QWidget {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, QWidget* parent);
    void Clear();
    void AddItem(const QString& text);
    int Count() const;
    QString Item(int index) const;
    int ItemIndex() const; // -1 when none is chosen
    // An index past the last item chooses the last one, as the items present allow.
    void SetItemIndex(int index);

private:
    QGroupBox* box_;
    QVBoxLayout* layout_;
    QButtonGroup* buttons_;
};
