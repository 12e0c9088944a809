// A Windows-style settings file.
#include "kit/ui/inifile.h"

#include <QFile>
#include <QSaveFile>

namespace kit {

IniFile::IniFile(QString path) : path_(std::move(path)) { load(); }

bool IniFile::exists() const { return QFile::exists(path_); }

void IniFile::load()
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return;
    // Settings files are kept in the system's own code page, as the platform's INI routines keep them.
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections_.push_back({line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || sections_.empty())
            continue;
        sections_.back().values.emplace_back(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
}

const IniFile::Section* IniFile::find(const QString& section) const
{
    for (const auto& s : sections_)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    if (const Section* s = find(section))
        for (const auto& [k, v] : s->values)
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return v;
    return def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    bool ok = false;
    const int n = readString(section, key).toInt(&ok);
    return ok ? n != 0 : def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    // One line per value: line breaks in a value would otherwise start new keys.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section* s = const_cast<Section*>(find(section));
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (auto& [k, v] : s->values)
        if (k.compare(key, Qt::CaseInsensitive) == 0) {
            v = clean;
            return;
        }
    s->values.emplace_back(key, clean);
}

bool IniFile::save()
{
    QString text;
    for (const auto& s : sections_) {
        text += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (const auto& [k, v] : s.values)
            text += k + QLatin1Char('=') + v + QStringLiteral("\r\n");
    }
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(text.toLocal8Bit());
    return f.commit();
}

} // namespace kit
