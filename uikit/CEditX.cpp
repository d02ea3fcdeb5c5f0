#include "uikit/CEditX.h"

CEditX::CEditX(QWidget* parent) : QLineEdit(parent) {}
