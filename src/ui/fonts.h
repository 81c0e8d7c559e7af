#pragma once
// The two faces the windows are drawn in, looked up once among the installed ones.

#include <QString>

namespace qlm {

// SimSun where it is installed, else the first Song/Ming face found.
const QString& song_family();
// Verdana, else a face of the same build.
const QString& verdana_family();

} // namespace qlm
