// Search index of the catalogue: one row per normalised code or description word of a product.
#include "catalogue.h"

#include "store.h"

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <tuple>
#include <vector>

namespace store::catalogue {

QString codeKey(const QString& text)
{
    QString k = searchKey(text);
    k.removeIf([](QChar c) { return c == u' ' || c == u'-' || c == u'.' || c == u'/'; });
    return k;
}

QStringList wordKeys(const QString& text)
{
    QStringList out;
    QString word;
    const QString key = searchKey(text);
    for (qsizetype i = 0; i <= key.size(); ++i) {
        if (i < key.size() && key[i].isLetterOrNumber()) {
            word += key[i];
            continue;
        }
        if (!word.isEmpty() && !out.contains(word))
            out << word;
        word.clear();
    }
    return out;
}

QString prefixEnd(const QString& prefix)
{
    QString end = prefix;
    while (!end.isEmpty()) {
        const char16_t last = end.back().unicode();
        if (last < 0xFFFF) {
            end.back() = QChar(char16_t(last + 1));
            return end;
        }
        end.chop(1);
    }
    return QString(QChar(char16_t(0xFFFF)));
}

void createIndex(QSqlDatabase& db)
{
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    // PostgreSQL compares text by the database's locale unless told otherwise; a prefix range on the
    // index needs plain code-point order, which SQLite has by default.
    exec(db, QStringLiteral("CREATE TABLE STOKARA ("
                            "ANAHTAR TEXT%1 NOT NULL, "
                            "TUR INTEGER NOT NULL, "
                            "STOK_STOKNO INTEGER NOT NULL REFERENCES STOK (STOK_STOKNO) ON DELETE CASCADE, "
                            "PRIMARY KEY (ANAHTAR, TUR, STOK_STOKNO))")
                 .arg(sqlite ? QString() : QStringLiteral(" COLLATE \"C\"")));
    // A product's own keys: for deleting them and for checking the further words of a search.
    exec(db, QStringLiteral("CREATE INDEX STOKARA_STOK ON STOKARA (STOK_STOKNO, TUR, ANAHTAR)"));
    reindex(db);
}

namespace {

using Entry = std::tuple<QString, int, int>;

// Many rows per statement: a 200,000-product catalogue has millions of entries.
class EntryWriter {
public:
    explicit EntryWriter(QSqlDatabase& db) : db_(db), full_(prepared(kBatch)) {}
    void add(Entry e)
    {
        pending_.push_back(std::move(e));
        if (int(pending_.size()) == kBatch)
            flush();
    }
    void flush()
    {
        if (pending_.empty())
            return;
        QSqlQuery partial;
        QSqlQuery& q = int(pending_.size()) == kBatch ? full_ : (partial = prepared(int(pending_.size())));
        int i = 0;
        for (const auto& [key, kind, product] : pending_) {
            q.bindValue(i++, key);
            q.bindValue(i++, kind);
            q.bindValue(i++, product);
        }
        exec(q);
        pending_.clear();
    }

private:
    static constexpr int kBatch = 300;
    QSqlQuery prepared(int rows)
    {
        QStringList marks;
        for (int i = 0; i < rows; ++i)
            marks << QStringLiteral("(?, ?, ?)");
        return prepare(db_, QStringLiteral("INSERT INTO STOKARA (ANAHTAR, TUR, STOK_STOKNO) VALUES ") +
                                marks.join(QStringLiteral(", ")));
    }
    QSqlDatabase& db_;
    QSqlQuery full_;
    std::vector<Entry> pending_;
};

} // namespace

void reindex(QSqlDatabase& db, const QList<int>& products)
{
    QString which;
    if (!products.isEmpty()) {
        QStringList numbers;
        for (int p : products)
            numbers << QString::number(p);
        which = QStringLiteral(" WHERE STOK_STOKNO IN (%1)").arg(numbers.join(u','));
    }
    exec(db, QStringLiteral("DELETE FROM STOKARA") + which);
    QSqlQuery q = exec(db, QStringLiteral("SELECT STOK_STOKNO, BARKOD, KOD, OEM1, OEM2, OEM3, OEM4, OEMNO, "
                                          "URETICIKODU, FINISHKOD, ADI, DIGERADI, URETICI, MARKA, MODEL FROM STOK") +
                               which + QStringLiteral(" ORDER BY STOK_STOKNO"));
    EntryWriter out(db);
    QSet<QString> seen[3];
    const auto add = [&](Kind kind, const QString& key, int product) {
        // A key found under a better kind is not repeated under a worse one.
        for (int k = 0; k <= kind; ++k)
            if (seen[k].contains(key))
                return;
        seen[kind].insert(key);
        out.add({key, kind, product});
    };
    while (q.next()) {
        const int product = q.value(0).toInt();
        for (QSet<QString>& s : seen)
            s.clear();
        for (int c : {1, 2})
            if (const QString k = codeKey(q.value(c).toString()); !k.isEmpty())
                add(PartCode, k, product);
        for (int c = 3; c <= 9; ++c)
            if (const QString k = codeKey(q.value(c).toString()); !k.isEmpty())
                add(OtherCode, k, product);
        for (int c = 10; c <= 14; ++c)
            for (const QString& w : wordKeys(q.value(c).toString()))
                add(Word, w, product);
    }
    q.finish();
    out.flush();
}

} // namespace store::catalogue
