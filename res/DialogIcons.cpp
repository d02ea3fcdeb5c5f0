#include "res/DialogIcons.h"

#include <QPainter>
#include <QPixmap>

#include <initializer_list>

namespace {

struct Cell {
    int x, y, width, height;
    QRgb colour;
};

using Picture = std::initializer_list<Cell>;

constexpr QRgb kGreen = 0xff2f9e44;
constexpr QRgb kRed = 0xffd9453b;
constexpr QRgb kBlue = 0xff1d5a9c;
constexpr QRgb kLightBlue = 0xff3f8ee0;
constexpr QRgb kGrey = 0xff8a96a3;
constexpr QRgb kDarkGrey = 0xff5b6570;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kFilm = 0xff3b3b3b;
constexpr QRgb kYellow = 0xfff2c14e;

// Two pixels thick, one step at a time: a tick and a cross read at 16 pixels.
const Picture kOk = {
    {1, 7, 2, 2, kGreen},  {2, 8, 2, 2, kGreen},  {3, 9, 2, 2, kGreen},  {4, 10, 2, 2, kGreen},
    {5, 11, 2, 2, kGreen}, {6, 10, 2, 2, kGreen}, {7, 9, 2, 2, kGreen},  {8, 8, 2, 2, kGreen},
    {9, 7, 2, 2, kGreen},  {10, 6, 2, 2, kGreen}, {11, 5, 2, 2, kGreen}, {12, 4, 2, 2, kGreen},
    {13, 3, 2, 2, kGreen},
};

const Picture kCancel = {
    {2, 2, 2, 2, kRed},   {3, 3, 2, 2, kRed},   {4, 4, 2, 2, kRed},   {5, 5, 2, 2, kRed},   {6, 6, 2, 2, kRed},
    {7, 7, 2, 2, kRed},   {8, 8, 2, 2, kRed},   {9, 9, 2, 2, kRed},   {10, 10, 2, 2, kRed}, {11, 11, 2, 2, kRed},
    {12, 12, 2, 2, kRed}, {12, 2, 2, 2, kRed},  {11, 3, 2, 2, kRed},  {10, 4, 2, 2, kRed},  {9, 5, 2, 2, kRed},
    {8, 6, 2, 2, kRed},   {6, 8, 2, 2, kRed},   {5, 9, 2, 2, kRed},   {4, 10, 2, 2, kRed},  {3, 11, 2, 2, kRed},
    {2, 12, 2, 2, kRed},
};

// A sheet with a tick on it: the changes go to the settings.
const Picture kApply = {
    {1, 1, 9, 13, kDarkGrey}, {2, 2, 7, 11, kWhite},  {3, 4, 5, 1, kGrey},    {3, 6, 5, 1, kGrey},
    {3, 8, 3, 1, kGrey},      {7, 10, 2, 2, kGreen},  {8, 11, 2, 2, kGreen},  {9, 12, 2, 2, kGreen},
    {10, 11, 2, 2, kGreen},   {11, 10, 2, 2, kGreen}, {12, 9, 2, 2, kGreen},  {13, 8, 2, 2, kGreen},
    {14, 7, 2, 2, kGreen},
};

// A ring with an arrowhead: back to the defaults.
const Picture kDefault = {
    {5, 2, 5, 2, kBlue},   {3, 3, 2, 2, kBlue},  {2, 5, 2, 6, kBlue},  {3, 11, 2, 2, kBlue},
    {5, 12, 6, 2, kBlue},  {11, 11, 2, 2, kBlue}, {12, 7, 2, 4, kBlue}, {12, 3, 2, 1, kBlue},
    {11, 4, 4, 1, kBlue},  {10, 5, 6, 1, kBlue},  {12, 6, 2, 1, kBlue},
};

// A waste bin.
const Picture kDelete = {
    {6, 1, 4, 1, kDarkGrey}, {2, 2, 12, 2, kDarkGrey}, {3, 5, 10, 10, kDarkGrey}, {4, 5, 8, 9, kGrey},
    {6, 6, 1, 7, kDarkGrey}, {9, 6, 1, 7, kDarkGrey},
};

// A written page.
const Picture kTabDocument = {
    {2, 1, 11, 14, kDarkGrey}, {3, 2, 9, 12, kWhite}, {4, 4, 7, 1, kGrey},
    {4, 7, 7, 1, kGrey},       {4, 10, 5, 1, kGrey},
};

// A window with a title bar and a bar of buttons under it.
const Picture kTabView = {
    {1, 2, 14, 12, kBlue},  {2, 3, 12, 2, kLightBlue}, {2, 5, 12, 8, kWhite},  {3, 6, 2, 2, kGrey},
    {6, 6, 2, 2, kGrey},    {9, 6, 2, 2, kGrey},       {3, 9, 10, 3, 0xffdfe5ea},
};

// A strip of film with two coloured frames.
const Picture kTabFlc = {
    {0, 3, 16, 10, kFilm}, {1, 4, 1, 1, kWhite},  {4, 4, 1, 1, kWhite},  {7, 4, 1, 1, kWhite},
    {10, 4, 1, 1, kWhite}, {13, 4, 1, 1, kWhite}, {1, 11, 1, 1, kWhite}, {4, 11, 1, 1, kWhite},
    {7, 11, 1, 1, kWhite}, {10, 11, 1, 1, kWhite}, {13, 11, 1, 1, kWhite}, {2, 6, 5, 4, kYellow},
    {9, 6, 5, 4, kRed},
};

const Picture& pictureOf(DialogIconKind kind)
{
    switch (kind) {
    case DialogIconKind::Ok: return kOk;
    case DialogIconKind::Apply: return kApply;
    case DialogIconKind::Default: return kDefault;
    case DialogIconKind::Cancel: return kCancel;
    case DialogIconKind::Delete: return kDelete;
    case DialogIconKind::TabDocument: return kTabDocument;
    case DialogIconKind::TabView: return kTabView;
    case DialogIconKind::TabFlc: break;
    }
    return kTabFlc;
}

QPixmap draw(const Picture& picture, int scale)
{
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    for (const Cell& cell : picture)
        painter.fillRect(cell.x * scale, cell.y * scale, cell.width * scale, cell.height * scale,
                         QColor::fromRgba(cell.colour));
    return pixmap;
}

} // namespace

QIcon DialogIcon(DialogIconKind kind)
{
    const Picture& picture = pictureOf(kind);
    QIcon icon;
    icon.addPixmap(draw(picture, 1));
    icon.addPixmap(draw(picture, 2));
    return icon;
}
