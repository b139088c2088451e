#pragma once
// Reads a window's picture as a person does: whether a text stands in it,
// and where a colour is drawn.
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

namespace kovo::test {

// Whether the text, drawn in the font, stands somewhere in the picture:
// nearly every pixel of the text's box is dark where the text's own are
// and light where they are not.
bool ShowsText(const QImage& picture, const QString& text, const QFont& font);

// The box around the pixels of the colour within the area; empty when
// there are none.
QRect ColourBox(const QImage& picture, const QRect& area, const QColor& colour);

}  // namespace kovo::test
