#pragma once
// The settings file outside Windows: INI text in the layout QSettings writes
// ("[section]" lines, "key=value" lines, keys and values escaped its way),
// so the files of earlier versions read as before. The file's lines are
// kept as they stand: comments and lines of other programs survive a write,
// and only the lines of changed values are written anew.
//
// A file is taken only when it is a regular file of at most kMaxFileBytes,
// in UTF-8 without NUL bytes, and every line is blank, a comment (';' or
// '#'), a [section] or a key=value pair. Anything else (a FIFO, a
// directory, a device, a huge or damaged file) is refused without reading
// more than that limit: the caller then treats the store as damaged.
//
// Keys are paths with '/' between their parts, the first part being the
// section: "HKEY_LOCAL_MACHINE/Software/Brenna/Kel Remote/Settings/usr".
//
// Not thread-safe; one object per operation.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class IniFile {
  public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    enum class Status { Missing, Loaded, Refused };

    // Reads the file at path once. On Refused, why says in a few words why
    // ("is not a regular file").
    Status Load(const QString& path, QString& why);

    std::optional<QString> Value(const QString& key) const;
    // Names of the values directly under the group, sorted, each once.
    QStringList ChildKeys(const QString& group) const;
    // True when any value lies under the group, however deep.
    bool HasGroup(const QString& group) const;
    void SetValue(const QString& key, const QString& value);
    // Replaces the file with the lines at once (never half written);
    // creates missing folders.
    bool Save(const QString& path) const;

  private:
    struct Line {
        enum Kind { kOther, kSection, kEntry };
        Kind kind = kOther;
        QByteArray text;  // as written, without the line end
        QString section;  // the section it is or belongs to ("" = General)
        QString key;      // kEntry: the full key
        QString value;    // kEntry: the value, unescaped
    };

    bool Parse(const QByteArray& bytes);
    const Line* FindEntry(const QString& key) const;
    size_t InsertionPoint(const QString& section) const;

    std::vector<Line> lines_;
};
