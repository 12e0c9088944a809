// Workstation identity: the fallback order and the rules applied to the raw sources.
#include "session/kimlik.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::function<QString()> gives(const QString& s)
{
    return [s] { return s; };
}
std::function<QString()> raises()
{
    return []() -> QString { throw std::runtime_error("yok"); };
}

TEST(Kimlik, IdentityFallsBackFromDiskToAdapter)
{
    struct Case {
        const char* name;
        std::function<QString()> disk;
        std::function<QString()> mac;
        QString expected;
    };
    const Case cases[] = {
        {"disk serial trimmed, inner spaces removed", gives(QStringLiteral("  WD-WCC 4N12 ")), gives(QStringLiteral("AA-BB-CC-DD-EE-FF")), QStringLiteral("WD-WCC4N12")},
        {"all-blank serial falls back", gives(QStringLiteral("    ")), gives(QStringLiteral(" 00-11-22-33-44-55 ")), QStringLiteral("00-11-22-33-44-55")},
        {"failing disk falls back", raises(), gives(QStringLiteral("00-11-22-33-44-55")), QStringLiteral("00-11-22-33-44-55")},
        {"both failing give empty", raises(), raises(), QString()},
        {"no adapter gives empty", gives(QString()), gives(QString()), QString()},
        {"shared batch serial 1", gives(QStringLiteral("WD-WX00A0000001")), gives(QString()), QStringLiteral("900000000001")},
        {"shared batch serial 2 with blanks", gives(QStringLiteral("S2R6 NX0H000001B")), gives(QString()), QStringLiteral("900000000001")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BilgisayarIdAl(KimlikKaynaklari{c.disk, c.mac}), c.expected) << c.name;
}

TEST(Kimlik, AdapterListSkipsAllZeroAddresses)
{
    const QString zero = QStringLiteral("00-00-00-00-00-00");
    EXPECT_EQ(kimlik::ilkGecerliAdres({zero, QStringLiteral("0A-1B-2C-3D-4E-5F")}), QStringLiteral("0A-1B-2C-3D-4E-5F"));
    EXPECT_EQ(kimlik::ilkGecerliAdres({zero}), zero) << "a single all-zero adapter is what there is";
    EXPECT_EQ(kimlik::ilkGecerliAdres({QStringLiteral("0A-1B-2C-3D-4E-5F"), QStringLiteral("11-11-11-11-11-11")}),
              QStringLiteral("0A-1B-2C-3D-4E-5F"));
    EXPECT_EQ(kimlik::ilkGecerliAdres({}), QString());
    EXPECT_EQ(kimlik::adresYaz(QByteArray::fromHex("0a1b2c3d4eff")), QStringLiteral("0A-1B-2C-3D-4E-FF"));
}

TEST(Kimlik, NamesLongerThanFifteenCharactersCannotBeRead)
{
    EXPECT_EQ(kimlik::sigdir(QStringLiteral("mehmet")), QStringLiteral("mehmet"));
    EXPECT_EQ(kimlik::sigdir(QStringLiteral("abcdefghijklmno")), QStringLiteral("abcdefghijklmno"));
    EXPECT_EQ(kimlik::sigdir(QStringLiteral("abcdefghijklmnop")), QString());
}

TEST(Kimlik, DataFolderIsCreatedOneLevelDeep)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const QString folder = VeriKlasoru();
    EXPECT_EQ(QDir::fromNativeSeparators(folder), home.path() + QStringLiteral("/vadudevododude"));
    EXPECT_TRUE(QDir(folder).exists());

    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/missing/deeper")).toLocal8Bit());
    EXPECT_FALSE(QDir(VeriKlasoru()).exists()) << "only one level is created";
    qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(BelgelerKlasoru().endsWith(QLatin1Char('/')));
}

} // namespace
