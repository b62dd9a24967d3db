#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace zv {

// An INI file with the semantics of the Windows profile-string functions, kept as the list of
// its lines so that writing one key leaves every other line exactly as it was (unknown keys,
// comments, garbage, other sections).
//
// Reading rules:
//  - "[name]" lines open sections; names match without regard to letter case. When a section
//    appears twice, only its first occurrence is read and written.
//  - "key=value" lines: key and value are trimmed of spaces and tabs; keys match without regard
//    to case; the first of duplicate keys is the one read and the one a write replaces. A value
//    enclosed in one pair of matching quotes (" or ') is read without them.
//  - Lines before the first section, lines without "=", empty keys and binary bytes are kept
//    but never match.
// Text is UTF-8; a file in one of the Polish 8-bit code pages still reads (see setContent) and is
// written back as UTF-8. CR LF line breaks are kept when the file used them, "\n" otherwise.
//
// Lookups go through an index of sections and keys built once per content, so reading or
// writing every setting costs one pass over the lines, not one per key.
class IniFile {
public:
    // Reads `path`. A missing file gives an empty IniFile and true. A file that exists but
    // cannot be read (or is absurdly large) gives false, an empty IniFile and a reason in *error.
    bool load(const QString &path, QString *error = nullptr);
    // Replaces the content with `bytes` as a file would hold them. A file that is not valid
    // UTF-8 as a whole keeps its valid UTF-8 lines and decodes the others as Windows-1250 or
    // ISO-8859-2, so one stray binary line does not garble the rest.
    void setContent(QByteArrayView bytes);
    // The bytes save() writes.
    QByteArray content() const;
    // Replaces `path` atomically with content(). On failure *error is writeFailureMessage(path)
    // and the old file is untouched.
    bool save(const QString &path, QString *error = nullptr) const;

    // The value of `key`, whatever its length; `defaultValue` when the key is missing.
    QString readString(QStringView section, QStringView key, const QString &defaultValue = {}) const;
    // The leading decimal integer of the trimmed value, as GetPrivateProfileInt reads it: "12abc"
    // is 12, "-7" is -7. A missing key, a value with no leading digits or one outside 32 bits
    // gives `defaultValue`.
    int readInt(QStringView section, QStringView key, int defaultValue) const;
    // readInt != 0.
    bool readBool(QStringView section, QStringView key, bool defaultValue) const;
    bool hasKey(QStringView section, QStringView key) const;

    // Replaces the first occurrence of the key in place (keeping its spelling), or appends it at
    // the end of its section, creating the section at the end of the file when missing. Refuses
    // (returns false, changes nothing) a line break in the value, a key that could not be read
    // back (empty, with "=", a leading "[" or surrounding blanks) or a section name with "]" or
    // a line break. Values with surrounding blanks or quotes are written quoted so they read back
    // unchanged.
    bool writeString(QStringView section, QStringView key, const QString &value);
    bool writeInt(QStringView section, QStringView key, int value);
    bool writeBool(QStringView section, QStringView key, bool value);

    const QStringList &lines() const { return lines_; }

private:
    struct Section {
        qsizetype header = 0;     // the line "[name]" of the section's first occurrence
        qsizetype insertAt = 0;   // after its last non-blank line: where a new key goes
        QHash<QString, qsizetype> keys;   // case-folded key -> line of its first occurrence
    };
    Section *findSection(QStringView section) const;
    qsizetype findKey(QStringView section, QStringView key) const;   // key line or -1
    QString valueAt(qsizetype line) const;   // unquoted
    void buildIndex() const;
    void insertLine(qsizetype at, const QString &line);   // keeps the index in step

    QStringList lines_;
    bool crlf_ = false;
    bool bom_ = false;
    mutable std::vector<Section> sections_;
    mutable QHash<QString, qsizetype> sectionIndex_;   // case-folded name -> sections_ slot
    mutable bool indexed_ = false;
};

// The message shown when the settings file cannot be written: "Unable to write to <path>".
QString writeFailureMessage(const QString &path);

// One-key conveniences for the single-instance hand-off: read the file, change one key, replace
// the file atomically. writeIniKey fails (with writeFailureMessage(path) in *error) when the file
// exists but cannot be read, the value cannot be stored or the file cannot be written.
bool writeIniKey(const QString &path, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr);
QString readIniKey(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue = {});

} // namespace zv
