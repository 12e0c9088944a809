// Deployment values fixed into the program at build time.
#include "app/ayar.h"

namespace {
QString withSlash(QString s)
{
    if (!s.endsWith(QLatin1Char('/')))
        s += QLatin1Char('/');
    return s;
}
} // namespace

ProgramAyari ProgramAyari::varsayilan()
{
    ProgramAyari a;
    a.sunucuHost = QStringLiteral(TEZVAL_SERVER_HOST);
    a.sunucuPort = TEZVAL_SERVER_PORT;
    a.webAdresi = withSlash(QStringLiteral(TEZVAL_WEB_HOST));
    a.odemeAdresi = withSlash(QStringLiteral(TEZVAL_PAY_HOST));
    a.indirmeAdresi = withSlash(QStringLiteral(TEZVAL_DOWNLOAD_HOST));
    return a;
}
