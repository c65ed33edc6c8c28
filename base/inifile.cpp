#include "base/inifile.h"

#include "base/codepage.h"
#include "base/text_file.h"

#include <QFileInfo>

namespace lumek {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
// A settings file is a few KB; a bigger file is not read (and not replaced).
constexpr qint64 kMaxIniBytes = 1024 * 1024;

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QStringView name;   // section or key, trimmed
    QStringView value;  // trimmed, cut at a NUL character
};

// "[name]" (the name runs to the last "]", or to the end without one), "key=value" (the key
// runs to the first "="), comments starting with ";" and anything else.
ParsedLine ParseLine(QStringView line) {
    line = line.trimmed();
    if (line.startsWith(u'[')) {
        const qsizetype close = line.lastIndexOf(u']');
        const QStringView name = close > 0 ? line.mid(1, close - 1) : line.mid(1);
        return {LineKind::Section, name.trimmed(), {}};
    }
    if (line.startsWith(u';')) {
        return {};
    }
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0) {
        return {};
    }
    QStringView value = line.mid(equals + 1);
    // A value is read as a C string would be.
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        value = value.left(nul);
    }
    const QStringView key = line.left(equals).trimmed();
    if (key.isEmpty()) {
        return {};
    }
    return {LineKind::Key, key, value.trimmed()};
}

bool SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text before the first CR, LF or NUL: one line is all a key or value can hold.
QString OneLine(QStringView text) {
    qsizetype end = 0;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n' && text[end] != u'\0') {
        ++end;
    }
    return text.left(end).toString();
}

}  // namespace

IniFile IniFile::Load(const QString& path) {
    return TryLoad(path).value_or(IniFile());
}

std::optional<IniFile> IniFile::TryLoad(const QString& path, QString* reason) {
    std::optional<QByteArray> bytes = ReadWholeFile(path, kMaxIniBytes, reason);
    if (!bytes && (QFileInfo::exists(path) || QFileInfo(path).isSymLink())) {
        return std::nullopt;
    }
    return FromBytes(bytes.value_or(QByteArray()));
}

IniFile IniFile::FromBytes(const QByteArray& bytes) {
    IniFile ini;
    QByteArray body = bytes;
    if (bytes.startsWith(kUtf8Bom)) {
        ini.bom_ = true;
        ini.utf8_ = true;
        body = bytes.mid(kUtf8Bom.size());
    } else {
        ini.utf8_ = IsUtf8Text(bytes);
    }
    ini.lines_.clear();
    ini.texts_.clear();
    qsizetype start = 0;
    while (true) {
        const qsizetype lf = body.indexOf('\n', start);
        const qsizetype end = lf < 0 ? body.size() : lf;
        ini.lines_.push_back(body.mid(start, end - start));
        if (lf < 0) {
            break;
        }
        start = lf + 1;
    }
    ini.texts_.reserve(ini.lines_.size());
    for (const QByteArray& line : ini.lines_) {
        ini.texts_.push_back(ini.utf8_ ? DecodeUtf8(line) : DecodeCp949(line));
    }
    if (ini.lines_.size() > 1) {
        ini.crlf_ = ini.lines_.front().endsWith('\r');
    }
    return ini;
}

