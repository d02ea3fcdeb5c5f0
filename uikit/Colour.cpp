#include "uikit/Colour.h"

#include "uikit/Modal.h"

#include <QColorDialog>

QColor uColorFromRef(unsigned colorRef)
{
    return QColor(int(colorRef & 0xFFu), int((colorRef >> 8) & 0xFFu), int((colorRef >> 16) & 0xFFu));
}

unsigned uColorRefFromColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return unsigned(rgb.red()) | (unsigned(rgb.green()) << 8) | (unsigned(rgb.blue()) << 16);
}

bool ShowColorDialog(unsigned& colour, QWidget* parent)
{
    QColorDialog dialog(uColorFromRef(colour), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (uDoModal(dialog) != IDOK)
        return false;
    colour = uColorRefFromColor(dialog.currentColor());
    return true;
}
