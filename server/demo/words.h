// Word lists of the demo data: part kinds, invented makers and vehicles, dealers, cities and people.
#pragma once

namespace demo::words {

struct PartKind {
    const char* name;  // description as the catalogue shows it
    const char* group; // ANAGRUP
    const char* sub;   // ALTGRUP
    const char* code;  // letters of the part code
    int low, high;     // list price range in lira
};

inline constexpr PartKind parts[] = {
    {"Fren Balatası Ön", "FREN SİSTEMİ", "BALATA", "FB", 450, 1400},
    {"Fren Balatası Arka", "FREN SİSTEMİ", "BALATA", "FB", 350, 1100},
    {"Fren Diski Ön", "FREN SİSTEMİ", "DİSK", "FD", 900, 2600},
    {"Fren Diski Arka", "FREN SİSTEMİ", "DİSK", "FD", 800, 2200},
    {"Fren Kampanası", "FREN SİSTEMİ", "KAMPANA", "FK", 700, 1900},
    {"Fren Merkezi", "FREN SİSTEMİ", "HİDROLİK", "FM", 1200, 3400},
    {"ABS Sensörü", "FREN SİSTEMİ", "SENSÖR", "AS", 600, 1800},
    {"Yağ Filtresi", "FİLTRE", "MOTOR FİLTRESİ", "YF", 90, 350},
    {"Hava Filtresi", "FİLTRE", "MOTOR FİLTRESİ", "HF", 150, 500},
    {"Polen Filtresi", "FİLTRE", "KABİN FİLTRESİ", "PF", 120, 420},
    {"Yakıt Filtresi", "FİLTRE", "MOTOR FİLTRESİ", "MF", 180, 650},
    {"Debriyaj Seti", "DEBRİYAJ", "SET", "DS", 2500, 7800},
    {"Debriyaj Baskı Balatası", "DEBRİYAJ", "BASKI", "DB", 1600, 4600},
    {"Debriyaj Rulmanı", "DEBRİYAJ", "RULMAN", "DR", 400, 1300},
    {"Volan", "DEBRİYAJ", "VOLAN", "VL", 4500, 12000},
    {"Triger Seti", "MOTOR", "TRİGER", "TS", 1500, 4800},
    {"Triger Kayışı", "MOTOR", "TRİGER", "TK", 400, 1200},
    {"V Kayışı", "MOTOR", "KAYIŞ", "VK", 150, 450},
    {"Devirdaim Pompası", "MOTOR", "POMPA", "DP", 900, 2800},
    {"Silindir Kapak Contası", "MOTOR", "CONTA", "SC", 600, 1900},
    {"Piston Segman Takımı", "MOTOR", "PİSTON", "PS", 1800, 5200},
    {"Krank Keçesi", "MOTOR", "KEÇE", "KK", 150, 450},
    {"Motor Takozu", "MOTOR", "TAKOZ", "MT", 500, 1600},
    {"Yağ Pompası", "MOTOR", "POMPA", "YP", 1400, 3900},
    {"Buji", "ATEŞLEME", "BUJİ", "BJ", 90, 320},
    {"Ateşleme Bobini", "ATEŞLEME", "BOBİN", "AB", 700, 2100},
    {"Amortisör Ön", "SÜSPANSİYON", "AMORTİSÖR", "AM", 1200, 3600},
    {"Amortisör Arka", "SÜSPANSİYON", "AMORTİSÖR", "AM", 1000, 2900},
    {"Rotil", "SÜSPANSİYON", "ROT", "RT", 300, 900},
    {"Rot Başı", "SÜSPANSİYON", "ROT", "RB", 250, 800},
    {"Salıncak Kolu", "SÜSPANSİYON", "SALINCAK", "SK", 900, 2600},
    {"Aks Körüğü", "SÜSPANSİYON", "AKS", "AK", 150, 480},
    {"Viraj Demiri Lastiği", "SÜSPANSİYON", "BURÇ", "VD", 80, 260},
    {"Tekerlek Rulmanı", "SÜSPANSİYON", "RULMAN", "TR", 500, 1600},
    {"Helezon Yay", "SÜSPANSİYON", "YAY", "HY", 700, 1900},
    {"Marş Motoru", "ELEKTRİK", "MARŞ", "MM", 3500, 9800},
    {"Alternatör", "ELEKTRİK", "ŞARJ", "AL", 4200, 11000},
    {"Akü 60 Ah", "ELEKTRİK", "AKÜ", "AU", 2800, 4200},
    {"Far Ampulü H7", "AYDINLATMA", "AMPUL", "FA", 60, 240},
    {"Stop Lambası", "AYDINLATMA", "LAMBA", "SL", 400, 1500},
    {"Radyatör", "SOĞUTMA", "RADYATÖR", "RD", 1800, 5200},
    {"Termostat", "SOĞUTMA", "TERMOSTAT", "TM", 300, 900},
    {"Fan Motoru", "SOĞUTMA", "FAN", "FN", 1500, 4200},
    {"Klima Kompresörü", "KLİMA", "KOMPRESÖR", "KL", 6500, 16000},
    {"Egzoz Susturucu", "EGZOZ", "SUSTURUCU", "ES", 900, 2800},
    {"Katalitik Konvertör", "EGZOZ", "KATALİTİK", "KT", 5000, 14000},
    {"Egzoz Contası", "EGZOZ", "CONTA", "EC", 50, 180},
    {"Silecek Süpürgesi", "KAPORTA", "SİLECEK", "SS", 120, 420},
    {"Yan Ayna", "KAPORTA", "AYNA", "YA", 900, 2800},
    {"Kapı Kolu", "KAPORTA", "KOL", "KO", 250, 750},
};

// Invented part makers.
inline constexpr const char* makers[] = {"Durapar", "Frenmak", "Ankora", "Teknopar", "Yıldızsan",
                                         "Filtrek", "Kartalsan", "Tormak", "Ekinoks", "Selvipar"};

// Invented vehicle makes, each with its models.
struct Vehicle {
    const char* make;
    const char* models[3];
};
inline constexpr Vehicle vehicles[] = {
    {"KARAVEL", {"Serin", "Doruk", "Yamaç"}},
    {"MELTEM", {"Esinti", "Lodos Van", "Bulut"}},
    {"ILGAZ", {"Atmaca", "Çınar Pikap", "Kaya"}},
    {"ERGENE", {"Ada", "Deniz", "Ufuk Minibüs"}},
    {"TUNA", {"Işık", "Yaprak", "Sedir"}},
};
inline constexpr const char* engines[] = {"1.3", "1.4 16V", "1.6", "1.6 Dizel", "2.0 Dizel", "1.2 Turbo"};

struct City {
    const char* city;     // IL, upper case as the accounts carry it
    const char* district; // ILCE
    const char* area;     // telephone area code
    const char* region;   // ANAGRUP of the dealers there
};
inline constexpr City cities[] = {
    {"İSTANBUL", "Kadıköy", "216", "MARMARA"},   {"İZMİR", "Bornova", "232", "EGE"},
    {"ANKARA", "Yenimahalle", "312", "İÇ ANADOLU"}, {"ADANA", "Seyhan", "322", "AKDENİZ"},
    {"TRABZON", "Ortahisar", "462", "KARADENİZ"}, {"BURSA", "Nilüfer", "224", "MARMARA"},
    {"KONYA", "Selçuklu", "332", "İÇ ANADOLU"},   {"ANTALYA", "Muratpaşa", "242", "AKDENİZ"},
    {"ELAZIĞ", "Merkez", "424", "DOĞU ANADOLU"},  {"DİYARBAKIR", "Bağlar", "412", "GÜNEYDOĞU"},
    {"KAYSERİ", "Melikgazi", "352", "İÇ ANADOLU"}, {"EDİRNE", "Merkez", "284", "MARMARA"},
    {"MANİSA", "Yunusemre", "236", "EGE"},         {"SAKARYA", "Adapazarı", "264", "MARMARA"},
    {"SAMSUN", "İlkadım", "362", "KARADENİZ"},     {"GAZİANTEP", "Şehitkamil", "342", "GÜNEYDOĞU"},
};

// Dealer names are a first word and a trade, e.g. "Yıldız Oto Yedek Parça".
inline constexpr const char* dealerWords[] = {"Yıldız", "Ege", "Başkent", "Çukurova", "Karadeniz", "Marmara",
                                              "Selçuklu", "Akdeniz", "Fırat", "Dicle", "Erciyes", "Trakya",
                                              "Gediz", "Sakarya", "Kızılırmak", "Uludağ", "Boğaziçi", "Körfez"};
inline constexpr const char* trades[] = {"Oto Yedek Parça", "Otomotiv", "Oto Parça", "Oto Market",
                                         "Yedek Parça Ltd. Şti."};
inline constexpr const char* streets[] = {"Sanayi Sitesi", "Oto Sanayi", "Atatürk Cad.", "Cumhuriyet Cad.",
                                          "İstasyon Cad.", "Gazi Bulvarı", "Organize Sanayi"};

inline constexpr const char* firstNames[] = {"Ahmet", "Mehmet", "Ayşe", "Fatma", "Mustafa", "Zeynep",
                                             "Hüseyin", "Elif", "Murat", "Selin", "Emre", "Derya",
                                             "Burak", "Gül", "Okan", "Sevgi", "Kemal", "Nur"};
inline constexpr const char* lastNames[] = {"Yılmaz", "Kaya", "Demir", "Çelik", "Aydın", "Öztürk",
                                            "Arslan", "Doğru", "Korkmaz", "Yalçın", "Güneş", "Aksoy",
                                            "Tekin", "Bozkurt", "Uçar", "Erdem"};

} // namespace demo::words
