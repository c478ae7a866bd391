#pragma once

#include <QFont>
#include <QString>

namespace salvenor {

// The designs name "MS Sans Serif" (the windows) and "Arial" (the sheet); neither exists on
// Linux. Liberation Sans has Arial's metrics and is close to MS Sans Serif's width at these sizes.
inline constexpr const char *kSansFace = "Liberation Sans";
// Where a figure outgrows its box, the narrow cut of the same face.
inline constexpr const char *kNarrowFace = "Liberation Sans Narrow";

// The face that stands in for a design's face: Liberation Sans for both design faces, any other
// face as named.
QString faceFor(const QString &designFace);

// A plain (upright, not underlined) font of a design's face, falling back to a sans-serif face.
QFont designFont(const QString &designFace, qreal pointSize, bool bold);

} // namespace salvenor
