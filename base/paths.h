#pragma once

#include <QString>

namespace lumek {

// Paths split at "/" (and also at "\" on Windows).

// The part after the last separator; the whole path when there is none.
QString GetFileName(const QString& path);

// The part before the last separator, without it; the empty text when there is none ("/a.mp3"
// gives "" too, so folder + "/" + name rebuilds the path).
QString GetFolder(const QString& path);

// The file name's part from its last dot on, dot included (".mp3"), lower-cased when lowerCase
// is true; the empty text when the file name has no dot (a dot in a folder name does not count).
QString GetExtension(const QString& path, bool lowerCase);

// "0" before values 0 to 9, larger (and negative) values in full: 7 gives "07", 100 gives "100".
QString TwoDigits(int value);

// The song path with its last three characters replaced by "lrc" ("a.mp3" gives "a.lrc"); the
// extension is not examined. A path of fewer than 4 characters has no name before a
// three-character extension and gives the empty text.
QString LyricPathFor(const QString& mp3Path);

}  // namespace lumek
