#pragma once

#include "palette/CivPalettes.h"

#include <QComboBox>
#include <QStyle>

#include <array>

// The drop-down list of civilization colourings: "Default" (the file's own
// colours) and "Civ Color 1" .. "Civ Color 32", each beside a swatch of the
// colour that colouring gives the unit.
class CCivColorCombo : public QComboBox {
    Q_OBJECT

public:
    static constexpr int kEntryCount = kinetra::kCivColorCount + 1;

    struct Entry {
        unsigned color; // 0x00BBGGRR
        char name[32];
    };

    explicit CCivColorCombo(QWidget* parent = nullptr);

    // Lists the 33 names in order and selects "Default".
    void FillItems();
    // Stores the swatch colour of entry 0..32 (shared by every list) and
    // repaints; other indexes are ignored.
    void SetItemColor(int index, unsigned color);
    static unsigned ItemColor(int index);

    // Draws item `index` into `rect`: highlighted when selected, a grey name
    // alone when disabled, else the swatch and the name.
    void DrawItem(QPainter& painter, const QRect& rect, int index, QStyle::State state) const;
    // The height of an item: the height of its name's text.
    int MeasureItem(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Swatches change at run time and are the same in every list.
    static std::array<Entry, kEntryCount> civColorTable;
};