qsizetype IniFile::findSection(QStringView section) const {
    const QStringView wanted = section.trimmed();
    for (size_t i = 0; i < texts_.size(); ++i) {
        const ParsedLine line = ParseLine(texts_[i]);
        if (line.kind == LineKind::Section && SameName(line.name, wanted)) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

QString IniFile::value(QStringView section, QStringView key) const {
    const QStringView wanted = key.trimmed();
    const qsizetype header = findSection(section);
    if (wanted.isEmpty() || header < 0) {
        return QString();
    }
    for (size_t i = static_cast<size_t>(header) + 1; i < texts_.size(); ++i) {
        const ParsedLine line = ParseLine(texts_[i]);
        if (line.kind == LineKind::Section) {
            break;
        }
        if (line.kind == LineKind::Key && SameName(line.name, wanted)) {
            return CodePagePrefix(line.value.toString(), kMaxValueBytes);
        }
    }
    return QString();
}

void IniFile::setValue(QStringView section, QStringView key, const QString& value) {
    const QString sectionName = OneLine(section).trimmed();
    const QString keyName = OneLine(key).trimmed();
    const QString newValue = OneLine(value);
    // A key that would read back as something else is not written.
    if (keyName.isEmpty() || keyName.contains(u'=') || keyName.startsWith(u'[') ||
        keyName.startsWith(u';')) {
        return;
    }
    const qsizetype header = findSection(sectionName);
    if (header < 0) {
        insertLine(-1, u'[' + sectionName + u']');
        insertLine(-1, keyName + u'=' + newValue);
        return;
    }
    qsizetype lastFilled = header;
    for (size_t i = static_cast<size_t>(header) + 1; i < texts_.size(); ++i) {
        const ParsedLine line = ParseLine(texts_[i]);
        if (line.kind == LineKind::Section) {
            break;
        }
        if (line.kind == LineKind::Key && SameName(line.name, keyName)) {
            // Keep the key as the file spells it, and the line's own end.
            const QByteArray encoded = encode(newValue);
            QByteArray& raw = lines_[i];
            QString& text = texts_[i];
            const bool cr = raw.endsWith('\r');
            raw = raw.left(raw.indexOf('=') + 1) + encoded;
            text = text.left(text.indexOf(u'=') + 1) + newValue;
            if (cr) {
                raw += '\r';
                text += u'\r';
            }
            return;
        }
        if (!texts_[i].trimmed().isEmpty()) {
            lastFilled = static_cast<qsizetype>(i);
        }
    }
    // New keys go after the section's last line, before the blank lines that part it from the
    // next one.
    insertLine(lastFilled, keyName + u'=' + newValue);
}

QByteArray IniFile::encode(const QString& text) {
    if (!utf8_) {
        if (std::optional<QByteArray> cp949 = EncodeCp949(text)) {
            return *std::move(cp949);
        }
        convertToUtf8();
    }
    return text.toUtf8();
}

void IniFile::convertToUtf8() {
    for (size_t i = 0; i < lines_.size(); ++i) {
        lines_[i] = texts_[i].toUtf8();
    }
    utf8_ = true;
    bom_ = true;
}

void IniFile::insertLine(qsizetype after, const QString& text) {
    QByteArray raw = encode(text);  // first: it may re-encode every line
    QString decoded = text;
    if (crlf_) {
        raw += '\r';
        decoded += u'\r';
    }
    const auto last = static_cast<qsizetype>(lines_.size()) - 1;
    if (after >= 0 && after < last) {
        lines_.insert(lines_.begin() + after + 1, raw);
        texts_.insert(texts_.begin() + after + 1, decoded);
        return;
    }
    if (lines_.back().isEmpty()) {
        // Before the empty piece after the file's last line end.
        lines_.insert(lines_.end() - 1, raw);
        texts_.insert(texts_.end() - 1, decoded);
        return;
    }
    // The file's last line has no line end yet.
    if (crlf_ && !lines_.back().endsWith('\r')) {
        lines_.back() += '\r';
        texts_.back() += u'\r';
    }
    lines_.push_back(raw);
    texts_.push_back(decoded);
    lines_.emplace_back();
    texts_.emplace_back();
}

QByteArray IniFile::toBytes() const {
    QByteArray out = bom_ ? kUtf8Bom : QByteArray();
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) {
            out += '\n';
        }
        out += lines_[i];
    }
    if (utf8_ || !IsUtf8Text(out)) {
        return out;
    }
    // Edited CP949 lines that happen to form valid UTF-8 would read back as UTF-8: write the
    // text as UTF-8 with a byte-order mark instead.
    out = kUtf8Bom;
    for (size_t i = 0; i < texts_.size(); ++i) {
        if (i > 0) {
            out += '\n';
        }
        out += texts_[i].toUtf8();
    }
    return out;
}

bool IniFile::save(const QString& path, QString* reason) const {
    return WriteWholeFile(path, toBytes(), reason);
}

QString ReadSetting(const QString& section, const QString& key, const QString& path) {
    return IniFile::Load(path).value(section, key);
}

bool WriteSetting(const QString& section, const QString& key, const QString& value,
                  const QString& path) {
    // A file that is there but can't be read is not replaced by one holding a single key.
    std::optional<IniFile> ini = IniFile::TryLoad(path);
    if (!ini) {
        return false;
    }
    ini->setValue(section, key, value);
    return ini->save(path);
}

}  // namespace lumek
