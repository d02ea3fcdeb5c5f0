#pragma once

#include <QLineEdit>

// The kit's single-line edit.
class CEditX : public QLineEdit {
    Q_OBJECT

public:
    explicit CEditX(QWidget* parent = nullptr);
};
