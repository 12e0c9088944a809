// A Windows-style settings file ("[section]" and "key=value" lines), written byte for byte as given:
// keys are never escaped, so a plain INI reader finds them as they are.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace kit {

class IniFile {
public:
    explicit IniFile(QString path);

    bool exists() const;
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    bool readBool(const QString& section, const QString& key, bool def) const; // "0" false, other numbers true
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeBool(const QString& section, const QString& key, bool value) { writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0")); }

    // Writes the file readable and writable by its owner only; returns false when it cannot.
    bool save();
    QString path() const { return path_; }

private:
    struct Section {
        QString name;
        std::vector<std::pair<QString, QString>> values;
    };
    void load();
    const Section* find(const QString& section) const;

    QString path_;
    std::vector<Section> sections_;
};

} // namespace kit
