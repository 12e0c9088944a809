// Parsing of the server's command line into checked settings.
#include "http/options.h"

#include <charconv>

namespace srv {

namespace {

[[noreturn]] void bad(const std::string& text) { throw CommandLineError(text); }

int parseInt(std::string_view text, const std::string& option, int low, int high)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        bad(option + " için " + std::to_string(low) + " ile " + std::to_string(high) +
            " arasında bir tamsayı bekleniyordu: \"" + std::string(text) + "\"");
    return v;
}

QString local(std::string_view s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

} // namespace

Endpoint parseEndpoint(std::string_view text)
{
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size())
        bad("HOST:PORT bekleniyordu: \"" + std::string(text) + "\"");
    std::string_view host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty() || host.find_first_of("[] ") != std::string_view::npos)
        bad("Geçersiz adres: \"" + std::string(text) + "\"");
    Endpoint e;
    e.host = std::string(host);
    e.port = static_cast<unsigned short>(parseInt(text.substr(colon + 1), "Port", 0, 65535));
    return e;
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine c;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                bad(name + " bir değer bekliyor");
            return args[++i];
        };
        const auto flag = [&] {
            if (inlineValue)
                bad(name + " değer almaz");
        };

        if (name == "--help" || name == "-h") {
            flag();
            c.help = true;
        } else if (name == "--db") {
            const std::string v = value();
            if (v.rfind("sqlite:", 0) != 0 && v.rfind("postgresql://", 0) != 0)
                bad("--db için sqlite:DOSYA ya da postgresql://... bekleniyordu: \"" + v + "\"");
            if (v == "sqlite:")
                bad("--db sqlite: bir dosya adı bekliyor");
            c.db = local(v);
        } else if (name == "--listen") {
            c.listen = parseEndpoint(value());
        } else if (name == "--web") {
            const std::string v = value();
            if (v == "off")
                c.web.reset();
            else
                c.web = parseEndpoint(v);
        } else if (name == "--demo") {
            flag();
            c.demo = true;
        } else if (name == "--demo-size") {
            c.demoSize = parseInt(value(), name, 1, 1000);
        } else if (name == "--demo-stok") {
            c.demoProducts = parseInt(value(), name, 1, 200000);
        } else if (name == "--demo-version") {
            c.demoVersion = parseInt(value(), name, 1, 1000000);
        } else if (name == "--bind-workstation") {
            const std::string v = value();
            CommandLine::Workstation w;
            const auto eq = v.find('=');
            w.identity = local(std::string_view(v).substr(0, eq)).trimmed();
            if (eq != std::string::npos)
                w.carino = parseInt(std::string_view(v).substr(eq + 1), name + " CARINO", 1, 2147483647);
            if (w.identity.isEmpty())
                bad(name + " bir iş istasyonu kimliği bekliyor");
            c.workstations.push_back(std::move(w));
        } else if (name == "--threads") {
            c.threads = parseInt(value(), name, 1, 256);
        } else if (name == "--connections-per-address") {
            c.connectionsPerAddress = parseInt(value(), name, 1, 1024);
        } else if (name == "--setup") {
            c.setupFile = local(value());
            if (c.setupFile.isEmpty())
                bad(name + " bir dosya adı bekliyor");
        } else if (name == "--smtp") {
            const std::string v = value();
            if (v.rfind("smtp://", 0) != 0 && v.rfind("smtps://", 0) != 0)
                bad("--smtp için smtp://HOST:PORT ya da smtps://HOST:PORT bekleniyordu: \"" + v + "\"");
            c.smtp.url = local(v);
        } else if (name == "--smtp-kimden" || name == "--smtp-kime") {
            const QString v = local(value()).trimmed();
            if (v.isEmpty() || v.contains(QLatin1Char('\r')) || v.contains(QLatin1Char('\n')) || !v.contains(QLatin1Char('@')))
                bad(name + " bir e-posta adresi bekliyor");
            (name == "--smtp-kimden" ? c.smtp.from : c.smtp.to) = v;
        } else if (name == "--smtp-kullanici") {
            c.smtp.user = local(value());
        } else if (name == "--smtp-sifre-dosyasi") {
            c.smtp.passwordFile = local(value());
        } else if (name == "--smtp-deneme") {
            c.smtp.attempts = parseInt(value(), name, 1, 100);
        } else if (name == "--smtp-bekleme") {
            c.smtp.backoffSeconds = parseInt(value(), name, 0, 86400);
        } else if (name == "--giden-kutusu") {
            flag();
            c.listOutbox = true;
        } else if (name == "--sifre-onayla") {
            c.applyPassword = parseInt(value(), name, 1, 2147483647);
        } else {
            bad("Bilinmeyen seçenek: " + name + " (yardım için --help)");
        }
    }
    if (!c.smtp.url.isEmpty() && (c.smtp.from.isEmpty() || c.smtp.to.isEmpty()))
        bad("--smtp ile --smtp-kimden ve --smtp-kime de gerekir");
    return c;
}

std::string usage()
{
    return "Kullanım: tezval-sunucu [seçenekler]\n"
           "  --db sqlite:DOSYA | postgresql://...   veritabanı (varsayılan sqlite:tezval.db)\n"
           "  --listen HOST:PORT                     işlem portu (varsayılan 127.0.0.1:9090)\n"
           "  --web HOST:PORT | off                  web sitesi portu (varsayılan 127.0.0.1:9091)\n"
           "  --demo                                 veritabanı boşsa tanıtım verisiyle doldurur\n"
           "  --demo-size N                          tanıtım verisinin büyüklüğü (varsayılan 1)\n"
           "  --demo-stok N                          tanıtım kataloğundaki ürün sayısı (en çok 200000; varsayılan büyüklüğe göre)\n"
           "  --demo-version N                       tanıtım kullanıcılarından beklenen program sürümü (varsayılan 2)\n"
           "  --bind-workstation KIMLIK[=CARINO]     iş istasyonunu bir cariye bağlar (tekrarlanabilir)\n"
           "  --threads N                            veritabanı iş parçacığı sayısı (varsayılan 4)\n"
           "  --connections-per-address N            bir adresin açık tutabileceği bağlantı (varsayılan 64;\n"
           "                                         ters vekil arkasında 1024)\n"
           "  --setup DOSYA                          web sitesinin /exe/TezvalSetup.exe olarak verdiği kurulum programı\n"
           "  --smtp smtp://HOST:PORT                isteklerin gönderildiği posta aktarıcısı (STARTTLS sunulursa\n"
           "                                         kullanılır; smtps:// doğrudan TLS)\n"
           "  --smtp-kimden ADRES                    gönderen adresi\n"
           "  --smtp-kime ADRES                      isteklerin gittiği toptancı adresi\n"
           "  --smtp-kullanici AD                    aktarıcı kullanıcı adı\n"
           "  --smtp-sifre-dosyasi DOSYA             aktarıcı şifresini içeren dosya\n"
           "  --smtp-deneme N                        başarısız sayılmadan önceki deneme (varsayılan 5)\n"
           "  --smtp-bekleme SN                      ilk yeniden denemeden önce bekleme, her seferinde iki katı\n"
           "                                         (varsayılan 60)\n"
           "  --giden-kutusu                         giden kutusunu listeler ve çıkar\n"
           "  --sifre-onayla NO                      NO numaralı şifre isteğindeki şifreyi uygular ve çıkar\n"
           "  --help                                 bu yardım\n";
}

} // namespace srv
