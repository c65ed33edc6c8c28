#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace lumek {

// An INI file of "[section]" and "key=value" lines: sections and keys compared
// case-insensitively, the first of duplicate sections or keys wins, blanks around keys and values
// trimmed, values read back cut to 254 code-page bytes (127 Hangul syllables, never half a
// character), and every line the program does not touch (comments, unknown keys, other sections,
// garbage) kept byte for byte.
class IniFile {
public:
    static constexpr int kMaxValueBytes = 254;

    // A missing or unreadable file reads as an empty one.
    static IniFile Load(const QString& path);
    // As Load, but nothing for a file that exists and can't be read, so it isn't overwritten;
    // reason, when given, then says why.
    static std::optional<IniFile> TryLoad(const QString& path, QString* reason = nullptr);
    static IniFile FromBytes(const QByteArray& bytes);

    // The stored value, or the empty text when the section or key is missing.
    QString value(QStringView section, QStringView key) const;
    // Replaces the first occurrence of the key, or appends it to its section (appending the
    // section at the end of the file when it is missing).
    void setValue(QStringView section, QStringView key, const QString& value);

    QByteArray toBytes() const;
    // Writes the whole file (WriteWholeFile); false, with the reason when asked for, when it
    // can't be written.
    bool save(const QString& path, QString* reason = nullptr) const;

private:
    // Index of the first header line naming the section, or -1.
    qsizetype findSection(QStringView section) const;
    // The bytes of new text in the file's encoding; a CP949 file that can't hold the text is
    // converted to UTF-8 first.
    QByteArray encode(const QString& text);
    void convertToUtf8();
    // Adds a line after line `after` (-1: at the end of the file), ending as the file's lines do.
    void insertLine(qsizetype after, const QString& text);

    // The raw pieces between LF bytes, a CR before the LF kept: the file (after its byte-order
    // mark) is them joined by LF, so untouched lines keep their bytes and line ends. Never empty;
    // the last piece is empty when the file ends with a line end.
    std::vector<QByteArray> lines_{QByteArray()};
    std::vector<QString> texts_{QString()};  // each piece decoded, for finding sections and keys
    bool utf8_ = false;                      // file is UTF-8 (else CP949)
    bool bom_ = false;                       // byte-order mark written back
    bool crlf_ = true;                       // new lines end in CR LF, else in LF
};

// One-key conveniences over IniFile, each reading (and writing) the whole file.
QString ReadSetting(const QString& section, const QString& key, const QString& path);
bool WriteSetting(const QString& section, const QString& key, const QString& value,
                  const QString& path);

}  // namespace lumek
