#pragma once

// The about box, created at start and shown again by every Help About.

#include <QDialog>

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* owner);
};

extern TForm3* Form3;
