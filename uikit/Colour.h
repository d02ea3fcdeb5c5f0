#pragma once

// Colours as the settings and the colour messages keep them: 0x00BBGGRR,
// red in the lowest byte.

#include <QColor>

class QWidget;

QColor uColorFromRef(unsigned colorRef);
unsigned uColorRefFromColor(const QColor& color);

// Qt's own colour dialog (run through uDoModal) starting at `colour`; on
// confirmation `colour` is replaced and true returned.
bool ShowColorDialog(unsigned& colour, QWidget* parent);
