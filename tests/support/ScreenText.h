#pragma once
// Reads a window's picture as a person does: whether a text stands in it,
// and where a colour is drawn.
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

namespace kovo::test {

// Whether the text, drawn in the font, stands somewhere in the picture:
// nearly every pixel of the text's box is dark where the text's own are
// and light where they are not.
bool ShowsText(const QImage& picture, const QString& text, const QFont& font);

// The box around the pixels of the colour within the area; empty when
// there are none.
QRect ColourBox(const QImage& picture, const QRect& area, const QColor& colour);

// The pages of a PDF file as pictures at the resolution (dots per inch),
// rasterised by pdftoppm; none when it fails.
std::vector<QImage> PdfPages(const QString& pdf, int dpi);

}  // namespace kovo::test
